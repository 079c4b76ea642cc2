// The archiver checks, run under Wine (or on Windows):
//   archiver_check.exe [gtest options] --dist=DIR --fixtures=DIR --placeholders=FILE
#include <gtest/gtest.h>

#include <cstdio>
#include <string_view>

#include "check_options.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    archiver_check::Options options;
    for (int n = 1; n < argc; ++n) {
        std::string_view arg = argv[n];
        auto value = [&](std::string_view name) { return std::string(arg.substr(name.size())); };
        if (arg.starts_with("--dist=")) {
            options.dist = value("--dist=");
        } else if (arg.starts_with("--fixtures=")) {
            options.fixtures = value("--fixtures=");
        } else if (arg.starts_with("--placeholders=")) {
            options.placeholders = value("--placeholders=");
        } else {
            std::fprintf(stderr, "unknown argument %s\n", argv[n]);
            return 2;
        }
    }
    if (options.dist.empty() || options.fixtures.empty() || options.placeholders.empty()) {
        std::fprintf(stderr, "usage: %s --dist=DIR --fixtures=DIR --placeholders=FILE\n", argv[0]);
        return 2;
    }
    archiver_check::SetOptions(options);
    return RUN_ALL_TESTS();
}
