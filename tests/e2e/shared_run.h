// One installer run that the tests which only look share, so that the
// dialog is started and watched once: its start-up is observed from the
// first moment, before any test reads it.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "installer_session.h"

namespace e2e {

struct SharedRun {
    std::unique_ptr<InstallerSession> session;
    bool dialogShown = false;
    StartupObservation startup;
};

// Starts the run on first use.
SharedRun& Shared();
// The process id of the shared run while it runs, else 0: the closing tests
// leave it alone.
DWORD SharedProcessId();
// Closes the shared run with its Cancel button; returns "" when it ended in
// time and left nothing, else what went wrong.
std::string EndShared();

// Base of the tests that start installers of their own: every run unpacks to
// and cleans the same places on drive C:, so their runs must not overlap
// with the shared one, which is ended first (and started again on demand).
class OwnRunTest : public ::testing::Test {
public:
    static void SetUpTestSuite() {
        const std::string problem = EndShared();
        EXPECT_TRUE(problem.empty()) << problem;
    }
};

}  // namespace e2e
