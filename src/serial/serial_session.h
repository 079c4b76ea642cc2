// The state of one opened port and the monitor thread that serves it.
// Shared by the channel and the thread; whichever lets go last closes what
// is still open.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/platform.h"

class CSerialSession {
public:
    // While no port event is real (Wine fires empty ones every few
    // milliseconds), the thread looks again only after this pause.
    static constexpr std::uint32_t kSpuriousPauseMs = 30;
    // The longest single wait of the monitor thread; it then waits again.
    static constexpr std::uint32_t kWaitSliceMs = 1000;
    // Immediate completions of WaitCommEvent with nothing queued that are
    // re-armed at once before the thread pauses.
    static constexpr int kImmediateRearms = 8;
    // Empty port events in a row after which the thread stops arming waits
    // and looks at the input queue after each pause instead: under Wine
    // every wait armed costs milliseconds of processor time.
    static constexpr int kEmptyEventsBeforePolling = 1;
    // Capacity of an error report, terminating zero included.
    static constexpr std::size_t kReportSize = 200;

    CSerialSession(plat::Platform& platform, plat::IDialogWindow* owner, int portNumber,
                   std::uint32_t eventMask, int sendBufferSize);
    ~CSerialSession();
    CSerialSession(const CSerialSession&) = delete;
    CSerialSession& operator=(const CSerialSession&) = delete;

    // Creates the three events; false when one cannot be made.
    bool CreateEvents();
    // Open's steps 5 to 14: the device and its settings.
    bool OpenPort(int baudRate, char parity, int dataBits, int stopBits);
    // The monitor thread's body.
    void Run();
    void Queue(const std::uint8_t* bytes, int count);
    void RequestStop();
    plat::IDialogWindow* Owner() const { return m_pOwnerWnd; }

    std::atomic<plat::Handle> m_hPort{nullptr};
    std::atomic<bool> m_bMonitorRunning{false};
    // Set while the monitor thread waits for another thread or the user: in
    // a call to the owner window, or in its error box.
    std::atomic<bool> m_bInBlockingCall{false};

private:
    void ReceiveBytes();
    // Whether the driver holds received bytes.
    bool InputQueued();
    void SendPending();
    void DispatchPortEvent();
    // Waits on the stop and send events only; false when stop was asked.
    bool Pause(std::uint32_t ms);
    void Notify(std::uint32_t msg, std::uintptr_t wParam);
    void ReportError(const char* operation);

    plat::ISerial& m_serial;
    plat::ISystem& m_system;
    plat::IUserInterface& m_ui;
    plat::IDialogWindow* const m_pOwnerWnd;
    const int m_nPortNumber;
    const std::uint32_t m_dwEventMask;
    std::atomic<bool> m_bStopRequested{false};
    // Serialises the port calls of OpenPort, ReceiveBytes and SendPending.
    std::mutex m_lock;
    plat::Handle m_hSendEvent = nullptr;
    plat::Handle m_hStopEvent = nullptr;
    plat::Handle m_hWriteEvent = nullptr;
    // Stop, port event, send: the order decides which wins when several
    // are signalled together.
    plat::Handle m_waitHandles[3] = {};
    // The pending WaitCommEvent and the reads after it; the event word is
    // filled in by the system while the wait is pending.
    plat::Overlapped m_overlapped;
    std::uint32_t m_dwEvents = 0;
    // Writes have their own record, so a write never overwrites the one a
    // pending wait still uses.
    plat::Overlapped m_writeOverlapped;
    plat::CommTimeouts m_timeouts;
    plat::CommState m_lineSettings;
    // Send fills it, SendPending takes it out; guarded by m_bufferLock.
    std::mutex m_bufferLock;
    std::vector<std::uint8_t> m_pSendBuffer;
    bool m_bSendQueued = false;
    const std::size_t m_nSendBufferSize;
};
