// The one command the library accepts, and the 7za command lines made from it.
#include <gtest/gtest.h>

#include "extract_command.h"

namespace archiver {
namespace {

struct Accepted {
    const char* cmdLine;
    const char* archive;
    const char* outputDir;
};

class AcceptedCommand : public testing::TestWithParam<Accepted> {};

TEST_P(AcceptedCommand, YieldsArchiveAndFolder) {
    auto command = ParseExtractCommand(GetParam().cmdLine);
    ASSERT_TRUE(command.has_value()) << GetParam().cmdLine;
    EXPECT_EQ(command->archive, GetParam().archive);
    EXPECT_EQ(command->outputDir, GetParam().outputDir);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, AcceptedCommand,
    testing::Values(
        // As the installer builds it: a trailing backslash before the quote
        // is part of the folder, not an escaped quote.
        Accepted{R"(x -y "C:\a b\DriverData.Drv" -o"C:\" -hide)", R"(C:\a b\DriverData.Drv)",
                 R"(C:\)"},
        Accepted{R"(x -y "a.7z" -o"out")", "a.7z", "out"},
        Accepted{R"(x -y a.7z -oout)", "a.7z", "out"},
        Accepted{"  x\t-y  \"a.7z\"   -o\"o\"  -hide  ", "a.7z", "o"},
        Accepted{R"(x -hide -o"o" "a.7z" -y)", "a.7z", "o"},
        Accepted{R"(x -y "C:\dir\"name.7z -o"o")", R"(C:\dir\name.7z)", "o"}));

class RefusedCommand : public testing::TestWithParam<const char*> {};

TEST_P(RefusedCommand, IsNotRun) {
    EXPECT_FALSE(ParseExtractCommand(GetParam()).has_value()) << GetParam();
}

INSTANTIATE_TEST_SUITE_P(
    Commands, RefusedCommand,
    testing::Values("", "   ", R"(e -y "a.7z" -o"o")", R"(l "a.7z")",
                    R"(a -y "a.7z" -o"o" file)",
                    R"(x "a.7z" -o"o")",                   // no -y
                    R"(x -y "a.7z")",                      // no folder
                    R"(x -y -o"o")",                       // no archive
                    R"(x -y "a.7z" "b.7z" -o"o")",         // two archives
                    R"(x -y "a.7z" -o"o" -o"p")",          // two folders
                    R"(x -y -y "a.7z" -o"o")",             // a word twice
                    R"(x -y "a.7z" -o"o" -hide -hide)",
                    R"(x -y "a.7z" -o"o" -p)",             // any other switch
                    R"(x -y "a.7z" -o"o" -r)", R"(x -y "-a.7z" -o"o")",
                    R"(x -y "a.7z -o"o")",                 // a quote left open
                    R"(x -y "" -o"o")", R"(x -y "a.7z" -o"")",  // empty paths
                    R"(x -y "a*.7z" -o"o")", R"(x -y "a.7z" -o"o?")",  // wildcards
                    "x -y \"a\x01.7z\" -o\"o\"", R"(X -y "a.7z" -o"o")"));

}  // namespace
}  // namespace archiver
