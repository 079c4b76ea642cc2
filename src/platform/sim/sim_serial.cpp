#include "platform/sim/sim_serial.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstring>
#include <sstream>

namespace sim {
namespace {

constexpr std::uintptr_t kCommHandleBase = 0x60000000;
constexpr std::uintptr_t kEventHandleBase = 0x70000000;
// What Windows keeps in Overlapped::internal while a call is pending.
constexpr std::uintptr_t kStatusPending = 0x103;

// "\\.\COMn" for any n, and the bare "COMn" that Windows also knows for
// COM1 to COM9; 0 for anything else.
int PortNumberOf(const std::string& name) {
    std::string upper = name;
    for (char& ch : upper) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    std::string digits;
    bool prefixed = false;
    if (upper.rfind("\\\\.\\COM", 0) == 0) {
        digits = upper.substr(7);
        prefixed = true;
    } else if (upper.rfind("COM", 0) == 0) {
        digits = upper.substr(3);
    }
    if (digits.empty() || digits.size() > 3 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return 0;
    }
    const int number = std::stoi(digits);
    return prefixed || number <= 9 ? number : 0;
}

// One "key=value" of a BuildCommDCBA definition; false when it is not valid.
bool ApplySetting(const std::string& key, const std::string& value, plat::CommState* state) {
    if (value.empty()) return false;
    if (key == "baud") {
        if (!std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; }) ||
            value.size() > 9) {
            return false;
        }
        state->baudRate = static_cast<std::uint32_t>(std::stoul(value));
        return true;
    }
    if (key == "parity") {
        static const std::string kLetters = "noems";
        const auto at = value.size() == 1
                            ? kLetters.find(static_cast<char>(std::tolower(
                                  static_cast<unsigned char>(value[0]))))
                            : std::string::npos;
        if (at == std::string::npos) return false;
        state->parity = static_cast<std::uint8_t>(at);
        state->fParity = at != 0;
        return true;
    }
    if (key == "data") {
        if (value.size() != 1 || value[0] < '5' || value[0] > '8') return false;
        state->byteSize = static_cast<std::uint8_t>(value[0] - '0');
        return true;
    }
    if (key == "stop") {
        if (value == "1") state->stopBits = 0;
        else if (value == "1.5") state->stopBits = 1;
        else if (value == "2") state->stopBits = 2;
        else return false;
        return true;
    }
    return false;
}

}  // namespace

SerialPeer StatusAnsweringPrinter(std::string reply) {
    return [reply](const std::string& written) -> std::string {
        const bool receiptQuery = written.find("\x10\x04") != std::string::npos;
        const bool labelQuery = written.find("\x1B!?") != std::string::npos;
        return receiptQuery || labelQuery ? reply : std::string();
    };
}

SimSerial::SimSerial(SimContext& context)
    : m_context(context), m_comms(kCommHandleBase), m_events(kEventHandleBase) {
    m_messages[plat::err::kFileNotFound] = "The system cannot find the file specified.\r\n";
    m_messages[plat::err::kAccessDenied] = "Access is denied.\r\n";
    m_messages[plat::err::kInvalidHandle] = "The handle is invalid.\r\n";
    m_messages[31] = "A device attached to the system is not functioning.\r\n";
    m_messages[1117] = "The request could not be performed because of an I/O device error.\r\n";
}

bool SimSerial::Fail(std::uint32_t error) {
    SetThreadLastError(error);
    return false;
}

SimSerial::Port* SimSerial::PortOf(plat::Handle handle) {
    int* number = m_comms.Find(handle);
    if (number == nullptr) {
        Fail(plat::err::kInvalidHandle);
        return nullptr;
    }
    return &m_ports[*number];
}

void SimSerial::SignalLocked(plat::Handle event) {
    if (Event* e = m_events.Find(event)) {
        e->signalled = true;
        m_cv.notify_all();
    }
}

void SimSerial::CompleteWaitLocked(Port& port, std::uint32_t events, std::uint32_t status) {
    if (port.waitOverlapped == nullptr) return;
    if (port.waitEvents != nullptr) *port.waitEvents = events;
    port.waitOverlapped->internal = status;
    port.waitOverlapped->internalHigh = 0;
    SignalLocked(port.waitOverlapped->hEvent);
    port.waitOverlapped = nullptr;
    port.waitEvents = nullptr;
}

void SimSerial::DeliverLocked(Port& port, const std::string& bytes) {
    if (bytes.empty()) return;
    port.input.insert(port.input.end(), bytes.begin(), bytes.end());
    port.arrived |= plat::kEvRxChar;
    if (bytes.find(port.settings.state.evtChar) != std::string::npos) {
        port.arrived |= plat::kEvRxFlag;
    }
    const std::uint32_t ready = port.arrived & port.settings.mask;
    if (port.waitOverlapped != nullptr && ready != 0) {
        port.arrived = 0;
        CompleteWaitLocked(port, ready, 0);
    }
    m_cv.notify_all();
}

plat::Handle SimSerial::CreateFileA(const char* name, std::uint32_t access,
                                    std::uint32_t shareMode, std::uint32_t creation,
                                    std::uint32_t flags) {
    if (auto error = m_context.faults.Enter("CreateFileA")) {
        Fail(*error);
        return plat::kInvalidHandleValue;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_opens.push_back(SerialOpenRecord{name ? name : "", access, shareMode, creation, flags});
    const int number = PortNumberOf(name ? name : "");
    auto it = m_ports.find(number);
    if (it == m_ports.end()) {
        Fail(plat::err::kFileNotFound);
        return plat::kInvalidHandleValue;
    }
    // A COM port is never shared: a second open is refused as a busy port.
    if (it->second.busy || it->second.open) {
        Fail(plat::err::kAccessDenied);
        return plat::kInvalidHandleValue;
    }
    it->second.open = true;
    it->second.input.clear();
    it->second.arrived = 0;
    return m_comms.Add(number);
}

bool SimSerial::SetupComm(plat::Handle port, std::uint32_t inQueue, std::uint32_t outQueue) {
    if (auto error = m_context.faults.Enter("SetupComm")) return Fail(*error);
    std::lock_guard<std::mutex> lock(m_mutex);
    Port* p = PortOf(port);
    if (p == nullptr) return false;
    p->settings.inQueue = inQueue;
    p->settings.outQueue = outQueue;
    return true;
}

bool SimSerial::SetCommTimeouts(plat::Handle port, const plat::CommTimeouts& timeouts) {
    if (auto error = m_context.faults.Enter("SetCommTimeouts")) return Fail(*error);
    std::lock_guard<std::mutex> lock(m_mutex);
    Port* p = PortOf(port);
    if (p == nullptr) return false;
    p->settings.timeouts = timeouts;
    return true;
}

bool SimSerial::SetCommMask(plat::Handle port, std::uint32_t mask) {
    if (auto error = m_context.faults.Enter("SetCommMask")) return Fail(*error);
    std::lock_guard<std::mutex> lock(m_mutex);
    Port* p = PortOf(port);
    if (p == nullptr) return false;
    p->settings.mask = mask;
    // As on Windows, a new mask ends a pending wait with an empty event word.
    CompleteWaitLocked(*p, 0, 0);
    return true;
}

bool SimSerial::GetCommMask(plat::Handle port, std::uint32_t* mask) {
    if (auto error = m_context.faults.Enter("GetCommMask")) return Fail(*error);
    std::lock_guard<std::mutex> lock(m_mutex);
    Port* p = PortOf(port);
    if (p == nullptr) return false;
    *mask = p->settings.mask;
    return true;
}

bool SimSerial::GetCommState(plat::Handle port, plat::CommState* state) {
    if (auto error = m_context.faults.Enter("GetCommState")) return Fail(*error);
    std::lock_guard<std::mutex> lock(m_mutex);
    Port* p = PortOf(port);
    if (p == nullptr) return false;
    *state = p->settings.state;
    return true;
}

bool SimSerial::BuildCommDCBA(const char* definition, plat::CommState* state) {
    if (auto error = m_context.faults.Enter("BuildCommDCBA")) return Fail(*error);
    plat::CommState parsed = *state;
    std::istringstream words(definition ? definition : "");
    std::string word;
    bool any = false;
    while (words >> word) {
        const auto eq = word.find('=');
        if (eq == std::string::npos) return Fail(plat::err::kInvalidParameter);
        std::string key = word.substr(0, eq);
        for (char& ch : key) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        if (!ApplySetting(key, word.substr(eq + 1), &parsed)) {
            return Fail(plat::err::kInvalidParameter);
        }
        any = true;
    }
    if (!any) return Fail(plat::err::kInvalidParameter);
    *state = parsed;
    return true;
}

bool SimSerial::SetCommState(plat::Handle port, const plat::CommState& state) {
    if (auto error = m_context.faults.Enter("SetCommState")) return Fail(*error);
    std::lock_guard<std::mutex> lock(m_mutex);
    Port* p = PortOf(port);
    if (p == nullptr) return false;
    if (state.baudRate == 0 || state.byteSize < 5 || state.byteSize > 8) {
        return Fail(plat::err::kInvalidParameter);
    }
    p->settings.state = state;
    return true;
}

bool SimSerial::PurgeComm(plat::Handle port, std::uint32_t flags) {
    if (auto error = m_context.faults.Enter("PurgeComm")) return Fail(*error);
    std::lock_guard<std::mutex> lock(m_mutex);
    Port* p = PortOf(port);
    if (p == nullptr) return false;
    if ((flags & plat::kPurgeRxClear) != 0) {
        p->input.clear();
        p->arrived = 0;
    }
    return true;
}

bool SimSerial::WaitCommEvent(plat::Handle port, std::uint32_t* events,
                              plat::Overlapped* overlapped) {
    if (auto error = m_context.faults.Enter("WaitCommEvent")) return Fail(*error);
    std::lock_guard<std::mutex> lock(m_mutex);
    Port* p = PortOf(port);
    if (p == nullptr) return false;
    ++p->waitCalls;
    if (Event* e = m_events.Find(overlapped->hEvent)) e->signalled = false;
    const std::uint32_t ready = p->arrived & p->settings.mask;
    if (ready != 0) {
        p->arrived = 0;
        *events = ready;
        return true;
    }
    CompleteWaitLocked(*p, 0, plat::err::kOperationAborted);  // one wait at a time
    p->waitOverlapped = overlapped;
    p->waitEvents = events;
    overlapped->internal = kStatusPending;
    if (p->spurious) CompleteWaitLocked(*p, 0, plat::err::kOperationAborted);
    return Fail(plat::err::kIoPending);
}

bool SimSerial::ClearCommError(plat::Handle port, std::uint32_t* errors,
                               plat::CommStatus* status) {
    if (auto error = m_context.faults.Enter("ClearCommError")) return Fail(*error);
    std::lock_guard<std::mutex> lock(m_mutex);
    Port* p = PortOf(port);
    if (p == nullptr) return false;
    if (errors != nullptr) *errors = 0;
    if (status != nullptr) {
        *status = plat::CommStatus{static_cast<std::uint32_t>(p->input.size()), 0};
    }
    return true;
}

bool SimSerial::ReadFile(plat::Handle port, void* buffer, std::uint32_t count,
                         std::uint32_t* read, plat::Overlapped* overlapped) {
    if (auto error = m_context.faults.Enter("ReadFile")) return Fail(*error);
    std::lock_guard<std::mutex> lock(m_mutex);
    Port* p = PortOf(port);
    if (p == nullptr) return false;
    // With nothing queued the read times out at once: success, no byte.
    const std::uint32_t n = std::min<std::uint32_t>(count, static_cast<std::uint32_t>(p->input.size()));
    auto* out = static_cast<std::uint8_t*>(buffer);
    for (std::uint32_t i = 0; i < n; ++i) {
        out[i] = p->input.front();
        p->input.pop_front();
    }
    if (read != nullptr) *read = n;
    if (overlapped != nullptr) {
        overlapped->internal = 0;
        overlapped->internalHigh = n;
        SignalLocked(overlapped->hEvent);
    }
    return true;
}

bool SimSerial::WriteFile(plat::Handle port, const void* buffer, std::uint32_t count,
                          std::uint32_t* written, plat::Overlapped* overlapped) {
    if (auto error = m_context.faults.Enter("WriteFile")) return Fail(*error);
    std::string bytes(static_cast<const char*>(buffer), count);
    SerialPeer peer;
    int number = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        Port* p = PortOf(port);
        if (p == nullptr) return false;
        number = *m_comms.Find(port);
        p->written += bytes;
        peer = p->peer;
        if (written != nullptr) *written = count;
        if (overlapped != nullptr) {
            overlapped->internal = 0;
            overlapped->internalHigh = count;
            SignalLocked(overlapped->hEvent);
        }
    }
    if (peer) {
        const std::string reply = peer(bytes);
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_ports.find(number);
        if (it != m_ports.end() && it->second.open) DeliverLocked(it->second, reply);
    }
    return true;
}

bool SimSerial::GetOverlappedResult(plat::Handle port, plat::Overlapped* overlapped,
                                    std::uint32_t* transferred, bool wait) {
    if (auto error = m_context.faults.Enter("GetOverlappedResult")) return Fail(*error);
    std::unique_lock<std::mutex> lock(m_mutex);
    if (PortOf(port) == nullptr) return false;
    if (overlapped->internal == kStatusPending) {
        if (!wait) return Fail(plat::err::kIoIncomplete);
        // Only a WaitCommEvent stays pending; a bounded wait keeps a test
        // that forgets to end it from hanging.
        m_cv.wait_for(lock, std::chrono::seconds(10),
                      [overlapped] { return overlapped->internal != kStatusPending; });
        if (overlapped->internal == kStatusPending) return Fail(plat::err::kIoIncomplete);
    }
    if (transferred != nullptr) *transferred = static_cast<std::uint32_t>(overlapped->internalHigh);
    if (overlapped->internal != 0) return Fail(static_cast<std::uint32_t>(overlapped->internal));
    return true;
}

bool SimSerial::CloseHandle(plat::Handle handle) {
    if (auto error = m_context.faults.Enter("CloseHandle")) return Fail(*error);
    std::lock_guard<std::mutex> lock(m_mutex);
    if (int* number = m_comms.Find(handle)) {
        Port& p = m_ports[*number];
        CompleteWaitLocked(p, 0, plat::err::kOperationAborted);
        p.open = false;
        p.input.clear();
        m_comms.Remove(handle);
        return true;
    }
    if (m_events.Remove(handle)) return true;
    return Fail(plat::err::kInvalidHandle);
}

plat::Handle SimSerial::CreateEventA(bool manualReset, bool initialState) {
    if (auto error = m_context.faults.Enter("CreateEventA")) {
        Fail(*error);
        return nullptr;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_events.Add(Event{manualReset, initialState});
}

bool SimSerial::SetEvent(plat::Handle event) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_events.Find(event) == nullptr) return Fail(plat::err::kInvalidHandle);
    SignalLocked(event);
    return true;
}

bool SimSerial::ResetEvent(plat::Handle event) {
    std::lock_guard<std::mutex> lock(m_mutex);
    Event* e = m_events.Find(event);
    if (e == nullptr) return Fail(plat::err::kInvalidHandle);
    e->signalled = false;
    return true;
}

std::uint32_t SimSerial::WaitForMultipleObjects(std::uint32_t count, const plat::Handle* handles,
                                                bool waitAll, std::uint32_t timeoutMs) {
    if (auto error = m_context.faults.Enter("WaitForMultipleObjects")) {
        Fail(*error);
        return plat::kWaitFailed;
    }
    if (waitAll || count == 0) {
        Fail(plat::err::kInvalidParameter);  // the installer never waits for all
        return plat::kWaitFailed;
    }
    std::unique_lock<std::mutex> lock(m_mutex);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        for (std::uint32_t i = 0; i < count; ++i) {
            Event* e = m_events.Find(handles[i]);
            if (e == nullptr) {
                Fail(plat::err::kInvalidHandle);
                return plat::kWaitFailed;
            }
            if (e->signalled) {
                if (!e->manualReset) e->signalled = false;
                return plat::kWaitObject0 + i;
            }
        }
        if (m_cv.wait_until(lock, deadline) == std::cv_status::timeout &&
            std::chrono::steady_clock::now() >= deadline) {
            // One last look, so a signal at the deadline is not lost.
            for (std::uint32_t i = 0; i < count; ++i) {
                Event* e = m_events.Find(handles[i]);
                if (e != nullptr && e->signalled) {
                    if (!e->manualReset) e->signalled = false;
                    return plat::kWaitObject0 + i;
                }
            }
            return plat::kWaitTimeout;
        }
    }
}

std::string SimSerial::FormatMessageA(std::uint32_t code) {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_messages.find(code);
    return it == m_messages.end() ? std::string() : it->second;
}

void SimSerial::AddPort(int number, SerialPeer peer) {
    std::lock_guard<std::mutex> lock(m_mutex);
    Port& p = m_ports[number];
    p.peer = std::move(peer);
    p.settings.state.baudRate = 9600;
}

void SimSerial::SetBusy(int number, bool busy) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_ports[number].busy = busy;
}

void SimSerial::SetSpuriousEvents(int number, bool on) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_ports[number].spurious = on;
}

void SimSerial::Deliver(int number, const std::string& bytes) {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_ports.find(number);
    if (it != m_ports.end() && it->second.open) DeliverLocked(it->second, bytes);
}

void SimSerial::SetMessageText(std::uint32_t code, std::string text) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_messages[code] = std::move(text);
}

std::string SimSerial::Written(int number) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_ports.find(number);
    return it == m_ports.end() ? std::string() : it->second.written;
}

SerialPortSettings SimSerial::Settings(int number) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_ports.find(number);
    return it == m_ports.end() ? SerialPortSettings{} : it->second.settings;
}

bool SimSerial::IsOpen(int number) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_ports.find(number);
    return it != m_ports.end() && it->second.open;
}

std::vector<SerialOpenRecord> SimSerial::Opens() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_opens;
}

std::size_t SimSerial::OpenHandleCount() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_comms.Size() + m_events.Size();
}

int SimSerial::WaitCommEventCount(int number) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_ports.find(number);
    return it == m_ports.end() ? 0 : it->second.waitCalls;
}

}  // namespace sim
