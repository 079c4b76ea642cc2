#include <cstring>

#include "ports/port_kinds.h"

const PortKindRow kPortKinds[kPortKindCount] = {
    {"Serial port", "The program will select a available serial port during installation"},
    {"USB port", "The program will select a available USB port automatically"},
    {"Parallel port", "The program will prompt you to select a parallel port during installation"},
    {"TCP/IP port", "The program will prompt you to create a TCP/IP port or configure"},
};

namespace {
bool StartsWith(const std::string& text, const char* prefix) {
    return text.compare(0, std::strlen(prefix), prefix) == 0;
}
}  // namespace

SortedPorts SortPorts(const std::vector<plat::PortInfo2>& records) {
    SortedPorts ports;
    const std::size_t count = records.size() < kMaxPortRecords ? records.size() : kMaxPortRecords;
    for (std::size_t i = 0; i < count; ++i) {
        const std::string& name = records[i].portName;
        const std::string& description = records[i].description;
        if (StartsWith(name, "COM")) ++ports.comCount;
        if (StartsWith(name, "LPT")) ++ports.lptCount;
        if (StartsWith(name, "FILE")) ++ports.fileCount;
        if (StartsWith(name, "USB")) ++ports.usbCount;

        if (StartsWith(name, "USB")) {
            ports.usb.push_back(name);
        } else if (description == kTcpipDescription || description == kTcpipDescriptionChinese) {
            ports.tcpip.push_back(name);
        } else if (StartsWith(name, "LPT")) {
            ports.parallel.push_back(name);
        }
        ports.all.push_back(name);
    }
    return ports;
}

int ProposedPortKind(const SortedPorts& ports) {
    if (ports.usbCount > 0) return kPortUsb;
    if (ports.comCount > 0) return kPortSerial;
    if (ports.lptCount > 0) return kPortParallel;
    if (ports.fileCount > 0) return kPortTcpip;
    return kPortUsb;
}
