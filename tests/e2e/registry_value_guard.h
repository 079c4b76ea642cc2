// A registry string value that a test sets (or removes) for its own run and
// puts back as it found it, so the tests after it see the prefix unchanged.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace e2e {

class RegistryValueGuard {
public:
    // Makes value `name` of key `root`\`subKey` hold the string `value`, or
    // removes it when `value` is nullopt; the key is created when missing.
    // Check Applied().
    RegistryValueGuard(HKEY root, const std::string& subKey, const std::string& name,
                       const std::optional<std::string>& value);
    RegistryValueGuard(const RegistryValueGuard&) = delete;
    RegistryValueGuard& operator=(const RegistryValueGuard&) = delete;
    // Restores the value's former type and data, or removes it when there
    // was none.
    ~RegistryValueGuard();

    bool Applied() const { return applied_; }
    // What went wrong when the value could not be set.
    const std::string& Error() const { return error_; }

private:
    HKEY root_;
    std::string subKey_;
    std::string name_;
    bool applied_ = false;
    bool hadValue_ = false;
    DWORD oldType_ = 0;
    std::string oldData_;
    std::string error_;
};

}  // namespace e2e
