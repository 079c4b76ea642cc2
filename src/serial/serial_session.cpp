#include "serial/serial_session.h"

#include <algorithm>
#include <cstdio>

#include "serial/serial_channel.h"

CSerialSession::CSerialSession(plat::Platform& platform, plat::IDialogWindow* owner,
                               int portNumber, std::uint32_t eventMask, int sendBufferSize)
    : m_serial(platform.serial),
      m_system(platform.system),
      m_ui(platform.ui),
      m_pOwnerWnd(owner),
      m_nPortNumber(portNumber),
      m_dwEventMask(eventMask),
      m_nSendBufferSize(static_cast<std::size_t>(std::max(sendBufferSize, 0))) {
    m_pSendBuffer.reserve(m_nSendBufferSize);
}

CSerialSession::~CSerialSession() {
    for (plat::Handle handle : {m_hPort.exchange(nullptr), m_hStopEvent, m_overlapped.hEvent,
                                m_hSendEvent, m_hWriteEvent}) {
        if (handle != nullptr && handle != plat::kInvalidHandleValue) m_serial.CloseHandle(handle);
    }
}

bool CSerialSession::CreateEvents() {
    m_overlapped.hEvent = m_serial.CreateEventA(true, false);
    m_hSendEvent = m_serial.CreateEventA(true, false);
    m_hStopEvent = m_serial.CreateEventA(true, false);
    m_hWriteEvent = m_serial.CreateEventA(true, false);
    m_writeOverlapped.hEvent = m_hWriteEvent;
    m_waitHandles[0] = m_hStopEvent;
    m_waitHandles[1] = m_overlapped.hEvent;
    m_waitHandles[2] = m_hSendEvent;
    return m_overlapped.hEvent != nullptr && m_hSendEvent != nullptr && m_hStopEvent != nullptr &&
           m_hWriteEvent != nullptr;
}

bool CSerialSession::OpenPort(int baudRate, char parity, int dataBits, int stopBits) {
    std::lock_guard<std::mutex> lock(m_lock);
    // The \\.\ form for every number: COM10 and up can be opened no other way.
    char device[50];
    char settings[50];
    std::snprintf(device, sizeof device, "\\\\.\\COM%d", m_nPortNumber);
    std::snprintf(settings, sizeof settings, "baud=%d parity=%c data=%d stop=%d", baudRate, parity,
                  dataBits, stopBits);

    const plat::Handle port =
        m_serial.CreateFileA(device, plat::kGenericRead | plat::kGenericWrite, 0,
                             plat::kOpenExisting, plat::kFileFlagOverlapped);
    if (port == plat::kInvalidHandleValue) return false;
    m_hPort = port;

    if (!m_serial.SetupComm(port, CSerialChannel::kQueueSize, CSerialChannel::kQueueSize)) {
        return false;
    }
    // A one-byte read gives up after 2 s, a write of n bytes after n + 1 s.
    m_timeouts = plat::CommTimeouts{};
    m_timeouts.readIntervalTimeout = CSerialChannel::kTimeoutMs;
    m_timeouts.readTotalTimeoutMultiplier = CSerialChannel::kTimeoutMs;
    m_timeouts.readTotalTimeoutConstant = CSerialChannel::kTimeoutMs;
    m_timeouts.writeTotalTimeoutMultiplier = CSerialChannel::kTimeoutMs;
    m_timeouts.writeTotalTimeoutConstant = CSerialChannel::kTimeoutMs;
    if (!m_serial.SetCommTimeouts(port, m_timeouts)) return false;
    if (!m_serial.SetCommMask(port, m_dwEventMask)) return false;
    if (!m_serial.GetCommState(port, &m_lineSettings)) return false;
    m_lineSettings.evtChar = CSerialChannel::kEventChar;
    m_lineSettings.fRtsControl = plat::kRtsControlEnable;
    // Baud rate, parity, byte size and stop bits come from the text; the
    // rest stays as read.
    if (!m_serial.BuildCommDCBA(settings, &m_lineSettings)) return false;
    if (!m_serial.SetCommState(port, m_lineSettings)) return false;
    return m_serial.PurgeComm(port, plat::kPurgeAll);
}

void CSerialSession::Queue(const std::uint8_t* bytes, int count) {
    const std::size_t n = std::min(static_cast<std::size_t>(std::max(count, 0)), m_nSendBufferSize);
    {
        std::lock_guard<std::mutex> lock(m_bufferLock);
        m_pSendBuffer.assign(bytes, bytes + n);
        m_bSendQueued = true;
    }
    if (m_hSendEvent != nullptr) m_serial.SetEvent(m_hSendEvent);
}

void CSerialSession::RequestStop() {
    m_bStopRequested = true;
    if (m_hStopEvent != nullptr) m_serial.SetEvent(m_hStopEvent);
}
