#include "registry_value_guard.h"

#include <memory>
#include <vector>

namespace e2e {

namespace {

struct KeyCloser {
    void operator()(HKEY key) const noexcept { RegCloseKey(key); }
};
using UniqueKey = std::unique_ptr<HKEY__, KeyCloser>;

UniqueKey OpenForWriting(HKEY root, const std::string& subKey, LONG* status) {
    HKEY key = nullptr;
    *status = RegCreateKeyExA(root, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key, nullptr);
    return UniqueKey(*status == ERROR_SUCCESS ? key : nullptr);
}

LONG SetString(HKEY key, const std::string& name, const std::string& value) {
    // The terminating NUL is part of a REG_SZ value's data.
    return RegSetValueExA(key, name.c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>(value.size() + 1));
}

}  // namespace

RegistryValueGuard::RegistryValueGuard(HKEY root, const std::string& subKey,
                                       const std::string& name,
                                       const std::optional<std::string>& value)
    : root_(root), subKey_(subKey), name_(name) {
    LONG status = ERROR_SUCCESS;
    const UniqueKey key = OpenForWriting(root, subKey, &status);
    if (!key) {
        error_ = "cannot open " + subKey + " for writing, error " + std::to_string(status);
        return;
    }
    DWORD size = 0;
    status = RegQueryValueExA(key.get(), name.c_str(), nullptr, &oldType_, nullptr, &size);
    if (status == ERROR_SUCCESS) {
        std::vector<char> data(size);
        status = RegQueryValueExA(key.get(), name.c_str(), nullptr, &oldType_,
                                  reinterpret_cast<BYTE*>(data.data()), &size);
        if (status != ERROR_SUCCESS) {
            error_ = "cannot read the former " + name + ", error " + std::to_string(status);
            return;
        }
        hadValue_ = true;
        oldData_.assign(data.data(), size);
    } else if (status != ERROR_FILE_NOT_FOUND) {
        error_ = "cannot read the former " + name + ", error " + std::to_string(status);
        return;
    }
    if (value) {
        status = SetString(key.get(), name, *value);
    } else {
        status = RegDeleteValueA(key.get(), name.c_str());
        if (status == ERROR_FILE_NOT_FOUND) status = ERROR_SUCCESS;
    }
    if (status != ERROR_SUCCESS) {
        error_ = "cannot change " + subKey + "\\" + name + ", error " + std::to_string(status);
        return;
    }
    applied_ = true;
}

RegistryValueGuard::~RegistryValueGuard() {
    if (!applied_) return;
    LONG status = ERROR_SUCCESS;
    const UniqueKey key = OpenForWriting(root_, subKey_, &status);
    if (!key) return;
    if (hadValue_) {
        RegSetValueExA(key.get(), name_.c_str(), 0, oldType_,
                       reinterpret_cast<const BYTE*>(oldData_.data()),
                       static_cast<DWORD>(oldData_.size()));
    } else {
        RegDeleteValueA(key.get(), name_.c_str());
    }
}

}  // namespace e2e
