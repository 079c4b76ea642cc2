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

PortClass ClassifyPort(const std::string& name, const std::string& description) {
    if (StartsWith(name, "USB")) return PortClass::kUsb;
    if (description == kTcpipDescription || description == kTcpipDescriptionChinese) {
        return PortClass::kTcpip;
    }
    if (StartsWith(name, "LPT")) return PortClass::kParallel;
    return PortClass::kOther;
}

SortedPorts SortPorts(const std::vector<plat::PortInfo2>& records) {
    SortedPorts ports;
    const std::size_t count = records.size() < kMaxPortRecords ? records.size() : kMaxPortRecords;
    for (std::size_t i = 0; i < count; ++i) {
        const std::string& name = records[i].portName;
        if (StartsWith(name, "COM")) ++ports.comCount;
        if (StartsWith(name, "LPT")) ++ports.lptCount;
        if (StartsWith(name, "FILE")) ++ports.fileCount;
        if (StartsWith(name, "USB")) ++ports.usbCount;

        switch (ClassifyPort(name, records[i].description)) {
        case PortClass::kUsb: ports.usb.push_back(name); break;
        case PortClass::kTcpip: ports.tcpip.push_back(name); break;
        case PortClass::kParallel: ports.parallel.push_back(name); break;
        case PortClass::kOther: break;
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
