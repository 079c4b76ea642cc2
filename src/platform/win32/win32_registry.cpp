#include "platform/win32/win32_registry.h"

#include "platform/win32/win32_windows.h"

namespace plat::win32 {
namespace {

HKEY ToHkey(RootKey root) {
    switch (root) {
    case RootKey::ClassesRoot: return HKEY_CLASSES_ROOT;
    case RootKey::CurrentUser: return HKEY_CURRENT_USER;
    case RootKey::LocalMachine: return HKEY_LOCAL_MACHINE;
    case RootKey::Users: return HKEY_USERS;
    case RootKey::CurrentConfig: return HKEY_CURRENT_CONFIG;
    }
    return nullptr;
}

HKEY ToHkey(RegKey key) { return static_cast<HKEY>(key); }

// The registry calls report through their result; some Windows versions also
// overwrite the last error on the way. The interface promises not to, so
// each call restores it.
class KeepLastError {
public:
    KeepLastError() : m_saved(::GetLastError()) {}
    ~KeepLastError() { ::SetLastError(m_saved); }
    KeepLastError(const KeepLastError&) = delete;
    KeepLastError& operator=(const KeepLastError&) = delete;

private:
    DWORD m_saved;
};

// DWORD (unsigned long) and std::uint32_t (unsigned int) are distinct types
// of the same size: in/out sizes go through a local DWORD.
class DwordArg {
public:
    explicit DwordArg(std::uint32_t* p) : m_p(p), m_value(p != nullptr ? *p : 0) {}
    ~DwordArg() {
        if (m_p != nullptr) *m_p = m_value;
    }
    DwordArg(const DwordArg&) = delete;
    DwordArg& operator=(const DwordArg&) = delete;
    DWORD* get() { return m_p != nullptr ? &m_value : nullptr; }

private:
    std::uint32_t* m_p;
    DWORD m_value;
};

}  // namespace

long Win32Registry::RegOpenKeyExA(RootKey root, const std::string& subKey, std::uint32_t access,
                                  RegKey* key) {
    KeepLastError keep;
    HKEY opened = nullptr;
    const LONG rc = ::RegOpenKeyExA(ToHkey(root), subKey.c_str(), 0, access, &opened);
    *key = rc == ERROR_SUCCESS ? opened : nullptr;
    return rc;
}

long Win32Registry::RegCreateKeyExA(RootKey root, const std::string& subKey, std::uint32_t access,
                                    RegKey* key, bool isVolatile) {
    KeepLastError keep;
    HKEY created = nullptr;
    const DWORD options = isVolatile ? REG_OPTION_VOLATILE : REG_OPTION_NON_VOLATILE;
    const LONG rc = ::RegCreateKeyExA(ToHkey(root), subKey.c_str(), 0, nullptr, options, access,
                                      nullptr, &created, nullptr);
    *key = rc == ERROR_SUCCESS ? created : nullptr;
    return rc;
}

long Win32Registry::RegCloseKey(RegKey key) {
    KeepLastError keep;
    return ::RegCloseKey(ToHkey(key));
}

long Win32Registry::RegQueryValueExA(RegKey key, const char* valueName, std::uint32_t* type,
                                     std::uint8_t* data, std::uint32_t* cbData) {
    KeepLastError keep;
    DwordArg typeArg(type);
    DwordArg sizeArg(cbData);
    return ::RegQueryValueExA(ToHkey(key), valueName, nullptr, typeArg.get(), data,
                              sizeArg.get());
}

long Win32Registry::RegSetValueExA(RegKey key, const char* valueName, std::uint32_t type,
                                   const std::uint8_t* data, std::uint32_t cbData) {
    KeepLastError keep;
    return ::RegSetValueExA(ToHkey(key), valueName, 0, type, data, cbData);
}

long Win32Registry::RegEnumValueA(RegKey key, std::uint32_t index, char* name,
                                  std::uint32_t* cchName, std::uint32_t* type, std::uint8_t* data,
                                  std::uint32_t* cbData) {
    KeepLastError keep;
    DwordArg nameArg(cchName);
    DwordArg typeArg(type);
    DwordArg sizeArg(cbData);
    return ::RegEnumValueA(ToHkey(key), index, name, nameArg.get(), nullptr, typeArg.get(), data,
                           sizeArg.get());
}

long Win32Registry::RegDeleteValueA(RegKey key, const char* valueName) {
    KeepLastError keep;
    return ::RegDeleteValueA(ToHkey(key), valueName);
}

long Win32Registry::RegDeleteKeyA(RootKey root, const std::string& subKey) {
    KeepLastError keep;
    return ::RegDeleteKeyA(ToHkey(root), subKey.c_str());
}

}  // namespace plat::win32
