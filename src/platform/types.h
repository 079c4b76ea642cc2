// Small portable types shared by the platform interfaces. No Windows header
// may leak into portable code, so handles are opaque pointers here and the
// Win32 layer converts them at its edge.
#pragma once

#include <cstdint>

namespace plat {

using Handle = void*;          // printer, service, find and module handles
using WindowHandle = void*;    // a window as the archiver library sees it

// Numeric values are those of Windows, so results read the same in both
// builds. Prefixed names keep them clear of <windows.h> macros.
namespace err {
constexpr std::uint32_t kSuccess = 0;
constexpr std::uint32_t kFileNotFound = 2;
constexpr std::uint32_t kPathNotFound = 3;
constexpr std::uint32_t kAccessDenied = 5;
constexpr std::uint32_t kInvalidHandle = 6;
constexpr std::uint32_t kNoMoreFiles = 18;
constexpr std::uint32_t kSharingViolation = 32;
constexpr std::uint32_t kNotSupported = 50;
constexpr std::uint32_t kFileExists = 80;
constexpr std::uint32_t kInvalidParameter = 87;
constexpr std::uint32_t kInsufficientBuffer = 122;
constexpr std::uint32_t kInvalidLevel = 124;
constexpr std::uint32_t kModNotFound = 126;
constexpr std::uint32_t kProcNotFound = 127;
constexpr std::uint32_t kDirNotEmpty = 145;
constexpr std::uint32_t kAlreadyExists = 183;
constexpr std::uint32_t kMoreData = 234;
constexpr std::uint32_t kNoMoreItems = 259;
constexpr std::uint32_t kNotOwner = 288;
constexpr std::uint32_t kServiceRequestTimeout = 1053;
constexpr std::uint32_t kServiceDatabaseLocked = 1055;
constexpr std::uint32_t kServiceAlreadyRunning = 1056;
constexpr std::uint32_t kServiceDoesNotExist = 1060;
constexpr std::uint32_t kServiceCannotAcceptCtrl = 1061;
constexpr std::uint32_t kServiceNotActive = 1062;
constexpr std::uint32_t kCancelled = 1223;
constexpr std::uint32_t kUnknownPort = 1796;
constexpr std::uint32_t kUnknownPrinterDriver = 1797;
constexpr std::uint32_t kInvalidPrinterName = 1801;
constexpr std::uint32_t kPrinterAlreadyExists = 1802;
constexpr std::uint32_t kUnknownPrintMonitor = 3000;
constexpr std::uint32_t kPrintMonitorAlreadyInstalled = 3006;
}  // namespace err

// The results of the wait functions.
constexpr std::uint32_t kWaitObject0 = 0x00000000;
constexpr std::uint32_t kWaitAbandoned = 0x00000080;
constexpr std::uint32_t kWaitTimeout = 0x00000102;
constexpr std::uint32_t kWaitFailed = 0xFFFFFFFF;

constexpr std::uint32_t kInvalidFileAttributes = 0xFFFFFFFFu;
constexpr std::uint32_t kFileAttributeReadOnly = 0x01;
constexpr std::uint32_t kFileAttributeDirectory = 0x10;
constexpr std::uint32_t kFileAttributeNormal = 0x80;
// A junction or a symbolic link: the entry stands for something elsewhere.
constexpr std::uint32_t kFileAttributeReparsePoint = 0x400;

}  // namespace plat
