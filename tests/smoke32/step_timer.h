// How long each step of a slow run took, printed as the step ends, so that a
// run under emulation shows where its time goes.
#pragma once

#include <windows.h>

#include <string>

namespace smoke32 {

class StepTimer {
public:
    explicit StepTimer(std::string step) : step_(std::move(step)), start_(GetTickCount64()) {}
    StepTimer(const StepTimer&) = delete;
    StepTimer& operator=(const StepTimer&) = delete;
    // Prints "[   TIME   ] <step>: <seconds> s".
    ~StepTimer();

private:
    std::string step_;
    ULONGLONG start_;
};

}  // namespace smoke32
