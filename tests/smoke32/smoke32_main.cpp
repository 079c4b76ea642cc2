// The 32-bit smoke test program: a 64-bit program that runs under Wine (or
// Windows) beside the 32-bit installer it tests. Arguments: --installer= and
// --workdir= (see tests/e2e/e2e_options.h), then GoogleTest's own.
#include <gtest/gtest.h>

#include "e2e_options.h"

int main(int argc, char** argv) {
    e2e::SetOptions(e2e::ParseOptions(&argc, argv));
    ::testing::InitGoogleTest(&argc, argv);
    std::cout << "installer under test: " << e2e::TheOptions().installer << "\n";
    return RUN_ALL_TESTS();
}
