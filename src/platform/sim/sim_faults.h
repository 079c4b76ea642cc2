// What a test can make any simulated call do: run a hook first (to hold the
// calling thread at a chosen operation, or to record the order of calls),
// then fail the way Windows fails, with a chosen last error.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace sim {

class FaultInjector {
public:
    // Runs on the calling thread with the Win32 name of the operation
    // ("EnumPortsA", "StartServiceA", "SevenZip"); no lock of the simulated
    // Windows is held while it runs, so it may block or call back in.
    using CallHook = std::function<void(std::string_view opName)>;

    void SetCallHook(CallHook hook);
    // The next `count` calls of `opName` fail with `lastError`.
    void FailNext(const std::string& opName, std::uint32_t lastError, int count = 1);
    // Every call of `opName` fails with `lastError` until ClearFaults.
    void FailAlways(const std::string& opName, std::uint32_t lastError);
    void ClearFaults();

    // Called first by every simulated operation: runs the hook, counts the
    // call, and returns the error the call must fail with, if any.
    std::optional<std::uint32_t> Enter(std::string_view opName);
    // How often `opName` was entered since construction.
    int CallCount(std::string_view opName) const;

private:
    struct Fault {
        std::uint32_t error = 0;
        int remaining = 0;  // -1: for ever
    };
    mutable std::mutex m_mutex;
    std::shared_ptr<const CallHook> m_hook;  // copied out, run unlocked
    std::map<std::string, Fault, std::less<>> m_faults;
    std::map<std::string, int, std::less<>> m_calls;
};

}  // namespace sim
