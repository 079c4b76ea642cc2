// What SevenZip does: check the command, then read, judge and extract the
// archive in-process on the caller's thread.
#pragma once

#include <cstdint>
#include <functional>

namespace archiver {

// Moments at which the owner's callback hears from an extraction.
enum class Moment : unsigned { kBegin = 0, kInProcess = 1, kEnd = 2 };

// The owner's callback as the extraction sees it: the moment, the archive and
// the output folder. Answering false at kBegin or kInProcess stops the
// extraction; what it had written is removed again.
using Notify = std::function<bool(Moment, const char* archive, const char* outputDir)>;

// Runs the command; writes what was done, or why nothing was, into `output`
// (at most `outputSize` bytes, always NUL-terminated when there is room for
// anything). Returns 0 on success, else a code of result_codes.h. Every
// entry is judged before anything is written: an archive with an entry that
// would be written outside the output folder, is a link or names a device,
// or that is too large, is refused as a whole. Data that fails its CRC, a
// folder on the way that is a junction, a write that fails or a stop undo
// what the call had written.
int RunExtraction(const char* cmdLine, char* output, std::uint32_t outputSize,
                  const Notify& notify);

}  // namespace archiver
