#include "serial/serial_channel.h"

#include <chrono>
#include <system_error>

#include "serial/serial_session.h"

CSerialChannel::CSerialChannel(plat::Platform& platform) : m_platform(platform) {}

CSerialChannel::~CSerialChannel() { Close(); }

plat::Handle CSerialChannel::PortHandle() const {
    return m_session ? m_session->m_hPort.load() : nullptr;
}

bool CSerialChannel::Open(plat::IDialogWindow* owner, int portNumber, int baudRate, char parity,
                          int dataBits, int stopBits, std::uint32_t eventMask,
                          int sendBufferSize) {
    // Whatever ran before is stopped and closed first: a new open gets new
    // events, a new lock and a new send buffer.
    Close();
    m_session = std::make_shared<CSerialSession>(m_platform, owner, portNumber, eventMask,
                                                 sendBufferSize);
    if (!m_session->CreateEvents()) return false;
    return m_session->OpenPort(baudRate, parity, dataBits, stopBits);
}

bool CSerialChannel::StartMonitor() {
    if (!m_session || m_session->m_hPort.load() == nullptr || m_pMonitorThread.joinable()) {
        return false;
    }
    // Running from here on, so a Close that comes before the thread's first
    // step still waits for it.
    m_session->m_bMonitorRunning = true;
    try {
        m_pMonitorThread = std::thread([session = m_session] { session->Run(); });
    } catch (const std::system_error&) {
        m_session->m_bMonitorRunning = false;
        return false;
    }
    return true;
}

void CSerialChannel::Send(const std::uint8_t* bytes, int count) {
    if (m_session) m_session->Queue(bytes, count);
}

void CSerialChannel::Close() {
    if (!m_session) return;
    std::shared_ptr<CSerialSession> session = std::move(m_session);
    session->RequestStop();
    if (m_pMonitorThread.joinable()) {
        auto ended = [&session] { return !session->m_bMonitorRunning.load(); };
        // Waiting serves the sends made to this thread meanwhile, so a
        // notification on its way to it cannot deadlock the handshake. A
        // monitor thread that is inside a call to the owner window may be
        // waiting for this very thread further up its stack (a Close from
        // the handler of a notification), and one in its error box waits for
        // the user: after a short wait it is let go and ends on its own,
        // keeping the session alive till then.
        const std::uint32_t bound = session->m_bInBlockingCall.load() ? kStopInCallWaitMs
                                                                      : kStopWaitMs;
        plat::IDialogWindow* owner = session->Owner();
        bool done = false;
        if (owner != nullptr) {
            done = owner->WaitServingSends(ended, bound);
        } else {
            const auto deadline =
                std::chrono::steady_clock::now() + std::chrono::milliseconds(bound);
            while (!(done = ended()) && std::chrono::steady_clock::now() < deadline) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        }
        if (done) {
            m_pMonitorThread.join();
        } else {
            m_pMonitorThread.detach();
        }
    }
    // The last reference closes the port and the events: here, or in the
    // let-go thread when it ends.
}
