// Results of SevenZip beyond 7za.exe's own exit codes (which are below 256
// and are passed on as they are when an extraction fails).
#pragma once

namespace archiver {

constexpr int kSuccess = 0;
constexpr int kBadCommand = 0x8001;         // not "x -y <archive> -o<folder> [-hide]"
constexpr int kArchiveMissing = 0x8002;     // no such archive file
constexpr int kHelperMissing = 0x8003;      // 7za.exe not beside the library, or would not start
constexpr int kUnreadableArchive = 0x8004;  // 7za.exe could not list the archive
constexpr int kUnsafeEntry = 0x8005;        // an entry would land outside the folder, or is a link
constexpr int kCancelled = 0x8006;          // the owner's callback answered FALSE
constexpr int kTimedOut = 0x8007;           // 7za.exe ran too long and was stopped
constexpr int kOutOfResources = 0x8008;     // memory or another resource ran out
constexpr int kOutputUnwritable = 0x8009;   // the output folder could not be written

}  // namespace archiver
