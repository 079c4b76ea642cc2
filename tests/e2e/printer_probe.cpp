#include "printer_probe.h"

#include <winspool.h>

#include <vector>

namespace e2e {

namespace {
constexpr char kPrintersKey[] = "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\";
}  // namespace

std::optional<PrinterView> ReadPrinter(const std::string& name) {
    HANDLE printer = nullptr;
    if (!OpenPrinterA(const_cast<char*>(name.c_str()), &printer, nullptr)) return std::nullopt;
    DWORD needed = 0;
    GetPrinterA(printer, 2, nullptr, 0, &needed);
    std::vector<BYTE> buffer(needed != 0 ? needed : 1);
    std::optional<PrinterView> view;
    if (needed != 0 && GetPrinterA(printer, 2, buffer.data(), needed, &needed)) {
        const auto* info = reinterpret_cast<const PRINTER_INFO_2A*>(buffer.data());
        view = PrinterView{info->pPortName ? info->pPortName : "",
                           info->pDriverName ? info->pDriverName : ""};
    }
    ClosePrinter(printer);
    return view;
}

bool RemovePrinter(const std::string& name) {
    HANDLE printer = nullptr;
    PRINTER_DEFAULTSA defaults{nullptr, nullptr, PRINTER_ALL_ACCESS};
    if (!OpenPrinterA(const_cast<char*>(name.c_str()), &printer, &defaults)) return true;
    DeletePrinter(printer);
    ClosePrinter(printer);
    return !ReadPrinter(name).has_value();
}

std::optional<std::string> ReadRegistryString(HKEY root, const std::string& key,
                                              const std::string& value) {
    char data[512] = {};
    DWORD size = sizeof data - 1;
    DWORD type = 0;
    HKEY opened = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    const LONG result = RegQueryValueExA(opened, value.c_str(), nullptr, &type,
                                         reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(opened);
    if (result != ERROR_SUCCESS || type != REG_SZ) return std::nullopt;
    return std::string(data, strnlen(data, size));
}

bool FileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool WaitForWindowText(HWND window, const std::string& text, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        char buffer[256] = {};
        DWORD_PTR length = 0;
        if (SendMessageTimeoutA(window, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer),
                                SMTO_ABORTIFHUNG, 2000, &length) != 0 &&
            text == buffer) {
            return true;
        }
        if (GetTickCount64() >= deadline) return false;
        Sleep(100);
    }
}

OnlinePrinter::OnlinePrinter(std::string printer, std::string port)
    : printer_(std::move(printer)), port_(std::move(port)), thread_([this] { Run(); }) {}

OnlinePrinter::~OnlinePrinter() {
    stop_ = true;
    thread_.join();
}

void OnlinePrinter::Run() {
    const std::string flagKey =
        std::string("System\\CurrentControlSet\\Control\\Print\\Printers\\") + printer_;
    while (!stop_) {
        // The installer writes the port, then clears the flag, then restarts
        // the spooler and reads it: the flag is set again as long as the
        // printer is on this port.
        if (ReadRegistryString(HKEY_LOCAL_MACHINE, kPrintersKey + printer_, "Port") == port_) {
            HKEY key = nullptr;
            if (RegCreateKeyExA(HKEY_CURRENT_CONFIG, flagKey.c_str(), 0, nullptr,
                                REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                                nullptr) == ERROR_SUCCESS) {
                const DWORD online = 1;
                RegSetValueExA(key, "PrinterOnLine", 0, REG_DWORD,
                               reinterpret_cast<const BYTE*>(&online), sizeof online);
                RegCloseKey(key);
            }
        }
        Sleep(5);
    }
}

}  // namespace e2e
