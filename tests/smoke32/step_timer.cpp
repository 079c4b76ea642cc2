#include "step_timer.h"

#include <cstdio>

namespace smoke32 {

StepTimer::~StepTimer() {
    const ULONGLONG elapsed = GetTickCount64() - start_;
    std::printf("[   TIME   ] %s: %llu.%llu s\n", step_.c_str(), elapsed / 1000,
                elapsed % 1000 / 100);
    std::fflush(stdout);
}

}  // namespace smoke32
