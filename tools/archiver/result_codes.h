// Results of SevenZip.
#pragma once

namespace archiver {

constexpr int kSuccess = 0;
constexpr int kBadCommand = 0x8001;         // not "x -y <archive> -o<folder> [-hide]"
constexpr int kArchiveMissing = 0x8002;     // no such archive file
constexpr int kUnreadableArchive = 0x8004;  // not a 7z archive, or one it cannot read
constexpr int kUnsafeEntry = 0x8005;        // an entry would land outside the folder, or is a link
constexpr int kCancelled = 0x8006;          // the owner's callback answered FALSE
constexpr int kOutOfResources = 0x8008;     // memory or another resource ran out
constexpr int kOutputUnwritable = 0x8009;   // the output folder could not be written
constexpr int kDamagedArchive = 0x800A;     // data that fails its CRC or does not decode
constexpr int kArchiveTooLarge = 0x800B;    // too many entries, or too much unpacked data

}  // namespace archiver
