// Simulated COM ports and events. A port is a queue of bytes that arrive
// from its far end (a test, or a simulated printer that answers what is
// written to it) and a log of what was written. Overlapped calls complete
// at once except WaitCommEvent, which stays pending until a byte arrives,
// the mask changes or the port is closed; WaitForMultipleObjects really
// blocks (bounded by its timeout), so a monitor thread runs as on Windows.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/serial.h"
#include "platform/sim/sim_context.h"
#include "platform/sim/sim_handles.h"

namespace sim {

// The far end of a port: given what was written, returns what it sends back
// (delivered at once). Runs on the writing thread without any lock held.
using SerialPeer = std::function<std::string(const std::string& written)>;

// A printer that answers a status query (DLE EOT n or ESC ! ?) with `reply`.
SerialPeer StatusAnsweringPrinter(std::string reply = std::string(1, '\x12'));

struct SerialOpenRecord {
    std::string name;
    std::uint32_t access = 0;
    std::uint32_t shareMode = 0;
    std::uint32_t creation = 0;
    std::uint32_t flags = 0;
};

struct SerialPortSettings {
    plat::CommState state;
    plat::CommTimeouts timeouts;
    std::uint32_t mask = 0;
    std::uint32_t inQueue = 0;
    std::uint32_t outQueue = 0;
};

class SimSerial final : public plat::ISerial {
public:
    explicit SimSerial(SimContext& context);

    plat::Handle CreateFileA(const char* name, std::uint32_t access, std::uint32_t shareMode,
                             std::uint32_t creation, std::uint32_t flags) override;
    bool SetupComm(plat::Handle port, std::uint32_t inQueue, std::uint32_t outQueue) override;
    bool SetCommTimeouts(plat::Handle port, const plat::CommTimeouts& timeouts) override;
    bool SetCommMask(plat::Handle port, std::uint32_t mask) override;
    bool GetCommMask(plat::Handle port, std::uint32_t* mask) override;
    bool GetCommState(plat::Handle port, plat::CommState* state) override;
    bool BuildCommDCBA(const char* definition, plat::CommState* state) override;
    bool SetCommState(plat::Handle port, const plat::CommState& state) override;
    bool PurgeComm(plat::Handle port, std::uint32_t flags) override;
    bool WaitCommEvent(plat::Handle port, std::uint32_t* events,
                       plat::Overlapped* overlapped) override;
    bool ClearCommError(plat::Handle port, std::uint32_t* errors,
                        plat::CommStatus* status) override;
    bool ReadFile(plat::Handle port, void* buffer, std::uint32_t count, std::uint32_t* read,
                  plat::Overlapped* overlapped) override;
    bool WriteFile(plat::Handle port, const void* buffer, std::uint32_t count,
                   std::uint32_t* written, plat::Overlapped* overlapped) override;
    bool GetOverlappedResult(plat::Handle port, plat::Overlapped* overlapped,
                             std::uint32_t* transferred, bool wait) override;
    bool CloseHandle(plat::Handle handle) override;
    plat::Handle CreateEventA(bool manualReset, bool initialState) override;
    bool SetEvent(plat::Handle event) override;
    bool ResetEvent(plat::Handle event) override;
    std::uint32_t WaitForMultipleObjects(std::uint32_t count, const plat::Handle* handles,
                                         bool waitAll, std::uint32_t timeoutMs) override;
    std::string FormatMessageA(std::uint32_t code) override;

    // ---- Test knobs and views, safe from any thread. ----
    // A port COMn with nothing attached: it takes what is written, answers nothing.
    void AddPort(int number, SerialPeer peer = nullptr);
    // Held by another program: opening it fails with access denied.
    void SetBusy(int number, bool busy);
    // As Wine on a pseudo-terminal: a pending WaitCommEvent completes at
    // once with an empty event word and error 995.
    void SetSpuriousEvents(int number, bool on);
    // Bytes arriving from the far end.
    void Deliver(int number, const std::string& bytes);
    void SetMessageText(std::uint32_t code, std::string text);

    std::string Written(int number) const;
    SerialPortSettings Settings(int number) const;
    bool IsOpen(int number) const;
    std::vector<SerialOpenRecord> Opens() const;
    // Comm and event handles not closed yet.
    std::size_t OpenHandleCount() const;
    // WaitCommEvent calls on the port since it was added.
    int WaitCommEventCount(int number) const;

private:
    struct Port {
        SerialPeer peer;
        bool busy = false;
        bool spurious = false;
        bool open = false;
        std::deque<std::uint8_t> input;
        std::uint32_t arrived = 0;  // events since the last WaitCommEvent
        std::string written;
        SerialPortSettings settings;
        plat::Overlapped* waitOverlapped = nullptr;  // a pending WaitCommEvent
        std::uint32_t* waitEvents = nullptr;
        int waitCalls = 0;
    };
    struct Event {
        bool manualReset = true;
        bool signalled = false;
    };

    bool Fail(std::uint32_t error);
    // The open port behind a comm handle, or null (last error 6).
    Port* PortOf(plat::Handle handle);
    void SignalLocked(plat::Handle event);
    void CompleteWaitLocked(Port& port, std::uint32_t events, std::uint32_t status);
    void DeliverLocked(Port& port, const std::string& bytes);

    SimContext& m_context;
    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    std::map<int, Port> m_ports;
    HandleTable<int> m_comms;  // handle -> port number
    HandleTable<Event> m_events;
    std::vector<SerialOpenRecord> m_opens;
    std::map<std::uint32_t, std::string> m_messages;
};

}  // namespace sim
