#include "tcpip_monitor_setup.h"

#include <winspool.h>

namespace e2e {
namespace {

constexpr char kMonitorKey[] =
    "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port";
constexpr char kPortsKey[] =
    "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports";

std::string Folder(const std::string& path) {
    const std::string::size_type slash = path.find_last_of("\\/");
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

std::string ModuleFolder() {
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    return length == 0 || length >= MAX_PATH ? "." : Folder(path);
}

std::string SystemFolder() {
    char path[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryA(path, MAX_PATH);
    return length == 0 || length >= MAX_PATH ? "" : path;
}

bool SetValue(const char* name, DWORD type, const void* data, DWORD size) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kMonitorKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        return false;
    }
    const LONG rc = RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

}  // namespace

std::string InstallTcpipTestMonitor() {
    const std::string source = ModuleFolder() + "\\" + kTcpipMonitorDll;
    const std::string target = SystemFolder() + "\\" + kTcpipMonitorDll;
    if (!CopyFileA(source.c_str(), target.c_str(), FALSE)) {
        return "copying " + source + " to " + target + " failed with " +
               std::to_string(GetLastError());
    }
    char environment[] = "Windows x64";
    char environment32[] = "Windows NT x86";
    char name[] = "Standard TCP/IP Port";
    char dll[] = "tcpipmon_test.dll";
    MONITOR_INFO_2A info{name, sizeof(void*) == 8 ? environment : environment32, dll};
    SetLastError(0xDEADBEEF);
    if (AddMonitorA(nullptr, 2, reinterpret_cast<BYTE*>(&info))) return "";
    const DWORD error = GetLastError();
    if (error == ERROR_PRINT_MONITOR_ALREADY_INSTALLED) return "";
    return "AddMonitorA failed with " + std::to_string(error);
}

std::string SetTcpipTestPorts(const std::vector<std::string>& ports) {
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kPortsKey);
    for (const std::string& port : ports) {
        const std::string path = std::string(kPortsKey) + "\\" + port;
        HKEY key = nullptr;
        const LONG rc = RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_READ,
                                        nullptr, &key, nullptr);
        if (rc != ERROR_SUCCESS) return "creating " + path + " failed with " + std::to_string(rc);
        RegCloseKey(key);
    }
    return "";
}

bool SetTcpipTestMonitorValue(const char* name, DWORD value) {
    return SetValue(name, REG_DWORD, &value, sizeof value);
}

bool SetTcpipTestMonitorText(const char* name, const std::string& value) {
    return SetValue(name, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

std::string TcpipTestMonitorText(const char* name) {
    char value[256] = {};
    DWORD size = sizeof value - 1;  // room for the terminator
    if (RegGetValueA(HKEY_LOCAL_MACHINE, kMonitorKey, name, RRF_RT_REG_SZ, nullptr, value, &size) !=
        ERROR_SUCCESS) {
        return "";
    }
    return value;
}

}  // namespace e2e
