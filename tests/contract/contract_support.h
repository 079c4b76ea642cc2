// Helpers in the manner of Wine's own tests: set the last error to a
// sentinel before a call, check the result and the last error together,
// print both on failure, and name the places where Wine is known to differ
// from Windows.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <sstream>
#include <string>

#include "contract_env.h"

namespace contract {

constexpr std::uint32_t kSentinel = 0xDEADBEEF;

// What one call gave: its result and the last error right after it.
template <typename T>
struct Outcome {
    T value{};
    std::uint32_t lastError = 0;
};

template <typename T>
std::string Describe(const Outcome<T>& outcome) {
    std::ostringstream text;
    text << "result " << outcome.value << ", last error " << outcome.lastError;
    return text.str();
}

// Runs `call` with the last error set to the sentinel first.
template <typename F>
auto Call(plat::ISystem& system, F&& call) {
    system.SetLastError(kSentinel);
    auto value = call();
    Outcome<decltype(value)> outcome;
    outcome.value = value;
    outcome.lastError = system.GetLastError();
    return outcome;
}

// A value where Wine 8 is known to differ from Windows. Windows' value is
// expected everywhere but under Wine, where Wine's is; a Wine that starts to
// behave as Windows then fails the test, so this list stays true.
std::uint32_t KnownWineGap(std::uint32_t windows, std::uint32_t wine, const char* what);
// `what` is a statement that holds on Windows ("AddPrinterA refuses ...").
bool KnownWineGap(bool windows, bool wine, const char* what);

class ContractTest : public ::testing::Test {
protected:
    void SetUp() override { m_env = MakeEnv(); }
    void TearDown() override { m_env.reset(); }

    plat::Platform& P() { return m_env->platform(); }
    plat::ISystem& System() { return m_env->platform().system; }
    Env& env() { return *m_env; }

private:
    std::unique_ptr<Env> m_env;
};

}  // namespace contract

// The call failed with exactly `error`.
#define EXPECT_FAILED_WITH(outcome, failedValue, error)                                   \
    EXPECT_TRUE((outcome).value == (failedValue) && (outcome).lastError == (error))        \
        << ::contract::Describe(outcome) << "; expected failure with last error " << (error)
// The call did not fail (the last error is not looked at).
#define EXPECT_SUCCEEDED(outcome, failedValue) \
    EXPECT_TRUE((outcome).value != (failedValue)) << ::contract::Describe(outcome)
