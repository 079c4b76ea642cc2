// What SevenZip does: check the command and the archive, then have 7za.exe
// (beside this library) extract it, hidden.
#pragma once

#include <cstdint>
#include <functional>

namespace archiver {

// Moments at which the owner's callback hears from an extraction.
enum class Moment : unsigned { kBegin = 0, kEnd = 2 };

// The owner's callback as the extraction sees it: the moment, the archive and
// the output folder. Answers false to stop the extraction before it starts.
using Notify = std::function<bool(Moment, const char* archive, const char* outputDir)>;

// Runs the command; writes what 7za.exe printed, or why nothing was done, into
// `output` (at most `outputSize` bytes, always NUL-terminated when there is
// room for anything). Returns 0 on success, else a code of result_codes.h or
// 7za.exe's exit code. The archive is refused as a whole, with nothing
// written to the output folder, when any entry would be written outside it
// or is a link: the listing that tells is made while 7za.exe extracts into a
// private folder, whose contents are moved into place only then.
int RunExtraction(const char* cmdLine, char* output, std::uint32_t outputSize,
                  const Notify& notify);

}  // namespace archiver
