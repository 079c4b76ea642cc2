// The simulated registry: predefined roots, keys and value names compared
// without regard to case (the original case kept for enumeration), values in
// the order they were first written, volatile keys, and the links Windows
// has (CurrentControlSet, the current hardware profile, HKEY_CURRENT_CONFIG).
// Starts as a fresh 64-bit Windows 7 with no printer installed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "platform/sim/sim_context.h"
#include "platform/sim/sim_handles.h"

namespace sim {

constexpr std::uint32_t kRegExpandSz = 2;
using plat::kKeyQueryValue;
using plat::kKeySetValue;

namespace regerr {
constexpr long kBadPathname = 161;
constexpr long kKeyDeleted = 1018;
constexpr long kChildMustBeVolatile = 1021;
}  // namespace regerr

struct RegValue {
    std::string name;
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
};

class SimRegistry final : public plat::IRegistry {
public:
    explicit SimRegistry(SimContext& context);
    ~SimRegistry() override;
    SimRegistry(const SimRegistry&) = delete;
    SimRegistry& operator=(const SimRegistry&) = delete;

    long RegOpenKeyExA(plat::RootKey root, const std::string& subKey, std::uint32_t access,
                       plat::RegKey* key) override;
    long RegCreateKeyExA(plat::RootKey root, const std::string& subKey, std::uint32_t access,
                         plat::RegKey* key, bool isVolatile = false) override;
    long RegCloseKey(plat::RegKey key) override;
    long RegQueryValueExA(plat::RegKey key, const char* valueName, std::uint32_t* type,
                          std::uint8_t* data, std::uint32_t* cbData) override;
    long RegSetValueExA(plat::RegKey key, const char* valueName, std::uint32_t type,
                        const std::uint8_t* data, std::uint32_t cbData) override;
    long RegEnumValueA(plat::RegKey key, std::uint32_t index, char* name, std::uint32_t* cchName,
                       std::uint32_t* type, std::uint8_t* data, std::uint32_t* cbData) override;
    long RegDeleteValueA(plat::RegKey key, const char* valueName) override;
    long RegDeleteKeyA(plat::RootKey root, const std::string& subKey) override;

    // Test knobs and views: no hook, no faults, no access checks. Keys are
    // created on the way where a knob writes.
    void SetValue(plat::RootKey root, const std::string& key, const std::string& name,
                  std::uint32_t type, std::vector<std::uint8_t> data);
    // REG_SZ, stored with its terminating NUL as Windows stores it.
    void SetString(plat::RootKey root, const std::string& key, const std::string& name,
                   const std::string& text);
    void SetDword(plat::RootKey root, const std::string& key, const std::string& name,
                  std::uint32_t value);
    std::optional<RegValue> GetValue(plat::RootKey root, const std::string& key,
                                     const std::string& name) const;
    // The bytes of a string value without its one terminating NUL; any
    // other byte, a second NUL included, stays.
    std::optional<std::string> GetString(plat::RootKey root, const std::string& key,
                                         const std::string& name) const;
    std::optional<std::uint32_t> GetDword(plat::RootKey root, const std::string& key,
                                          const std::string& name) const;
    void DeleteValue(plat::RootKey root, const std::string& key, const std::string& name);
    bool KeyExists(plat::RootKey root, const std::string& key) const;
    void CreateKey(plat::RootKey root, const std::string& key, bool isVolatile = false);
    // Removes a key with everything below it; nothing when it is missing.
    void DeleteTree(plat::RootKey root, const std::string& key);
    std::vector<std::string> ValueNames(plat::RootKey root, const std::string& key) const;
    std::vector<std::string> SubKeyNames(plat::RootKey root, const std::string& key) const;
    // What a restart of Windows does to the registry.
    void DropVolatileKeys();
    // Wine keeps HKEY_CURRENT_CONFIG volatile: creating a lasting key there
    // fails with 1021.
    void SetCurrentConfigVolatileOnly(bool on);
    std::size_t OpenKeyCount() const;

    struct Node;

private:
    struct OpenKey {
        std::shared_ptr<Node> node;
        std::uint32_t access = 0;
    };

    std::shared_ptr<Node> RootNode(plat::RootKey root) const;
    // Walks `subKey` from `root`; nullptr with `*error` set when a key is missing.
    std::shared_ptr<Node> Walk(plat::RootKey root, const std::string& subKey, long* error) const;
    std::shared_ptr<Node> WalkCreate(plat::RootKey root, const std::string& subKey,
                                     bool isVolatile, long* error);
    OpenKey* FindOpen(plat::RegKey key, long* error);
    void AddLink(plat::RootKey root, const std::string& path, std::shared_ptr<Node> target);
    void Populate();

    SimContext& m_context;
    std::shared_ptr<Node> m_classesRoot;
    std::shared_ptr<Node> m_currentUser;
    std::shared_ptr<Node> m_localMachine;
    std::shared_ptr<Node> m_users;
    std::shared_ptr<Node> m_currentConfig;
    HandleTable<OpenKey> m_open{kRegistryHandleBase};
};

}  // namespace sim
