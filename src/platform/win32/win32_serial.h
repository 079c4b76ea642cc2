// Serial devices and events through kernel32, one call each.
#pragma once

#include "platform/serial.h"

namespace plat::win32 {

class Win32Serial final : public ISerial {
public:
    Handle CreateFileA(const char* name, std::uint32_t access, std::uint32_t shareMode,
                       std::uint32_t creation, std::uint32_t flags) override;
    bool SetupComm(Handle port, std::uint32_t inQueue, std::uint32_t outQueue) override;
    bool SetCommTimeouts(Handle port, const CommTimeouts& timeouts) override;
    bool SetCommMask(Handle port, std::uint32_t mask) override;
    bool GetCommMask(Handle port, std::uint32_t* mask) override;
    bool GetCommState(Handle port, CommState* state) override;
    bool BuildCommDCBA(const char* definition, CommState* state) override;
    bool SetCommState(Handle port, const CommState& state) override;
    bool PurgeComm(Handle port, std::uint32_t flags) override;
    bool WaitCommEvent(Handle port, std::uint32_t* events, Overlapped* overlapped) override;
    bool ClearCommError(Handle port, std::uint32_t* errors, CommStatus* status) override;
    bool ReadFile(Handle port, void* buffer, std::uint32_t count, std::uint32_t* read,
                  Overlapped* overlapped) override;
    bool WriteFile(Handle port, const void* buffer, std::uint32_t count, std::uint32_t* written,
                   Overlapped* overlapped) override;
    bool GetOverlappedResult(Handle port, Overlapped* overlapped, std::uint32_t* transferred,
                             bool wait) override;
    bool CloseHandle(Handle handle) override;
    Handle CreateEventA(bool manualReset, bool initialState) override;
    bool SetEvent(Handle event) override;
    bool ResetEvent(Handle event) override;
    std::uint32_t WaitForMultipleObjects(std::uint32_t count, const Handle* handles, bool waitAll,
                                         std::uint32_t timeoutMs) override;
    std::string FormatMessageA(std::uint32_t code) override;
};

}  // namespace plat::win32
