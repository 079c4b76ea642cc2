// The system's ports and printers, as the dialog keeps them.
#include <algorithm>
#include <cstring>

#include "app/globals.h"
#include "app/installer_dlg.h"
#include "ports/port_kinds.h"

void CInstallerDlg::EnumeratePorts() {
    m_saAllPorts.clear();
    m_saUsbPorts.clear();
    m_saSerialPorts.clear();
    m_saTcpipPorts.clear();
    m_saParallelPorts.clear();

    ListSerialPorts(m_saSerialPorts);

    std::vector<plat::PortInfo2> records;
    if (!m_platform.spooler.EnumPortsA(2, &records)) records.clear();
    ApplyPortListStyle(m_lstPort);

    SortedPorts sorted = SortPorts(records);
    m_saAllPorts = std::move(sorted.all);
    m_saUsbPorts = std::move(sorted.usb);
    m_saParallelPorts = std::move(sorted.parallel);
    m_saTcpipPorts = std::move(sorted.tcpip);

    m_lstPort.SetItemState(ProposedPortKind(sorted), plat::kLvisSelected,
                           plat::kLvisSelected | plat::kLvisFocused);
    RefreshControls();
}

int CInstallerDlg::ListSerialPorts(std::vector<std::string>& list) {
    list.clear();
    plat::IRegistry& registry = m_platform.registry;
    plat::RegKey key = nullptr;
    if (registry.RegOpenKeyExA(plat::RootKey::LocalMachine, "HARDWARE\\DEVICEMAP\\SERIALCOMM",
                               plat::kKeyRead, &key) != 0) {
        return 0;
    }
    constexpr std::uint32_t kBufferSize = 128;
    constexpr char kDevicePrefix[] = "\\Device\\";
    // The bound only guards against a key that never reports its end.
    for (std::uint32_t index = 0; index < 65536; ++index) {
        char name[kBufferSize] = {};
        std::uint8_t data[kBufferSize] = {};
        std::uint32_t nameLength = kBufferSize;
        std::uint32_t dataSize = kBufferSize;
        std::uint32_t type = 0;
        long result = registry.RegEnumValueA(key, index, name, &nameLength, &type, data, &dataSize);
        if (result == static_cast<long>(plat::err::kNoMoreItems)) break;
        // A name or port that does not fit is passed over, never taken half.
        if (result == static_cast<long>(plat::err::kMoreData)) continue;
        if (result != 0) break;
        const std::size_t nameSize = std::min<std::size_t>(nameLength, kBufferSize);
        if (std::string(name, strnlen(name, nameSize))
                .compare(0, sizeof kDevicePrefix - 1, kDevicePrefix) != 0) {
            continue;
        }
        const char* text = reinterpret_cast<const char*>(data);
        const std::size_t dataLength = std::min<std::size_t>(dataSize, kBufferSize);
        list.push_back(std::string(text, strnlen(text, dataLength)) + ":");
    }
    registry.RegCloseKey(key);
    return list.empty() ? 0 : 1;
}

bool CInstallerDlg::ListInstalledPrinters(std::vector<std::string>& names,
                                          std::vector<std::string>& ports) {
    std::vector<plat::PrinterInfo2> printers;
    if (!m_platform.spooler.EnumPrintersA(plat::kPrinterEnumLocal | plat::kPrinterEnumConnections,
                                          "", 2, &printers)) {
        return false;
    }
    names.clear();
    ports.clear();
    for (const plat::PrinterInfo2& printer : printers) {
        names.push_back(printer.printerName);
        ports.push_back(printer.portName);
    }
    return !printers.empty();
}
