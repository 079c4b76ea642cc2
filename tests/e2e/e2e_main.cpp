// The end-to-end test program: runs under Wine (or Windows) beside the
// installer it tests. Arguments: see e2e_options.h, then GoogleTest's own.
#include <gtest/gtest.h>

#include "e2e_options.h"
#include "shared_run.h"
#include "system_facts.h"

namespace {

// Ends the installer run that the looking tests share, after all tests, and
// fails the program when it would not end or left something behind.
class SharedRunEnvironment : public ::testing::Environment {
public:
    void TearDown() override {
        const std::string problem = e2e::EndShared();
        EXPECT_TRUE(problem.empty()) << problem;
    }
};

}  // namespace

int main(int argc, char** argv) {
    e2e::SetOptions(e2e::ParseOptions(&argc, argv));
    // Facts of the wrong Windows would fail every installation case for a
    // reason that is not the installer's.
    const std::string wrongSystem = e2e::CheckSystem(e2e::TheOptions());
    if (!wrongSystem.empty()) {
        std::cerr << "e2e_tests: " << wrongSystem << "\n";
        return 2;
    }
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new SharedRunEnvironment);
    std::cout << "installer under test: " << e2e::TheOptions().installer << "\n"
              << "working directory: "
              << (e2e::TheOptions().workingDir.empty() ? "(its own folder)"
                                                         : e2e::TheOptions().workingDir)
              << "\n"
              << "Windows: " << e2e::TheSystem().name << "\n";
    return RUN_ALL_TESTS();
}
