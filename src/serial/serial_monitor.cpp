// The monitor thread of a serial channel: waits for port events, writes
// queued bytes and reports what arrives to the owner window.
#include <cstdio>

#include "app/box_texts.h"
#include "serial/serial_messages.h"
#include "serial/serial_session.h"

void CSerialSession::Run() {
    const plat::Handle port = m_hPort.load();
    if (port != nullptr) m_serial.PurgeComm(port, plat::kPurgeAll);
    bool waitPending = false;
    int immediate = 0;
    int empty = 0;
    while (!m_bStopRequested.load()) {
        if (empty >= kEmptyEventsBeforePolling) {
            // This port's events carry nothing (Wine on a pseudo-terminal),
            // and arming a wait costs more than looking: look at the input
            // queue after each pause instead.
            if (!Pause(kSpuriousPauseMs)) break;
            if (InputQueued()) DispatchPortEvent();
            continue;
        }
        if (!waitPending) {
            m_dwEvents = 0;
            if (m_serial.WaitCommEvent(port, &m_dwEvents, &m_overlapped)) {
                plat::CommStatus status;
                std::uint32_t errors = 0;
                const bool known = m_serial.ClearCommError(port, &errors, &status);
                // Nothing queued: wait again at once, but rest after a run
                // of such completions rather than spin on them.
                if (known && status.cbInQue == 0) {
                    if (++immediate > kImmediateRearms) {
                        immediate = 0;
                        if (!Pause(kSpuriousPauseMs)) break;
                    }
                    continue;
                }
                immediate = 0;
                DispatchPortEvent();
                continue;
            }
            immediate = 0;
            if (m_system.GetLastError() != plat::err::kIoPending) {
                // A wait that cannot even start is not reported; looking
                // again at once would only fail again at once.
                if (!Pause(kSpuriousPauseMs)) break;
                continue;
            }
            waitPending = true;
        }
        const std::uint32_t result =
            m_serial.WaitForMultipleObjects(3, m_waitHandles, false, kWaitSliceMs);
        if (result == plat::kWaitObject0) break;
        if (result == plat::kWaitObject0 + 1) {
            waitPending = false;
            std::uint32_t transferred = 0;
            const bool completed =
                m_serial.GetOverlappedResult(port, &m_overlapped, &transferred, false);
            if (completed && m_dwEvents != 0) {
                empty = 0;
                DispatchPortEvent();
            } else {
                // An event without any event in it, as Wine gives many times
                // a second on a pseudo-terminal: take a byte that may wait
                // all the same, then rest before waiting again.
                ++empty;
                ReceiveBytes();
                if (!Pause(kSpuriousPauseMs)) break;
            }
        } else if (result == plat::kWaitObject0 + 2) {
            SendPending();
        } else if (result == plat::kWaitFailed) {
            if (!Pause(kSpuriousPauseMs)) break;
        }
    }
    // Closing the port also ends a wait still pending on m_overlapped.
    const plat::Handle closing = m_hPort.exchange(nullptr);
    if (closing != nullptr) m_serial.CloseHandle(closing);
    m_bMonitorRunning = false;
}

bool CSerialSession::Pause(std::uint32_t ms) {
    const plat::Handle handles[2] = {m_hStopEvent, m_hSendEvent};
    const std::uint32_t result = m_serial.WaitForMultipleObjects(2, handles, false, ms);
    if (result == plat::kWaitObject0 || m_bStopRequested.load()) return false;
    if (result == plat::kWaitObject0 + 1) SendPending();
    return true;
}

bool CSerialSession::InputQueued() {
    plat::CommStatus status;
    std::uint32_t errors = 0;
    std::lock_guard<std::mutex> lock(m_lock);
    return m_serial.ClearCommError(m_hPort.load(), &errors, &status) && status.cbInQue > 0;
}

void CSerialSession::DispatchPortEvent() {
    // The mask read back is the one Open set, not the events that occurred:
    // every kind enabled at open is handled on every port event.
    std::uint32_t mask = 0;
    if (!m_serial.GetCommMask(m_hPort.load(), &mask)) return;
    if ((mask & plat::kEvRxChar) != 0) ReceiveBytes();
    if ((mask & plat::kEvCts) != 0) Notify(WM_SERIAL_CTS, 0);
    if ((mask & plat::kEvBreak) != 0) Notify(WM_SERIAL_BREAK, 0);
    if ((mask & plat::kEvErr) != 0) Notify(WM_SERIAL_LINE_ERROR, 0);
    if ((mask & plat::kEvRing) != 0) Notify(WM_SERIAL_RING, 0);
    if ((mask & plat::kEvRxFlag) != 0) Notify(WM_SERIAL_EVENT_CHAR, 0);
}

void CSerialSession::ReceiveBytes() {
    const plat::Handle port = m_hPort.load();
    // One byte per pass, each handled by the owner before the next is read.
    // A stop ends even a port that never falls silent.
    while (!m_bStopRequested.load()) {
        plat::CommStatus status;
        std::uint32_t errors = 0;
        bool known = false;
        {
            std::lock_guard<std::mutex> lock(m_lock);
            known = m_serial.ClearCommError(port, &errors, &status);
        }
        if (!known || status.cbInQue == 0) return;

        std::uint8_t byte = 0;
        std::uint32_t read = 0;
        {
            std::lock_guard<std::mutex> lock(m_lock);
            if (m_serial.ReadFile(port, &byte, 1, &read, &m_overlapped)) {
                // the byte is there
            } else if (m_system.GetLastError() == plat::err::kIoPending) {
                if (!m_serial.GetOverlappedResult(port, &m_overlapped, &read, true)) {
                    read = 0;
                    ReportError("GetOverlappedResults() in ReadFile()");
                }
            } else {
                read = 0;
                ReportError("ReadFile()");
            }
        }
        // A read that brought nothing ends the pass: the queue count it was
        // based on is stale, and reading again at once would only spin.
        if (read != 1) return;
        Notify(WM_SERIAL_BYTE, byte);
    }
}

void CSerialSession::SendPending() {
    m_serial.ResetEvent(m_hSendEvent);
    std::vector<std::uint8_t> bytes;
    {
        std::lock_guard<std::mutex> lock(m_bufferLock);
        if (!m_bSendQueued) return;
        bytes.swap(m_pSendBuffer);
        m_bSendQueued = false;
    }
    const plat::Handle port = m_hPort.load();
    std::lock_guard<std::mutex> lock(m_lock);
    m_writeOverlapped.offset = 0;
    m_writeOverlapped.offsetHigh = 0;
    // Whatever is still queued either way, unread replies included, goes
    // before every send: what comes back answers this one.
    m_serial.PurgeComm(port, plat::kPurgeAll);
    std::uint32_t written = 0;
    if (!m_serial.WriteFile(port, bytes.data(), static_cast<std::uint32_t>(bytes.size()),
                            &written, &m_writeOverlapped)) {
        if (m_system.GetLastError() == plat::err::kIoPending) {
            // Bounded by the write timeouts set at open.
            m_serial.GetOverlappedResult(port, &m_writeOverlapped, &written, true);
        } else {
            ReportError("WriteFile()");
        }
    }
}

void CSerialSession::Notify(std::uint32_t msg, std::uintptr_t wParam) {
    if (m_pOwnerWnd == nullptr) return;
    m_bInBlockingCall = true;
    // A channel being closed tells its owner nothing more, so nothing of it
    // reaches the window once Close has returned. The flag is set first:
    // a stop asked for after this look waits for the send it lets through.
    if (!m_bStopRequested.load()) m_pOwnerWnd->SendMessageA(msg, wParam, m_nPortNumber);
    m_bInBlockingCall = false;
}

void CSerialSession::ReportError(const char* operation) {
    const std::uint32_t code = m_system.GetLastError();
    const std::string systemText = m_serial.FormatMessageA(code);
    // snprintf never writes past the buffer: a long system text is cut.
    char report[kReportSize];
    std::snprintf(report, sizeof report,
                  "WARNING:  %s Failed with the following error: \n%s\nPort: %d\n", operation,
                  systemText.c_str(), m_nPortNumber);
    // A box of its own, owned by no window: the owner's thread never waits
    // in it for this thread, and a let-go thread's box outlives no window.
    m_bInBlockingCall = true;
    m_ui.MessageBoxA(report, kSerialErrorCaption, plat::kMbIconError);
    m_bInBlockingCall = false;
}
