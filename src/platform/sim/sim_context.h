// State every part of one simulated Windows shares: the lock around all
// simulated state, the fault injector, the virtual clock and the thread's
// last error.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "platform/sim/sim_faults.h"

namespace sim {

// Simulated time in milliseconds. Nothing in the simulated Windows really
// waits: Sleep and the service manager's polls move this clock on.
class VirtualClock {
public:
    std::uint64_t NowMs() const { return m_now.load(); }
    void Advance(std::uint64_t ms) { m_now.fetch_add(ms); }

private:
    // Starts well above zero so that tick arithmetic near 0 is not special.
    std::atomic<std::uint64_t> m_now{1000000};
};

struct SimContext {
    // One lock for the whole simulated Windows: the parts call into each
    // other (the spooler reads files and writes registry keys, the archiver
    // writes files), and a single recursive lock keeps that free of lock
    // order problems. Hooks and test callbacks are never run under it.
    std::recursive_mutex mutex;
    FaultInjector faults;
    VirtualClock clock;
};

using SimLock = std::lock_guard<std::recursive_mutex>;

// The calling thread's last error. One value per thread, shared by every
// simulated Windows in the process, as tests never run two on one thread.
std::uint32_t GetThreadLastError();
void SetThreadLastError(std::uint32_t error);

}  // namespace sim
