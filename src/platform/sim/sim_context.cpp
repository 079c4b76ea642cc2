#include "platform/sim/sim_context.h"

namespace sim {

namespace {
thread_local std::uint32_t t_lastError = 0;
}  // namespace

std::uint32_t GetThreadLastError() { return t_lastError; }
void SetThreadLastError(std::uint32_t error) { t_lastError = error; }

}  // namespace sim
