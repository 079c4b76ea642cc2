#include "platform/sim/sim_registry.h"

#include <algorithm>
#include <cstring>

#include "platform/sim/sim_text.h"

namespace sim {

struct SimRegistry::Node {
    std::string name;
    bool isVolatile = false;
    bool deleted = false;  // open handles to a deleted key fail with 1018
    std::vector<std::shared_ptr<Node>> children;
    std::vector<RegValue> values;
    std::shared_ptr<Node> link;  // a link key: it stands for this key
};

namespace {

// How the call log names a key: its root and path, and the access asked for.
std::string KeyDetail(plat::RootKey root, const std::string& subKey, std::uint32_t access) {
    static const char* const kRoots[] = {"HKCR", "HKCU", "HKLM", "HKU", "HKCC"};
    return std::string(kRoots[static_cast<int>(root)]) + "\\" + subKey + " " + Hex(access);
}

using NodePtr = std::shared_ptr<SimRegistry::Node>;

NodePtr Resolve(NodePtr node) {
    while (node && node->link) node = node->link;
    return node;
}

NodePtr FindChild(const NodePtr& parent, std::string_view name) {
    for (const NodePtr& child : parent->children) {
        if (IEquals(child->name, name)) return child;
    }
    return nullptr;
}

RegValue* FindValue(SimRegistry::Node& node, const char* name) {
    const std::string_view wanted = name ? name : "";
    for (RegValue& value : node.values) {
        if (IEquals(value.name, wanted)) return &value;
    }
    return nullptr;
}

bool IsStringType(std::uint32_t type) {
    return type == plat::kRegSz || type == kRegExpandSz || type == plat::kRegMultiSz;
}

void MarkDeleted(const NodePtr& node) {
    node->deleted = true;
    for (const NodePtr& child : node->children) {
        if (!child->link) MarkDeleted(child);
    }
    node->children.clear();
}

void SetVolatileTree(const NodePtr& node, bool on) {
    node->isVolatile = on;
    for (const NodePtr& child : node->children) {
        if (!child->link) SetVolatileTree(child, on);
    }
}

void DropVolatile(const NodePtr& node) {
    auto& children = node->children;
    for (const NodePtr& child : children) {
        if (child->isVolatile) MarkDeleted(child);
    }
    children.erase(std::remove_if(children.begin(), children.end(),
                                  [](const NodePtr& child) { return child->deleted; }),
                   children.end());
    for (const NodePtr& child : children) {
        if (!child->link) DropVolatile(child);
    }
}

std::vector<std::uint8_t> StringBytes(const std::string& text) {
    std::vector<std::uint8_t> bytes(text.begin(), text.end());
    bytes.push_back(0);
    return bytes;
}

}  // namespace

SimRegistry::SimRegistry(SimContext& context)
    : m_context(context),
      m_classesRoot(std::make_shared<Node>()),
      m_currentUser(std::make_shared<Node>()),
      m_localMachine(std::make_shared<Node>()),
      m_users(std::make_shared<Node>()),
      m_currentConfig(std::make_shared<Node>()) {
    Populate();
}

SimRegistry::~SimRegistry() = default;

void SimRegistry::Populate() {
    using plat::RootKey;
    const RootKey hklm = RootKey::LocalMachine;
    // The first control set; CurrentControlSet and the current hardware
    // profile are links into it, as on Windows.
    const std::string cs = "SYSTEM\\ControlSet001";
    CreateKey(hklm, cs + "\\Control\\Print\\Printers");
    CreateKey(hklm, cs + "\\Control\\Print\\Environments\\Windows NT x86\\Drivers\\Version-3");
    CreateKey(hklm, cs + "\\Control\\Print\\Environments\\Windows x64\\Drivers\\Version-3");
    SetString(hklm, cs + "\\Control\\Print\\Monitors\\Local Port", "Driver", "localspl.dll");
    SetString(hklm, cs + "\\Control\\Print\\Monitors\\Standard TCP/IP Port", "Driver",
              "tcpmon.dll");
    SetString(hklm, cs + "\\Control\\Print\\Monitors\\USB Monitor", "Driver", "usbmon.dll");
    CreateKey(hklm, cs + "\\Hardware Profiles\\0001\\System\\CurrentControlSet\\Control\\Print"
                         "\\Printers");
    AddLink(hklm, "SYSTEM\\CurrentControlSet", Walk(hklm, cs, nullptr));
    AddLink(hklm, cs + "\\Hardware Profiles\\Current",
            Walk(hklm, cs + "\\Hardware Profiles\\0001", nullptr));
    m_currentConfig->link = Walk(hklm, cs + "\\Hardware Profiles\\0001", nullptr);

    CreateKey(hklm, "SOFTWARE\\Classes");
    m_classesRoot->link = Walk(hklm, "SOFTWARE\\Classes", nullptr);
    CreateKey(hklm, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Print\\Printers");
    const std::string ports = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports";
    for (const char* com : {"COM1:", "COM2:", "COM3:", "COM4:"}) {
        SetString(hklm, ports, com, "9600,n,8,1");
    }
    for (const char* port : {"FILE:", "LPT1:", "LPT2:", "LPT3:"}) SetString(hklm, ports, port, "");

    // Windows rebuilds HARDWARE at every start; it is kept lasting here so
    // that DropVolatileKeys leaves the device map as a restart would.
    SetString(hklm, "HARDWARE\\DEVICEMAP\\SERIALCOMM", "\\Device\\Serial0", "COM1");

    CreateKey(RootKey::CurrentUser, "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows");
    CreateKey(RootKey::Users, ".DEFAULT");
}

void SimRegistry::AddLink(plat::RootKey root, const std::string& path, NodePtr target) {
    const std::string::size_type slash = path.rfind('\\');
    NodePtr parent = WalkCreate(root, path.substr(0, slash), false, nullptr);
    auto link = std::make_shared<Node>();
    link->name = path.substr(slash + 1);
    link->link = std::move(target);
    parent->children.push_back(std::move(link));
}

NodePtr SimRegistry::RootNode(plat::RootKey root) const {
    switch (root) {
        case plat::RootKey::ClassesRoot: return m_classesRoot;
        case plat::RootKey::CurrentUser: return m_currentUser;
        case plat::RootKey::LocalMachine: return m_localMachine;
        case plat::RootKey::Users: return m_users;
        case plat::RootKey::CurrentConfig: return m_currentConfig;
    }
    return nullptr;
}

NodePtr SimRegistry::Walk(plat::RootKey root, const std::string& subKey, long* error) const {
    long ignored = 0;
    long& result = error ? *error : ignored;
    if (!subKey.empty() && subKey.front() == '\\') {
        result = regerr::kBadPathname;  // a path below a key never starts at a root
        return nullptr;
    }
    NodePtr node = Resolve(RootNode(root));
    for (const std::string& part : SplitNonEmpty(subKey, "\\")) {
        NodePtr child = FindChild(node, part);
        if (!child) {
            result = static_cast<long>(plat::err::kFileNotFound);
            return nullptr;
        }
        node = Resolve(child);
    }
    result = 0;
    return node;
}

NodePtr SimRegistry::WalkCreate(plat::RootKey root, const std::string& subKey, bool isVolatile,
                                long* error) {
    long ignored = 0;
    long& result = error ? *error : ignored;
    if (!subKey.empty() && subKey.front() == '\\') {
        result = regerr::kBadPathname;
        return nullptr;
    }
    NodePtr node = Resolve(RootNode(root));
    for (const std::string& part : SplitNonEmpty(subKey, "\\")) {
        NodePtr child = FindChild(node, part);
        if (!child) {
            if (node->isVolatile && !isVolatile) {
                result = regerr::kChildMustBeVolatile;
                return nullptr;
            }
            child = std::make_shared<Node>();
            child->name = part;
            child->isVolatile = isVolatile;
            node->children.push_back(child);
        }
        node = Resolve(child);
    }
    result = 0;
    return node;
}

SimRegistry::OpenKey* SimRegistry::FindOpen(plat::RegKey key, long* error) {
    OpenKey* open = m_open.Find(key);
    if (!open) {
        *error = static_cast<long>(plat::err::kInvalidHandle);
        return nullptr;
    }
    if (open->node->deleted) {
        *error = regerr::kKeyDeleted;
        return nullptr;
    }
    *error = 0;
    return open;
}

long SimRegistry::RegOpenKeyExA(plat::RootKey root, const std::string& subKey,
                                std::uint32_t access, plat::RegKey* key) {
    if (auto fault = m_context.faults.Enter("RegOpenKeyExA", KeyDetail(root, subKey, access))) {
        return static_cast<long>(*fault);
    }
    if (!key) return static_cast<long>(plat::err::kInvalidParameter);
    SimLock lock(m_context.mutex);
    *key = nullptr;
    long error = 0;
    NodePtr node = Walk(root, subKey, &error);
    if (!node) return error;
    *key = m_open.Add(OpenKey{node, access});
    return 0;
}

long SimRegistry::RegCreateKeyExA(plat::RootKey root, const std::string& subKey,
                                  std::uint32_t access, plat::RegKey* key, bool isVolatile) {
    const std::string detail = KeyDetail(root, subKey, access) + (isVolatile ? " volatile" : "");
    if (auto fault = m_context.faults.Enter("RegCreateKeyExA", detail)) {
        return static_cast<long>(*fault);
    }
    if (!key) return static_cast<long>(plat::err::kInvalidParameter);
    SimLock lock(m_context.mutex);
    *key = nullptr;
    long error = 0;
    NodePtr node = WalkCreate(root, subKey, isVolatile, &error);
    if (!node) return error;
    *key = m_open.Add(OpenKey{node, access});
    return 0;
}

long SimRegistry::RegCloseKey(plat::RegKey key) {
    if (auto fault = m_context.faults.Enter("RegCloseKey")) return static_cast<long>(*fault);
    SimLock lock(m_context.mutex);
    return m_open.Remove(key) ? 0 : static_cast<long>(plat::err::kInvalidHandle);
}

long SimRegistry::RegQueryValueExA(plat::RegKey key, const char* valueName, std::uint32_t* type,
                                   std::uint8_t* data, std::uint32_t* cbData) {
    const std::string detail =
        std::string(valueName ? valueName : "") + " " + std::to_string(cbData ? *cbData : 0);
    if (auto fault = m_context.faults.Enter("RegQueryValueExA", detail)) {
        return static_cast<long>(*fault);
    }
    SimLock lock(m_context.mutex);
    long error = 0;
    OpenKey* open = FindOpen(key, &error);
    if (!open) return error;
    if (!(open->access & kKeyQueryValue)) return static_cast<long>(plat::err::kAccessDenied);
    if (data && !cbData) return static_cast<long>(plat::err::kInvalidParameter);
    const RegValue* value = FindValue(*open->node, valueName);
    if (!value) return static_cast<long>(plat::err::kFileNotFound);
    if (type) *type = value->type;
    const auto size = static_cast<std::uint32_t>(value->data.size());
    if (data) {
        if (size > *cbData) {
            *cbData = size;
            return static_cast<long>(plat::err::kMoreData);
        }
        std::copy(value->data.begin(), value->data.end(), data);
        // A string stored without its NUL gets one when there is room for
        // it; the size reported stays that of the stored data.
        if (IsStringType(value->type) && size > 0 && size < *cbData && data[size - 1] != 0) {
            data[size] = 0;
        }
    }
    if (cbData) *cbData = size;
    return 0;
}

long SimRegistry::RegSetValueExA(plat::RegKey key, const char* valueName, std::uint32_t type,
                                 const std::uint8_t* data, std::uint32_t cbData) {
    // The size is logged as passed: the value may keep one byte more.
    const std::string detail = std::string(valueName ? valueName : "") + " " +
                               std::to_string(type) + " " + std::to_string(cbData);
    if (auto fault = m_context.faults.Enter("RegSetValueExA", detail)) {
        return static_cast<long>(*fault);
    }
    SimLock lock(m_context.mutex);
    long error = 0;
    OpenKey* open = FindOpen(key, &error);
    if (!open) return error;
    if (!(open->access & kKeySetValue)) return static_cast<long>(plat::err::kAccessDenied);
    if (!data && cbData > 0) return static_cast<long>(plat::err::kInvalidParameter);
    std::uint32_t count = cbData;
    // Windows adds the NUL that a string's size left out when it follows the
    // data, and reads that one byte past the size to find out, as here.
    if (data && count > 0 && IsStringType(type) && data[count - 1] != 0 && data[count] == 0) {
        ++count;
    }
    std::vector<std::uint8_t> bytes(data, data + count);
    if (RegValue* existing = FindValue(*open->node, valueName)) {
        existing->type = type;
        existing->data = std::move(bytes);
    } else {
        open->node->values.push_back(RegValue{valueName ? valueName : "", type, std::move(bytes)});
    }
    return 0;
}

long SimRegistry::RegEnumValueA(plat::RegKey key, std::uint32_t index, char* name,
                                std::uint32_t* cchName, std::uint32_t* type, std::uint8_t* data,
                                std::uint32_t* cbData) {
    if (auto fault = m_context.faults.Enter("RegEnumValueA")) return static_cast<long>(*fault);
    SimLock lock(m_context.mutex);
    long error = 0;
    OpenKey* open = FindOpen(key, &error);
    if (!open) return error;
    if (!(open->access & kKeyQueryValue)) return static_cast<long>(plat::err::kAccessDenied);
    if ((data && !cbData) || !name || !cchName) return static_cast<long>(plat::err::kInvalidParameter);
    const std::vector<RegValue>& values = open->node->values;
    if (index >= values.size()) return static_cast<long>(plat::err::kNoMoreItems);
    const RegValue& value = values[index];

    long status = 0;
    const auto size = static_cast<std::uint32_t>(value.data.size());
    if (data) {
        if (size > *cbData) {
            status = static_cast<long>(plat::err::kMoreData);  // nothing written
        } else {
            std::copy(value.data.begin(), value.data.end(), data);
            if (IsStringType(value.type) && size > 0 && size < *cbData && data[size - 1] != 0) {
                data[size] = 0;
            }
        }
    }
    if (status == 0) {
        const auto length = static_cast<std::uint32_t>(value.name.size());
        if (length >= *cchName) {
            // The name and its NUL do not fit: as much as fits, terminated;
            // the size passed in stays as it was.
            status = static_cast<long>(plat::err::kMoreData);
            if (*cchName > 0) {
                std::memcpy(name, value.name.data(), *cchName - 1);
                name[*cchName - 1] = '\0';
            }
        } else {
            std::memcpy(name, value.name.data(), length);
            name[length] = '\0';
            *cchName = length;
        }
    }
    if (type) *type = value.type;
    if (cbData) *cbData = size;
    return status;
}

long SimRegistry::RegDeleteValueA(plat::RegKey key, const char* valueName) {
    if (auto fault = m_context.faults.Enter("RegDeleteValueA")) return static_cast<long>(*fault);
    SimLock lock(m_context.mutex);
    long error = 0;
    OpenKey* open = FindOpen(key, &error);
    if (!open) return error;
    if (!(open->access & kKeySetValue)) return static_cast<long>(plat::err::kAccessDenied);
    std::vector<RegValue>& values = open->node->values;
    const std::string_view wanted = valueName ? valueName : "";
    auto it = std::find_if(values.begin(), values.end(),
                           [&](const RegValue& value) { return IEquals(value.name, wanted); });
    if (it == values.end()) return static_cast<long>(plat::err::kFileNotFound);
    values.erase(it);
    return 0;
}

long SimRegistry::RegDeleteKeyA(plat::RootKey root, const std::string& subKey) {
    if (auto fault = m_context.faults.Enter("RegDeleteKeyA")) return static_cast<long>(*fault);
    SimLock lock(m_context.mutex);
    std::vector<std::string> parts = SplitNonEmpty(subKey, "\\");
    if (parts.empty()) return static_cast<long>(plat::err::kAccessDenied);  // a root stays
    const std::string leaf = parts.back();
    parts.pop_back();
    std::string parentPath;
    for (const std::string& part : parts) parentPath += part + "\\";
    if (!subKey.empty() && subKey.front() == '\\') return regerr::kBadPathname;
    long error = 0;
    NodePtr parent = Walk(root, parentPath, &error);
    if (!parent) return error;
    NodePtr child = FindChild(parent, leaf);
    if (!child) return static_cast<long>(plat::err::kFileNotFound);
    if (!child->link && !child->children.empty()) {
        return static_cast<long>(plat::err::kAccessDenied);  // subkeys go first
    }
    parent->children.erase(std::find(parent->children.begin(), parent->children.end(), child));
    if (!child->link) MarkDeleted(child);
    return 0;
}

void SimRegistry::SetValue(plat::RootKey root, const std::string& key, const std::string& name,
                           std::uint32_t type, std::vector<std::uint8_t> data) {
    SimLock lock(m_context.mutex);
    NodePtr node = WalkCreate(root, key, false, nullptr);
    if (!node) return;
    if (RegValue* existing = FindValue(*node, name.c_str())) {
        existing->type = type;
        existing->data = std::move(data);
    } else {
        node->values.push_back(RegValue{name, type, std::move(data)});
    }
}

void SimRegistry::SetString(plat::RootKey root, const std::string& key, const std::string& name,
                            const std::string& text) {
    SetValue(root, key, name, plat::kRegSz, StringBytes(text));
}

void SimRegistry::SetDword(plat::RootKey root, const std::string& key, const std::string& name,
                           std::uint32_t value) {
    std::vector<std::uint8_t> bytes(4);
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
    SetValue(root, key, name, plat::kRegDword, std::move(bytes));
}

std::optional<RegValue> SimRegistry::GetValue(plat::RootKey root, const std::string& key,
                                              const std::string& name) const {
    SimLock lock(m_context.mutex);
    NodePtr node = Walk(root, key, nullptr);
    if (!node) return std::nullopt;
    const RegValue* value = FindValue(*node, name.c_str());
    if (!value) return std::nullopt;
    return *value;
}

std::optional<std::string> SimRegistry::GetString(plat::RootKey root, const std::string& key,
                                                  const std::string& name) const {
    std::optional<RegValue> value = GetValue(root, key, name);
    if (!value || !IsStringType(value->type)) return std::nullopt;
    // Only the terminating NUL goes: a value written with more bytes than
    // its text shows them, so a wrong size is not hidden.
    std::string text(value->data.begin(), value->data.end());
    if (!text.empty() && text.back() == '\0') text.pop_back();
    return text;
}

std::optional<std::uint32_t> SimRegistry::GetDword(plat::RootKey root, const std::string& key,
                                                   const std::string& name) const {
    std::optional<RegValue> value = GetValue(root, key, name);
    if (!value || value->type != plat::kRegDword || value->data.size() != 4) return std::nullopt;
    std::uint32_t result = 0;
    for (int i = 0; i < 4; ++i) result |= static_cast<std::uint32_t>(value->data[i]) << (8 * i);
    return result;
}

void SimRegistry::DeleteValue(plat::RootKey root, const std::string& key, const std::string& name) {
    SimLock lock(m_context.mutex);
    NodePtr node = Walk(root, key, nullptr);
    if (!node) return;
    auto& values = node->values;
    values.erase(std::remove_if(values.begin(), values.end(),
                                [&](const RegValue& value) { return IEquals(value.name, name); }),
                 values.end());
}

bool SimRegistry::KeyExists(plat::RootKey root, const std::string& key) const {
    SimLock lock(m_context.mutex);
    return Walk(root, key, nullptr) != nullptr;
}

void SimRegistry::CreateKey(plat::RootKey root, const std::string& key, bool isVolatile) {
    SimLock lock(m_context.mutex);
    WalkCreate(root, key, isVolatile, nullptr);
}

void SimRegistry::DeleteTree(plat::RootKey root, const std::string& key) {
    SimLock lock(m_context.mutex);
    std::vector<std::string> parts = SplitNonEmpty(key, "\\");
    if (parts.empty()) return;
    const std::string leaf = parts.back();
    parts.pop_back();
    std::string parentPath;
    for (const std::string& part : parts) parentPath += part + "\\";
    NodePtr parent = Walk(root, parentPath, nullptr);
    if (!parent) return;
    NodePtr child = FindChild(parent, leaf);
    if (!child) return;
    parent->children.erase(std::find(parent->children.begin(), parent->children.end(), child));
    if (!child->link) MarkDeleted(child);
}

std::vector<std::string> SimRegistry::ValueNames(plat::RootKey root, const std::string& key) const {
    SimLock lock(m_context.mutex);
    std::vector<std::string> names;
    if (NodePtr node = Walk(root, key, nullptr)) {
        for (const RegValue& value : node->values) names.push_back(value.name);
    }
    return names;
}

std::vector<std::string> SimRegistry::SubKeyNames(plat::RootKey root, const std::string& key) const {
    SimLock lock(m_context.mutex);
    std::vector<std::string> names;
    if (NodePtr node = Walk(root, key, nullptr)) {
        for (const NodePtr& child : node->children) names.push_back(child->name);
    }
    return names;
}

void SimRegistry::DropVolatileKeys() {
    SimLock lock(m_context.mutex);
    for (plat::RootKey root : {plat::RootKey::CurrentUser, plat::RootKey::LocalMachine,
                               plat::RootKey::Users}) {
        DropVolatile(Resolve(RootNode(root)));
    }
}

void SimRegistry::SetCurrentConfigVolatileOnly(bool on) {
    SimLock lock(m_context.mutex);
    SetVolatileTree(Resolve(m_currentConfig), on);
}

std::size_t SimRegistry::OpenKeyCount() const {
    SimLock lock(m_context.mutex);
    return m_open.Size();
}

}  // namespace sim
