// A port monitor for the end-to-end tests, installed in a test's Wine prefix
// under the name "Standard TCP/IP Port" (Wine has no TCP/IP port monitor).
// Its ports are the subkeys of its own registry key's "Ports" key, which is
// also where the spooler looks for the monitor that owns a port. What its
// add-port, configure and delete windows would end with is set by the test
// in values of that key:
//   TestNextPort      (REG_SZ)    the port that AddPort creates; absent or
//                                 empty: the user cancelled (1223)
//   TestAddError, TestConfigureError, TestDeleteError (REG_DWORD)
//                                 non-zero: the call fails with that error
//   TestLastConfigured (REG_SZ)   written by ConfigurePort: the port it got
//   TestAddCalled     (REG_SZ)    set to "yes" by AddPort
// Never shipped: it exists only for the tests.
#include <windows.h>
#include <winspool.h>
#include <winsplp.h>

#include <string>
#include <vector>

namespace {

constexpr wchar_t kMonitorKey[] =
    L"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port";
constexpr wchar_t kPortsKey[] =
    L"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports";
constexpr wchar_t kDescription[] = L"Standard TCP/IP Port";

class Key {
public:
    Key(const wchar_t* path, bool create) {
        const LONG rc = create ? ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0,
                                                   KEY_ALL_ACCESS, nullptr, &m_key, nullptr)
                               : ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_ALL_ACCESS, &m_key);
        if (rc != ERROR_SUCCESS) m_key = nullptr;
    }
    ~Key() {
        if (m_key != nullptr) ::RegCloseKey(m_key);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    HKEY get() const { return m_key; }

    DWORD Number(const wchar_t* name) const {
        DWORD value = 0, size = sizeof value;
        if (m_key == nullptr || ::RegQueryValueExW(m_key, name, nullptr, nullptr,
                                                   reinterpret_cast<BYTE*>(&value), &size) != 0) {
            return 0;
        }
        return value;
    }
    std::wstring Text(const wchar_t* name) const {
        wchar_t value[256] = {};
        DWORD size = sizeof value - sizeof(wchar_t);  // room for the terminator
        if (m_key == nullptr || ::RegQueryValueExW(m_key, name, nullptr, nullptr,
                                                   reinterpret_cast<BYTE*>(value), &size) != 0) {
            return L"";
        }
        return value;
    }

private:
    HKEY m_key = nullptr;
};

std::vector<std::wstring> PortNames() {
    std::vector<std::wstring> names;
    Key ports(kPortsKey, false);
    for (DWORD i = 0; ports.get() != nullptr; ++i) {
        wchar_t name[256];
        DWORD length = 256;
        if (::RegEnumKeyExW(ports.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) != 0) {
            break;
        }
        names.emplace_back(name, length);
    }
    return names;
}

BOOL Fail(DWORD error) {
    ::SetLastError(error);
    return FALSE;
}

// Records first, their strings from the end of the buffer down, as the
// spooler lays out its own.
BOOL WINAPI EnumPorts(HANDLE, LPWSTR, DWORD level, LPBYTE buffer, DWORD cbBuf, LPDWORD needed,
                      LPDWORD returned) {
    if (level != 1 && level != 2) return Fail(ERROR_INVALID_LEVEL);
    const std::vector<std::wstring> names = PortNames();
    const DWORD record = level == 1 ? sizeof(PORT_INFO_1W) : sizeof(PORT_INFO_2W);
    const DWORD fixed = (sizeof kDescription) * (level == 1 ? 0 : 2);  // monitor name, description
    DWORD size = 0;
    for (const std::wstring& name : names) {
        size += record + static_cast<DWORD>((name.size() + 1) * sizeof(wchar_t)) + fixed;
    }
    *needed = size;
    *returned = 0;
    if (buffer == nullptr || cbBuf < size) return Fail(ERROR_INSUFFICIENT_BUFFER);
    BYTE* strings = buffer + cbBuf;
    auto place = [&strings](const std::wstring& text) {
        strings -= (text.size() + 1) * sizeof(wchar_t);
        ::CopyMemory(strings, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
        return reinterpret_cast<LPWSTR>(strings);
    };
    for (DWORD i = 0; i < names.size(); ++i) {
        if (level == 1) {
            reinterpret_cast<PORT_INFO_1W*>(buffer)[i].pName = place(names[i]);
        } else {
            PORT_INFO_2W& info = reinterpret_cast<PORT_INFO_2W*>(buffer)[i];
            info.pPortName = place(names[i]);
            info.pMonitorName = place(kDescription);
            info.pDescription = place(kDescription);
            info.fPortType = PORT_TYPE_WRITE | PORT_TYPE_READ;
            info.Reserved = 0;
        }
    }
    *returned = static_cast<DWORD>(names.size());
    return TRUE;
}

BOOL WINAPI AddPort(HANDLE, LPWSTR, HWND, LPWSTR) {
    Key settings(kMonitorKey, false);
    if (settings.get() != nullptr) {
        ::RegSetValueExW(settings.get(), L"TestAddCalled", 0, REG_SZ,
                         reinterpret_cast<const BYTE*>(L"yes"), sizeof L"yes");
    }
    if (const DWORD error = settings.Number(L"TestAddError")) return Fail(error);
    const std::wstring name = settings.Text(L"TestNextPort");
    if (name.empty()) return Fail(ERROR_CANCELLED);
    const std::wstring path = std::wstring(kPortsKey) + L"\\" + name;
    Key port(path.c_str(), true);
    return port.get() != nullptr ? TRUE : Fail(ERROR_ACCESS_DENIED);
}

BOOL WINAPI ConfigurePort(HANDLE, LPWSTR, HWND, LPWSTR portName) {
    Key settings(kMonitorKey, false);
    if (settings.get() != nullptr && portName != nullptr) {
        ::RegSetValueExW(settings.get(), L"TestLastConfigured", 0, REG_SZ,
                         reinterpret_cast<const BYTE*>(portName),
                         static_cast<DWORD>((::lstrlenW(portName) + 1) * sizeof(wchar_t)));
    }
    if (const DWORD error = settings.Number(L"TestConfigureError")) return Fail(error);
    return TRUE;
}

BOOL WINAPI DeletePort(HANDLE, LPWSTR, HWND, LPWSTR portName) {
    Key settings(kMonitorKey, false);
    if (const DWORD error = settings.Number(L"TestDeleteError")) return Fail(error);
    Key ports(kPortsKey, false);
    if (ports.get() == nullptr || portName == nullptr ||
        ::RegDeleteKeyW(ports.get(), portName) != ERROR_SUCCESS) {
        return Fail(ERROR_UNKNOWN_PORT);
    }
    return TRUE;
}

MONITOR2 MakeTable() {
    MONITOR2 table{};
    table.cbSize = sizeof table;
    table.pfnEnumPorts = &EnumPorts;
    table.pfnAddPort = &AddPort;
    table.pfnConfigurePort = &ConfigurePort;
    table.pfnDeletePort = &DeletePort;
    return table;
}

MONITOR2 g_table = MakeTable();

}  // namespace

// Called by the spooler when it loads the monitor; the table lives as long
// as the DLL. Exported under its plain name by the .def file.
extern "C" LPMONITOR2 WINAPI InitializePrintMonitor2(PMONITORINIT, PHANDLE monitorHandle) {
    if (monitorHandle != nullptr) *monitorHandle = &g_table;
    return &g_table;
}
