#include "unattended/tcpip_port.h"

#include <optional>
#include <vector>

#include "platform/tcpip_port_data.h"
#include "ports/port_kinds.h"
#include "unattended/printer_request.h"

namespace {

constexpr const char* kTcpipMonitor = "Standard TCP/IP Port";
// Suffixes tried when the port's name is taken.
constexpr int kMaxSuffix = 9;

// A printer handle closed when it goes.
class Xcv {
public:
    Xcv(plat::ISpooler& spooler, const std::string& name)
        : m_spooler(spooler),
          m_handle(spooler.OpenPrinterA(name, plat::PrinterDefaults{"", plat::kServerAccessAdminister})) {}
    ~Xcv() {
        if (m_handle != nullptr) m_spooler.ClosePrinter(m_handle);
    }
    Xcv(const Xcv&) = delete;
    Xcv& operator=(const Xcv&) = delete;
    plat::Handle get() const { return m_handle; }

private:
    plat::ISpooler& m_spooler;
    plat::Handle m_handle;
};

// The settings of TCP/IP port `name`; nullopt when the monitor does not
// tell them.
std::optional<plat::TcpipPortData> ReadSettings(plat::ISpooler& spooler, const std::string& name) {
    Xcv xcv(spooler, plat::kXcvPortPrefix + name);
    if (xcv.get() == nullptr) return std::nullopt;
    std::vector<std::uint8_t> output(plat::port_data_1::kRecordSize, 0);
    std::uint32_t needed = 0;
    std::uint32_t status = 0;
    if (!spooler.XcvDataW(xcv.get(), plat::kXcvGetConfigInfo, plat::PackConfigInfoData1(), &output, &needed,
                          &status) ||
        status != 0) {
        return std::nullopt;
    }
    return plat::UnpackPortData1(output);
}

}  // namespace

TcpipPortFound FindOrAddTcpipPort(plat::ISpooler& spooler, plat::ISystem& system, const std::string& host,
                                  std::uint32_t port) {
    std::vector<plat::PortInfo2> ports;
    if (!spooler.EnumPortsA(2, &ports)) {
        return {"", false, "the ports could not be listed (error " + std::to_string(system.GetLastError()) + ")"};
    }
    const std::string wanted = TcpipPortNameFor(host, port);
    for (const plat::PortInfo2& record : ports) {
        if (ClassifyPort(record.portName, record.description) != PortClass::kTcpip) continue;
        const std::optional<plat::TcpipPortData> settings = ReadSettings(spooler, record.portName);
        if (settings ? SameText(settings->hostAddress, host) && settings->portNumber == port
                     : SameText(record.portName, wanted)) {
            return {record.portName, false, ""};
        }
    }

    std::string name = wanted;
    auto taken = [&](const std::string& candidate) {
        for (const plat::PortInfo2& record : ports) {
            if (SameText(record.portName, candidate)) return true;
        }
        return false;
    };
    for (int suffix = 1; taken(name); ++suffix) {
        if (suffix > kMaxSuffix) return {"", false, "the names " + wanted + " to " + name + " are all taken"};
        name = wanted + "_" + std::to_string(suffix);
    }

    Xcv monitor(spooler, std::string(plat::kXcvMonitorPrefix) + kTcpipMonitor);
    if (monitor.get() == nullptr) {
        return {"", false, "the \"" + std::string(kTcpipMonitor) + "\" monitor cannot be reached (error " +
                               std::to_string(system.GetLastError()) + ")"};
    }
    std::vector<std::uint8_t> none;
    std::uint32_t needed = 0;
    std::uint32_t status = 0;
    const plat::TcpipPortData data{name, host, port, plat::kTcpipProtocolRaw};
    if (!spooler.XcvDataW(monitor.get(), plat::kXcvAddPort, plat::PackPortData1(data), &none, &needed, &status)) {
        return {"", false, "the spooler refused to ask the monitor for the port (error " +
                               std::to_string(system.GetLastError()) + ")"};
    }
    if (status != 0) return {"", false, "the monitor refused the port (error " + std::to_string(status) + ")"};
    return {name, true, ""};
}
