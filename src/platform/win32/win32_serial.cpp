#include "platform/win32/win32_serial.h"

#include <cstddef>
#include <vector>

#include "platform/win32/win32_windows.h"

namespace plat::win32 {
namespace {

// plat::Overlapped is handed to Windows as it is, so its layout must be
// OVERLAPPED's exactly.
static_assert(sizeof(Overlapped) == sizeof(OVERLAPPED));
static_assert(offsetof(Overlapped, internal) == offsetof(OVERLAPPED, Internal));
static_assert(offsetof(Overlapped, internalHigh) == offsetof(OVERLAPPED, InternalHigh));
static_assert(offsetof(Overlapped, offset) == offsetof(OVERLAPPED, Offset));
static_assert(offsetof(Overlapped, offsetHigh) == offsetof(OVERLAPPED, OffsetHigh));
static_assert(offsetof(Overlapped, hEvent) == offsetof(OVERLAPPED, hEvent));

LPOVERLAPPED ToOverlapped(Overlapped* overlapped) {
    return reinterpret_cast<LPOVERLAPPED>(overlapped);
}

DCB ToDcb(const CommState& s) {
    DCB d{};
    d.DCBlength = sizeof(DCB);
    d.BaudRate = s.baudRate;
    d.fBinary = s.fBinary;
    d.fParity = s.fParity;
    d.fOutxCtsFlow = s.fOutxCtsFlow;
    d.fOutxDsrFlow = s.fOutxDsrFlow;
    d.fDtrControl = s.fDtrControl;
    d.fDsrSensitivity = s.fDsrSensitivity;
    d.fTXContinueOnXoff = s.fTXContinueOnXoff;
    d.fOutX = s.fOutX;
    d.fInX = s.fInX;
    d.fErrorChar = s.fErrorChar;
    d.fNull = s.fNull;
    d.fRtsControl = s.fRtsControl;
    d.fAbortOnError = s.fAbortOnError;
    d.XonLim = s.xonLim;
    d.XoffLim = s.xoffLim;
    d.ByteSize = s.byteSize;
    d.Parity = s.parity;
    d.StopBits = s.stopBits;
    d.XonChar = s.xonChar;
    d.XoffChar = s.xoffChar;
    d.ErrorChar = s.errorChar;
    d.EofChar = s.eofChar;
    d.EvtChar = s.evtChar;
    return d;
}

CommState FromDcb(const DCB& d) {
    CommState s;
    s.baudRate = d.BaudRate;
    s.fBinary = d.fBinary;
    s.fParity = d.fParity;
    s.fOutxCtsFlow = d.fOutxCtsFlow;
    s.fOutxDsrFlow = d.fOutxDsrFlow;
    s.fDtrControl = d.fDtrControl;
    s.fDsrSensitivity = d.fDsrSensitivity;
    s.fTXContinueOnXoff = d.fTXContinueOnXoff;
    s.fOutX = d.fOutX;
    s.fInX = d.fInX;
    s.fErrorChar = d.fErrorChar;
    s.fNull = d.fNull;
    s.fRtsControl = d.fRtsControl;
    s.fAbortOnError = d.fAbortOnError;
    s.xonLim = d.XonLim;
    s.xoffLim = d.XoffLim;
    s.byteSize = d.ByteSize;
    s.parity = d.Parity;
    s.stopBits = d.StopBits;
    s.xonChar = d.XonChar;
    s.xoffChar = d.XoffChar;
    s.errorChar = d.ErrorChar;
    s.eofChar = d.EofChar;
    s.evtChar = d.EvtChar;
    return s;
}

}  // namespace

Handle Win32Serial::CreateFileA(const char* name, std::uint32_t access, std::uint32_t shareMode,
                                std::uint32_t creation, std::uint32_t flags) {
    return ::CreateFileA(name, access, shareMode, nullptr, creation, flags, nullptr);
}

bool Win32Serial::SetupComm(Handle port, std::uint32_t inQueue, std::uint32_t outQueue) {
    return ::SetupComm(port, inQueue, outQueue) != FALSE;
}

bool Win32Serial::SetCommTimeouts(Handle port, const CommTimeouts& t) {
    COMMTIMEOUTS ct{t.readIntervalTimeout, t.readTotalTimeoutMultiplier,
                    t.readTotalTimeoutConstant, t.writeTotalTimeoutMultiplier,
                    t.writeTotalTimeoutConstant};
    return ::SetCommTimeouts(port, &ct) != FALSE;
}

bool Win32Serial::SetCommMask(Handle port, std::uint32_t mask) {
    return ::SetCommMask(port, mask) != FALSE;
}

bool Win32Serial::GetCommMask(Handle port, std::uint32_t* mask) {
    DWORD value = 0;
    const BOOL ok = ::GetCommMask(port, &value);
    if (ok && mask != nullptr) *mask = value;
    return ok != FALSE;
}

bool Win32Serial::GetCommState(Handle port, CommState* state) {
    DCB dcb{};
    dcb.DCBlength = sizeof(DCB);
    const BOOL ok = ::GetCommState(port, &dcb);
    if (ok && state != nullptr) *state = FromDcb(dcb);
    return ok != FALSE;
}

bool Win32Serial::BuildCommDCBA(const char* definition, CommState* state) {
    DCB dcb = ToDcb(*state);
    const BOOL ok = ::BuildCommDCBA(definition, &dcb);
    if (ok) *state = FromDcb(dcb);
    return ok != FALSE;
}

bool Win32Serial::SetCommState(Handle port, const CommState& state) {
    DCB dcb = ToDcb(state);
    return ::SetCommState(port, &dcb) != FALSE;
}

bool Win32Serial::PurgeComm(Handle port, std::uint32_t flags) {
    return ::PurgeComm(port, flags) != FALSE;
}

bool Win32Serial::WaitCommEvent(Handle port, std::uint32_t* events, Overlapped* overlapped) {
    static_assert(sizeof(DWORD) == sizeof(std::uint32_t));
    return ::WaitCommEvent(port, reinterpret_cast<LPDWORD>(events), ToOverlapped(overlapped)) !=
           FALSE;
}

bool Win32Serial::ClearCommError(Handle port, std::uint32_t* errors, CommStatus* status) {
    DWORD errorBits = 0;
    COMSTAT comStat{};
    const BOOL ok = ::ClearCommError(port, &errorBits, &comStat);
    if (ok) {
        if (errors != nullptr) *errors = errorBits;
        if (status != nullptr) *status = CommStatus{comStat.cbInQue, comStat.cbOutQue};
    }
    return ok != FALSE;
}

bool Win32Serial::ReadFile(Handle port, void* buffer, std::uint32_t count, std::uint32_t* read,
                           Overlapped* overlapped) {
    return ::ReadFile(port, buffer, count, reinterpret_cast<LPDWORD>(read),
                      ToOverlapped(overlapped)) != FALSE;
}

bool Win32Serial::WriteFile(Handle port, const void* buffer, std::uint32_t count,
                            std::uint32_t* written, Overlapped* overlapped) {
    return ::WriteFile(port, buffer, count, reinterpret_cast<LPDWORD>(written),
                       ToOverlapped(overlapped)) != FALSE;
}

bool Win32Serial::GetOverlappedResult(Handle port, Overlapped* overlapped,
                                      std::uint32_t* transferred, bool wait) {
    DWORD count = 0;
    const BOOL ok = ::GetOverlappedResult(port, ToOverlapped(overlapped), &count, wait);
    if (transferred != nullptr) *transferred = count;
    return ok != FALSE;
}

bool Win32Serial::CloseHandle(Handle handle) { return ::CloseHandle(handle) != FALSE; }

Handle Win32Serial::CreateEventA(bool manualReset, bool initialState) {
    return ::CreateEventA(nullptr, manualReset, initialState, nullptr);
}

bool Win32Serial::SetEvent(Handle event) { return ::SetEvent(event) != FALSE; }

bool Win32Serial::ResetEvent(Handle event) { return ::ResetEvent(event) != FALSE; }

std::uint32_t Win32Serial::WaitForMultipleObjects(std::uint32_t count, const Handle* handles,
                                                  bool waitAll, std::uint32_t timeoutMs) {
    return ::WaitForMultipleObjects(count, handles, waitAll, timeoutMs);
}

std::string Win32Serial::FormatMessageA(std::uint32_t code) {
    char* text = nullptr;
    const DWORD length = ::FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code,
        MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPSTR>(&text), 0, nullptr);
    std::string result = length != 0 && text != nullptr ? std::string(text, length) : std::string();
    if (text != nullptr) ::LocalFree(text);
    return result;
}

}  // namespace plat::win32
