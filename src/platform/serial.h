// Serial devices and the events their overlapped calls signal, with Win32
// semantics: calls return false (or kInvalidHandleValue) and set the
// thread's last error on failure. Comm handles and event handles are closed
// with the same CloseHandle, as on Windows.
#pragma once

#include <cstdint>
#include <string>

#include "platform/types.h"

namespace plat {

// What CreateFileA gives back for a device it cannot open.
inline const Handle kInvalidHandleValue = reinterpret_cast<Handle>(~std::uintptr_t{0});

constexpr std::uint32_t kGenericRead = 0x80000000u;
constexpr std::uint32_t kGenericWrite = 0x40000000u;
constexpr std::uint32_t kOpenExisting = 3;
constexpr std::uint32_t kFileFlagOverlapped = 0x40000000u;

constexpr std::uint32_t kEvRxChar = 0x0001;
constexpr std::uint32_t kEvRxFlag = 0x0002;
constexpr std::uint32_t kEvCts = 0x0008;
constexpr std::uint32_t kEvBreak = 0x0040;
constexpr std::uint32_t kEvErr = 0x0080;
constexpr std::uint32_t kEvRing = 0x0100;

constexpr std::uint32_t kPurgeTxAbort = 0x1;
constexpr std::uint32_t kPurgeRxAbort = 0x2;
constexpr std::uint32_t kPurgeTxClear = 0x4;
constexpr std::uint32_t kPurgeRxClear = 0x8;
constexpr std::uint32_t kPurgeAll = kPurgeTxAbort | kPurgeRxAbort | kPurgeTxClear | kPurgeRxClear;

constexpr std::uint32_t kRtsControlEnable = 1;

namespace err {
constexpr std::uint32_t kOperationAborted = 995;
constexpr std::uint32_t kIoIncomplete = 996;
constexpr std::uint32_t kIoPending = 997;
}  // namespace err

// The record of one overlapped call, laid out as Windows' OVERLAPPED so the
// Win32 layer hands it on as it is: it must stay where it is while a call
// on it is pending.
struct Overlapped {
    std::uintptr_t internal = 0;
    std::uintptr_t internalHigh = 0;
    std::uint32_t offset = 0;
    std::uint32_t offsetHigh = 0;
    Handle hEvent = nullptr;
};

struct CommTimeouts {
    std::uint32_t readIntervalTimeout = 0;
    std::uint32_t readTotalTimeoutMultiplier = 0;
    std::uint32_t readTotalTimeoutConstant = 0;
    std::uint32_t writeTotalTimeoutMultiplier = 0;
    std::uint32_t writeTotalTimeoutConstant = 0;
};

// A port's line settings: every member of Windows' DCB, so that settings
// read, amended and written back keep what was not amended.
struct CommState {
    std::uint32_t baudRate = 0;
    bool fBinary = true;
    bool fParity = false;
    bool fOutxCtsFlow = false;
    bool fOutxDsrFlow = false;
    std::uint32_t fDtrControl = 0;
    bool fDsrSensitivity = false;
    bool fTXContinueOnXoff = false;
    bool fOutX = false;
    bool fInX = false;
    bool fErrorChar = false;
    bool fNull = false;
    std::uint32_t fRtsControl = 0;
    bool fAbortOnError = false;
    std::uint16_t xonLim = 0;
    std::uint16_t xoffLim = 0;
    std::uint8_t byteSize = 8;
    std::uint8_t parity = 0;    // 0 none, 1 odd, 2 even, 3 mark, 4 space
    std::uint8_t stopBits = 0;  // 0 one, 1 one and a half, 2 two
    char xonChar = 0;
    char xoffChar = 0;
    char errorChar = 0;
    char eofChar = 0;
    char evtChar = 0;
};

// The part of COMSTAT the installer reads.
struct CommStatus {
    std::uint32_t cbInQue = 0;
    std::uint32_t cbOutQue = 0;
};

class ISerial {
public:
    virtual ~ISerial() = default;

    // Opens a device by name ("\\\\.\\COM5"); kInvalidHandleValue on failure.
    virtual Handle CreateFileA(const char* name, std::uint32_t access, std::uint32_t shareMode,
                               std::uint32_t creation, std::uint32_t flags) = 0;
    virtual bool SetupComm(Handle port, std::uint32_t inQueue, std::uint32_t outQueue) = 0;
    virtual bool SetCommTimeouts(Handle port, const CommTimeouts& timeouts) = 0;
    virtual bool SetCommMask(Handle port, std::uint32_t mask) = 0;
    virtual bool GetCommMask(Handle port, std::uint32_t* mask) = 0;
    virtual bool GetCommState(Handle port, CommState* state) = 0;
    // Parses "baud=9600 parity=N data=8 stop=1" into `state`.
    virtual bool BuildCommDCBA(const char* definition, CommState* state) = 0;
    virtual bool SetCommState(Handle port, const CommState& state) = 0;
    virtual bool PurgeComm(Handle port, std::uint32_t flags) = 0;
    // Overlapped: false with kIoPending when the event word is filled later.
    virtual bool WaitCommEvent(Handle port, std::uint32_t* events, Overlapped* overlapped) = 0;
    virtual bool ClearCommError(Handle port, std::uint32_t* errors, CommStatus* status) = 0;
    virtual bool ReadFile(Handle port, void* buffer, std::uint32_t count, std::uint32_t* read,
                          Overlapped* overlapped) = 0;
    virtual bool WriteFile(Handle port, const void* buffer, std::uint32_t count,
                           std::uint32_t* written, Overlapped* overlapped) = 0;
    virtual bool GetOverlappedResult(Handle port, Overlapped* overlapped,
                                     std::uint32_t* transferred, bool wait) = 0;
    virtual bool CloseHandle(Handle handle) = 0;

    // Unnamed events.
    virtual Handle CreateEventA(bool manualReset, bool initialState) = 0;
    virtual bool SetEvent(Handle event) = 0;
    virtual bool ResetEvent(Handle event) = 0;
    // kWaitObject0 + index of a signalled handle (the lowest wins),
    // kWaitTimeout, or kWaitFailed.
    virtual std::uint32_t WaitForMultipleObjects(std::uint32_t count, const Handle* handles,
                                                 bool waitAll, std::uint32_t timeoutMs) = 0;

    // The system's text for an error code, as an error report shows it.
    virtual std::string FormatMessageA(std::uint32_t code) = 0;
};

}  // namespace plat
