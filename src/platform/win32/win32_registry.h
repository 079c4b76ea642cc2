// The registry through advapi32. Results are Win32 error codes; the
// thread's last error is left as the caller had it.
#pragma once

#include "platform/registry.h"

namespace plat::win32 {

class Win32Registry final : public IRegistry {
public:
    long RegOpenKeyExA(RootKey root, const std::string& subKey, std::uint32_t access,
                       RegKey* key) override;
    long RegCreateKeyExA(RootKey root, const std::string& subKey, std::uint32_t access,
                         RegKey* key, bool isVolatile) override;
    long RegCloseKey(RegKey key) override;
    long RegQueryValueExA(RegKey key, const char* valueName, std::uint32_t* type,
                          std::uint8_t* data, std::uint32_t* cbData) override;
    long RegSetValueExA(RegKey key, const char* valueName, std::uint32_t type,
                        const std::uint8_t* data, std::uint32_t cbData) override;
    long RegEnumValueA(RegKey key, std::uint32_t index, char* name, std::uint32_t* cchName,
                       std::uint32_t* type, std::uint8_t* data, std::uint32_t* cbData) override;
    long RegDeleteValueA(RegKey key, const char* valueName) override;
    long RegDeleteKeyA(RootKey root, const std::string& subKey) override;
};

}  // namespace plat::win32
