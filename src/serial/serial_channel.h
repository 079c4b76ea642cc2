// One COM port opened for overlapped I/O, with a monitor thread that writes
// queued bytes and reports every received byte, and every enabled line
// event, to an owner window by synchronous messages.
#pragma once

#include <cstdint>
#include <memory>
#include <thread>

#include "platform/platform.h"

class CSerialSession;

class CSerialChannel {
public:
    // Bytes of each queue of the port driver.
    static constexpr std::uint32_t kQueueSize = 2048;
    // Every read, interval and write timeout of the port.
    static constexpr std::uint32_t kTimeoutMs = 1000;
    // The character whose arrival is the port's EV_RXFLAG event.
    static constexpr char kEventChar = 'q';
    // How long Close waits for the monitor thread to end.
    static constexpr std::uint32_t kStopWaitMs = 10000;
    // ... and how long when the thread is inside a call to the owner or in
    // its error box.
    static constexpr std::uint32_t kStopInCallWaitMs = 250;

    explicit CSerialChannel(plat::Platform& platform);
    // Stops the monitor thread and releases the port, as Close does.
    virtual ~CSerialChannel();
    CSerialChannel(const CSerialChannel&) = delete;
    CSerialChannel& operator=(const CSerialChannel&) = delete;

    // Stops any earlier monitor thread and port, then opens "\\.\COM<port>"
    // and configures it: queues, timeouts, event mask, line settings (parity
    // one of N, E, O, M, S as BuildCommDCBA reads it), event character 'q',
    // RTS on, both directions purged. True when the port is open and
    // configured; a failure is silent and a port handle already obtained is
    // kept until the next Close or Open.
    bool Open(plat::IDialogWindow* owner, int portNumber, int baudRate, char parity, int dataBits,
              int stopBits, std::uint32_t eventMask, int sendBufferSize);
    // Starts the monitor thread on the open port; true when it runs.
    bool StartMonitor();
    // Queues `count` bytes (at most the send-buffer size; more are cut) for
    // the monitor thread to write. Safe while an earlier send is written.
    void Send(const std::uint8_t* bytes, int count);
    // Stops the monitor thread and closes the port and the events.
    void Close();

    // The open port (m_hPort): non-null while the channel holds one.
    plat::Handle PortHandle() const;

private:
    plat::Platform& m_platform;
    // What the monitor thread shares with the channel. The thread keeps its
    // own reference, so a thread that cannot be waited for (it is delivering
    // a notification to the thread that closes) ends on its own later
    // without touching the channel.
    std::shared_ptr<CSerialSession> m_session;
    std::thread m_pMonitorThread;
};
