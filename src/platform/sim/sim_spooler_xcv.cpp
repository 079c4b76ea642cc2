// The port monitors' own interface of the simulated spooler: the standard
// TCP/IP monitor adds ports and tells their settings through XcvDataW.
#include <algorithm>

#include "platform/sim/sim_spooler.h"

namespace sim {

namespace {
constexpr std::uint32_t kPortTypeReadWrite = 0x3;
}  // namespace

bool SimSpooler::OpenXcv(const std::string& name, PrinterHandle* handle) {
    if (IStartsWith(name, plat::kXcvMonitorPrefix)) {
        const std::string monitor = name.substr(std::string(plat::kXcvMonitorPrefix).size());
        const bool known = std::any_of(m_monitors.begin(), m_monitors.end(), [&](const MonitorRecord& m) {
            return m.portMonitor && IEquals(m.info.name, monitor);
        });
        // Wine has no TCP/IP monitor to open.
        if (!known || (m_quirks.noTcpipMonitor && IEquals(monitor, kTcpipPortMonitor))) {
            return Fail(plat::err::kInvalidPrinterName);
        }
        handle->xcvMonitor = monitor;
        return true;
    }
    if (IStartsWith(name, plat::kXcvPortPrefix)) {
        const std::string port = name.substr(std::string(plat::kXcvPortPrefix).size());
        if (!FindPort(port)) return Fail(plat::err::kInvalidPrinterName);
        handle->xcvPort = port;
        return true;
    }
    return Fail(plat::err::kInvalidPrinterName);
}

bool SimSpooler::XcvDataW(plat::Handle xcv, const std::string& dataName,
                          const std::vector<std::uint8_t>& input, std::vector<std::uint8_t>* output,
                          std::uint32_t* needed, std::uint32_t* status) {
    if (!Enter("XcvDataW", dataName)) return false;
    SimLock lock(m_context.mutex);
    const PrinterHandle* handle = m_handles.Find(xcv);
    if (handle == nullptr || (handle->xcvMonitor.empty() && handle->xcvPort.empty())) {
        return Fail(plat::err::kInvalidHandle);
    }
    *needed = 0;
    *status = plat::err::kNotSupported;
    if (dataName == plat::kXcvAddPort && IEquals(handle->xcvMonitor, kTcpipPortMonitor)) {
        const std::optional<plat::TcpipPortData> data = plat::UnpackPortData1(input);
        if (!data || data->portName.empty() || data->hostAddress.empty()) {
            *status = plat::err::kInvalidParameter;
        } else if (FindPort(data->portName)) {
            *status = plat::err::kAlreadyExists;
        } else {
            m_ports.push_back(PortRecord{
                plat::PortInfo2{data->portName, kTcpipPortMonitor, kTcpipPortMonitor, kPortTypeReadWrite},
                data});
            *status = 0;
        }
        return true;
    }
    if (dataName == plat::kXcvGetConfigInfo && !handle->xcvPort.empty()) {
        const std::optional<plat::TcpipPortData> data = TcpipPort(handle->xcvPort);
        if (!data) return true;
        const std::vector<std::uint8_t> record = plat::PackPortData1(*data);
        *needed = static_cast<std::uint32_t>(record.size());
        if (output->size() < record.size()) {
            *status = plat::err::kInsufficientBuffer;
            return true;
        }
        std::copy(record.begin(), record.end(), output->begin());
        *status = 0;
    }
    return true;
}

void SimSpooler::AddTcpipPort(const plat::TcpipPortData& data) {
    SimLock lock(m_context.mutex);
    RemovePort(data.portName);
    m_ports.push_back(PortRecord{
        plat::PortInfo2{data.portName, kTcpipPortMonitor, kTcpipPortMonitor, kPortTypeReadWrite}, data});
}

std::optional<plat::TcpipPortData> SimSpooler::TcpipPort(const std::string& name) const {
    SimLock lock(m_context.mutex);
    for (const PortRecord& port : m_ports) {
        if (IEquals(port.info.portName, name)) return port.tcpip;
    }
    return std::nullopt;
}

}  // namespace sim
