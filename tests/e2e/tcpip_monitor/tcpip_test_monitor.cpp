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
// Its own interface (XcvDataW) adds a port without a window ("AddPort",
// failing with TestAddError too) and tells a port's settings
// ("GetConfigInfo"); a port's key keeps them in HostName and PortNumber.
// Never shipped: it exists only for the tests.
#include <windows.h>
#include <winspool.h>
#include <winsplp.h>

#include <cstddef>
#include <string>
#include <vector>

#include "platform/tcpip_port_data.h"

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

// PORT_DATA_1 as the monitor's documentation lays it out, to check the
// installer's own description of it against what the compiler makes.
struct PortData1 {
    WCHAR sztPortName[64];
    DWORD dwVersion;
    DWORD dwProtocol;
    DWORD cbSize;
    DWORD dwReserved;
    WCHAR sztHostAddress[49];
    WCHAR sztSNMPCommunity[33];
    DWORD dwDoubleSpool;
    WCHAR sztQueue[33];
    WCHAR sztIPAddress[16];
    BYTE Reserved[540];
    DWORD dwPortNumber;
    DWORD dwSNMPEnabled;
    DWORD dwSNMPDevIndex;
};
namespace layout = plat::port_data_1;
static_assert(sizeof(PortData1) == layout::kRecordSize);
static_assert(offsetof(PortData1, dwVersion) == layout::kVersion);
static_assert(offsetof(PortData1, dwProtocol) == layout::kProtocol);
static_assert(offsetof(PortData1, cbSize) == layout::kSize);
static_assert(offsetof(PortData1, sztHostAddress) == layout::kHostAddress);
static_assert(offsetof(PortData1, sztSNMPCommunity) == layout::kSnmpCommunity);
static_assert(offsetof(PortData1, sztQueue) == layout::kQueue);
static_assert(offsetof(PortData1, dwPortNumber) == layout::kPortNumber);
static_assert(offsetof(PortData1, dwSNMPEnabled) == layout::kSnmpEnabled);

// What an Xcv handle stands for: the port it was opened on, or none (the
// monitor itself).
struct XcvHandle {
    std::wstring object;
};

BOOL WINAPI XcvOpenPort(HANDLE, LPCWSTR object, ACCESS_MASK, PHANDLE xcv) {
    *xcv = new XcvHandle{object != nullptr ? object : L""};
    return TRUE;
}

BOOL WINAPI XcvClosePort(HANDLE xcv) {
    delete static_cast<XcvHandle*>(xcv);
    return TRUE;
}

DWORD XcvAddPort(const BYTE* input, DWORD size) {
    if (input == nullptr || size < sizeof(PortData1)) return ERROR_INVALID_PARAMETER;
    PortData1 data;
    ::CopyMemory(&data, input, sizeof data);
    data.sztPortName[63] = data.sztHostAddress[48] = L'\0';
    Key settings(kMonitorKey, false);
    if (const DWORD error = settings.Number(L"TestAddError")) return error;
    const std::wstring path = std::wstring(kPortsKey) + L"\\" + data.sztPortName;
    if (Key(path.c_str(), false).get() != nullptr) return ERROR_ALREADY_EXISTS;
    Key port(path.c_str(), true);
    if (port.get() == nullptr) return ERROR_ACCESS_DENIED;
    ::RegSetValueExW(port.get(), L"HostName", 0, REG_SZ, reinterpret_cast<const BYTE*>(data.sztHostAddress),
                     static_cast<DWORD>((::lstrlenW(data.sztHostAddress) + 1) * sizeof(WCHAR)));
    ::RegSetValueExW(port.get(), L"PortNumber", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data.dwPortNumber),
                     sizeof(DWORD));
    return ERROR_SUCCESS;
}

DWORD XcvConfigInfo(const std::wstring& portName, BYTE* output, DWORD size, PDWORD needed) {
    *needed = sizeof(PortData1);
    if (output == nullptr || size < sizeof(PortData1)) return ERROR_INSUFFICIENT_BUFFER;
    const std::wstring path = std::wstring(kPortsKey) + L"\\" + portName;
    Key port(path.c_str(), false);
    if (port.get() == nullptr) return ERROR_UNKNOWN_PORT;
    PortData1 data{};
    ::lstrcpynW(data.sztPortName, portName.c_str(), 64);
    ::lstrcpynW(data.sztHostAddress, port.Text(L"HostName").c_str(), 49);
    data.dwVersion = 1;
    data.dwProtocol = 1;
    data.cbSize = sizeof data;
    data.dwPortNumber = port.Number(L"PortNumber");
    ::CopyMemory(output, &data, sizeof data);
    return ERROR_SUCCESS;
}

DWORD WINAPI XcvDataPort(HANDLE xcv, LPCWSTR dataName, PBYTE input, DWORD inputSize, PBYTE output,
                         DWORD outputSize, PDWORD needed) {
    const XcvHandle* handle = static_cast<const XcvHandle*>(xcv);
    *needed = 0;
    if (::lstrcmpW(dataName, L"AddPort") == 0) return XcvAddPort(input, inputSize);
    if (::lstrcmpW(dataName, L"GetConfigInfo") == 0 && !handle->object.empty()) {
        return XcvConfigInfo(handle->object, output, outputSize, needed);
    }
    return ERROR_INVALID_PARAMETER;
}

MONITOR2 MakeTable() {
    MONITOR2 table{};
    table.cbSize = sizeof table;
    table.pfnEnumPorts = &EnumPorts;
    table.pfnAddPort = &AddPort;
    table.pfnConfigurePort = &ConfigurePort;
    table.pfnDeletePort = &DeletePort;
    table.pfnXcvOpenPort = &XcvOpenPort;
    table.pfnXcvDataPort = &XcvDataPort;
    table.pfnXcvClosePort = &XcvClosePort;
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
