// The system's ports and printers as the enumeration reads them: the
// spooler's port and printer records and the serial device map's values all
// come from the input. Every list holds only what belongs in it, whole.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/installer_dlg.h"
#include "platform/sim/sim_ui.h"
#include "platform/sim/sim_windows.h"
#include "ports/port_kinds.h"

namespace {

constexpr const char* kSerialMap = "HARDWARE\\DEVICEMAP\\SERIALCOMM";

// A spooler that lists the records it is given and does nothing else.
class RecordSpooler final : public plat::ISpooler {
public:
    std::vector<plat::PortInfo2> ports;
    std::vector<plat::PrinterInfo2> printers;

    bool EnumPortsA(std::uint32_t, std::vector<plat::PortInfo2>* out) override {
        *out = ports;
        return true;
    }
    bool EnumPrintersA(std::uint32_t, const std::string&, std::uint32_t,
                       std::vector<plat::PrinterInfo2>* out) override {
        *out = printers;
        return true;
    }
    bool AddPortA(plat::WindowHandle, const std::string&) override { return false; }
    bool ConfigurePortA(plat::WindowHandle, const std::string&) override { return false; }
    bool DeletePortA(plat::WindowHandle, const std::string&) override { return false; }
    bool GetPrinterDriverDirectoryA(const std::string&, std::uint32_t, char*, std::uint32_t,
                                    std::uint32_t*) override {
        return false;
    }
    bool AddPrinterDriverExA(std::uint32_t, const plat::DriverInfo3&, std::uint32_t) override { return false; }
    bool DeletePrinterDriverA(const std::string&, const std::string&) override { return false; }
    bool DeleteMonitorA(const std::string&, const std::string&) override { return false; }
    bool AddMonitorA(std::uint32_t, const plat::MonitorInfo2&) override { return false; }
    plat::Handle OpenPrinterA(const std::string&, const plat::PrinterDefaults&) override { return nullptr; }
    bool SetPrinterA(plat::Handle, std::uint32_t, std::uint32_t) override { return false; }
    bool DeletePrinter(plat::Handle) override { return false; }
    bool ClosePrinter(plat::Handle) override { return false; }
    plat::Handle AddPrinterA(std::uint32_t, const plat::PrinterInfo2&) override { return nullptr; }
    bool XcvDataW(plat::Handle, const std::string&, const std::vector<std::uint8_t>&,
                  std::vector<std::uint8_t>*, std::uint32_t*, std::uint32_t*) override {
        return false;
    }
};

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

bool Within(const std::vector<std::string>& part, const std::vector<std::string>& whole) {
    return std::all_of(part.begin(), part.end(), [&](const std::string& name) {
        return std::find(whole.begin(), whole.end(), name) != whole.end();
    });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static sim::SimWindows windows;
    static sim::SimUserInterface ui;
    static RecordSpooler spooler;
    static plat::Platform platform = [] {
        plat::Platform sim = sim::MakePlatform(windows, ui);
        return plat::Platform{spooler, sim.registry, sim.services, sim.files,
                              sim.system, sim.modules, sim.ui, sim.serial};
    }();
    static CInstallerDlg dialog(platform);

    FuzzedDataProvider input(data, size);
    spooler.ports.clear();
    spooler.printers.clear();
    windows.registry().DeleteTree(plat::RootKey::LocalMachine, kSerialMap);
    std::vector<std::string> valueNames;
    while (input.remaining_bytes() > 0) {
        switch (input.ConsumeIntegralInRange(0, 2)) {
            case 0: {
                plat::PortInfo2 port;
                port.portName = input.ConsumeRandomLengthString(40);
                port.description = input.ConsumeRandomLengthString(40);
                spooler.ports.push_back(port);
                break;
            }
            case 1: {
                plat::PrinterInfo2 printer;
                printer.printerName = input.ConsumeRandomLengthString(40);
                printer.portName = input.ConsumeRandomLengthString(40);
                spooler.printers.push_back(printer);
                break;
            }
            default: {
                std::string name = input.ConsumeRandomLengthString(200);
                name = name.substr(0, name.find('\0'));
                const auto type = input.ConsumeIntegralInRange<std::uint32_t>(0, 11);
                const std::string bytes = input.ConsumeRandomLengthString(200);
                windows.registry().SetValue(plat::RootKey::LocalMachine, kSerialMap, name, type,
                                            std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
                break;
            }
        }
    }

    dialog.EnumeratePorts();
    std::vector<std::string> listed;
    for (std::size_t i = 0; i < spooler.ports.size() && i < kMaxPortRecords; ++i) {
        listed.push_back(spooler.ports[i].portName);
    }
    if (dialog.m_saAllPorts != listed) std::abort();
    if (!Within(dialog.m_saUsbPorts, listed) || !Within(dialog.m_saParallelPorts, listed) ||
        !Within(dialog.m_saTcpipPorts, listed)) {
        std::abort();
    }
    for (const std::string& port : dialog.m_saUsbPorts) {
        if (!StartsWith(port, "USB")) std::abort();
    }
    for (const std::string& port : dialog.m_saParallelPorts) {
        if (!StartsWith(port, "LPT") || StartsWith(port, "USB")) std::abort();
    }
    // A serial port is a value under "\Device\", taken whole and without a
    // NUL, with a colon added: at most the 128 bytes of the buffer and the colon.
    for (const std::string& port : dialog.m_saSerialPorts) {
        if (port.empty() || port.back() != ':' || port.find('\0') != std::string::npos ||
            port.size() > 128 + 1) {
            std::abort();
        }
    }

    std::vector<std::string> names, ports;
    const bool any = dialog.ListInstalledPrinters(names, ports);
    if (any != !spooler.printers.empty() || names.size() != spooler.printers.size() ||
        ports.size() != names.size()) {
        std::abort();
    }
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (names[i] != spooler.printers[i].printerName || ports[i] != spooler.printers[i].portName) {
            std::abort();
        }
    }
    return 0;
}
