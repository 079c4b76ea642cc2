// Registry access with Win32 semantics: every call returns a Win32 error
// code (0 on success) and does not touch the thread's last error.
#pragma once

#include <cstdint>
#include <string>

#include "platform/types.h"

namespace plat {

enum class RootKey { ClassesRoot, CurrentUser, LocalMachine, Users, CurrentConfig };

using RegKey = void*;

constexpr std::uint32_t kKeyQueryValue = 0x0001;
constexpr std::uint32_t kKeySetValue = 0x0002;
constexpr std::uint32_t kKeyRead = 0x20019;
constexpr std::uint32_t kKeyWrite = 0x20006;
constexpr std::uint32_t kKeyAllAccess = 0xF003F;

constexpr std::uint32_t kRegNone = 0;
constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegBinary = 3;
constexpr std::uint32_t kRegDword = 4;
constexpr std::uint32_t kRegMultiSz = 7;

class IRegistry {
public:
    virtual ~IRegistry() = default;

    virtual long RegOpenKeyExA(RootKey root, const std::string& subKey, std::uint32_t access,
                               RegKey* key) = 0;
    // Creates missing keys on the way; `isVolatile` asks for a key that does
    // not survive a restart (REG_OPTION_VOLATILE).
    virtual long RegCreateKeyExA(RootKey root, const std::string& subKey, std::uint32_t access,
                                 RegKey* key, bool isVolatile = false) = 0;
    virtual long RegCloseKey(RegKey key) = 0;
    // As RegQueryValueExA: with `data` null only the size is reported;
    // a buffer too small gives kMoreData with `*cbData` set to the size needed.
    virtual long RegQueryValueExA(RegKey key, const char* valueName, std::uint32_t* type,
                                  std::uint8_t* data, std::uint32_t* cbData) = 0;
    virtual long RegSetValueExA(RegKey key, const char* valueName, std::uint32_t type,
                                const std::uint8_t* data, std::uint32_t cbData) = 0;
    // As RegEnumValueA: `*cchName` and `*cbData` are in/out sizes; a name or
    // data that does not fit gives kMoreData.
    virtual long RegEnumValueA(RegKey key, std::uint32_t index, char* name, std::uint32_t* cchName,
                               std::uint32_t* type, std::uint8_t* data, std::uint32_t* cbData) = 0;
    virtual long RegDeleteValueA(RegKey key, const char* valueName) = 0;
    virtual long RegDeleteKeyA(RootKey root, const std::string& subKey) = 0;
};

}  // namespace plat
