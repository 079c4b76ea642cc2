// What a test can make any simulated call do: run a hook first (to hold the
// calling thread at a chosen operation), then fail the way Windows fails,
// with a chosen last error. Every call can also be written to a call log.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace sim {

// The calls made since Start, in the order they were made, from every
// thread: "<operation> <what it was given>", such as "Sleep 500". The
// simulated dialogs write what they show to the same log.
class CallLog {
public:
    // Empties the log and records from now on.
    void Start();
    void Stop();
    void Add(std::string_view op, std::string_view detail);
    std::vector<std::string> Entries() const;

private:
    std::atomic<bool> m_on{false};
    mutable std::mutex m_mutex;
    std::vector<std::string> m_entries;
};

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

    // Called first by every simulated operation: runs the hook, counts and
    // logs the call (with `detail`, what the call was given that tests
    // check), and returns the error the call must fail with, if any.
    std::optional<std::uint32_t> Enter(std::string_view opName, std::string_view detail = {});
    // How often `opName` was entered since construction.
    int CallCount(std::string_view opName) const;
    CallLog& Log() { return m_log; }

private:
    struct Fault {
        std::uint32_t error = 0;
        int remaining = 0;  // -1: for ever
    };
    mutable std::mutex m_mutex;
    std::shared_ptr<const CallHook> m_hook;  // copied out, run unlocked
    std::map<std::string, Fault, std::less<>> m_faults;
    // Looked up on every call: hashed, and by the caller's view.
    struct NameHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view name) const { return std::hash<std::string_view>{}(name); }
    };
    std::unordered_map<std::string, int, NameHash, std::equal_to<>> m_calls;
    CallLog m_log;
};

}  // namespace sim
