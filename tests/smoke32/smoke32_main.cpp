// The 32-bit smoke test program: runs under Wine (or Windows) as a 32-bit
// process beside the installer it tests. Arguments: --installer= and
// --workdir= (see tests/e2e/e2e_options.h), then GoogleTest's own.
#include <gtest/gtest.h>

#include "e2e_options.h"

int main(int argc, char** argv) {
    e2e::SetOptions(e2e::ParseOptions(&argc, argv));
    ::testing::InitGoogleTest(&argc, argv);
    std::cout << "installer under test: " << e2e::TheOptions().installer << "\n";
    return RUN_ALL_TESTS();
}
