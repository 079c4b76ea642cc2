// What an installation left in the prefix, read through the spooler and the
// registry, and a stand-in for a printer that answers on one USB port.
#pragma once

#include <windows.h>

#include <atomic>
#include <optional>
#include <string>
#include <thread>

namespace e2e {

struct PrinterView {
    std::string port;
    std::string driver;
};

// The printer named `name` as the spooler reports it, or nullopt.
std::optional<PrinterView> ReadPrinter(const std::string& name);
// Removes the printer named `name`; true when there is none afterwards.
bool RemovePrinter(const std::string& name);
std::optional<std::string> ReadRegistryString(HKEY root, const std::string& key,
                                              const std::string& value);
bool FileExists(const std::string& path);

// Waits until `window`'s text is `text`; true when it was within `timeoutMs`.
bool WaitForWindowText(HWND window, const std::string& text, DWORD timeoutMs);

// While it lives, plays a printer connected to `port`: whenever the printer
// named `printer` is on that port, its "PrinterOnLine" flag in the current
// hardware profile reads 1, as the spooler would report a printer that
// answers. Volatile, as that part of Wine's registry is.
class OnlinePrinter {
public:
    OnlinePrinter(std::string printer, std::string port);
    ~OnlinePrinter();
    OnlinePrinter(const OnlinePrinter&) = delete;
    OnlinePrinter& operator=(const OnlinePrinter&) = delete;

private:
    void Run();

    std::string printer_;
    std::string port_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace e2e
