// The installer's command line: how it splits into words, and which request
// or refusal each good or bad line makes.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "unattended/command_line.h"
#include "unattended/exit_codes.h"

namespace {

using Words = std::vector<std::string>;

struct SplitCase {
    const char* line;
    Words words;
};

class SplitCommandLineTest : public testing::TestWithParam<SplitCase> {};

TEST_P(SplitCommandLineTest, GivesTheWordsTheRuntimeGives) {
    EXPECT_EQ(SplitCommandLine(GetParam().line), GetParam().words) << GetParam().line;
}

INSTANTIATE_TEST_SUITE_P(
    Lines, SplitCommandLineTest,
    testing::Values(SplitCase{"", {}}, SplitCase{"  a b\t c  ", {"a", "b", "c"}},
                    SplitCase{"\"SK200K8 (2)\" /quiet", {"SK200K8 (2)", "/quiet"}},
                    SplitCase{"\"\" x", {"", "x"}}, SplitCase{"a\"b c\"d", {"ab cd"}},
                    SplitCase{R"(C:\dir\ x)", {R"(C:\dir\)", "x"}},
                    SplitCase{R"("C:\dir\\" x)", {R"(C:\dir\)", "x"}},
                    SplitCase{R"(a\\\"b)", {R"(a\"b)"}}, SplitCase{R"(a\\\\"b c")", {R"(a\\b c)"}},
                    SplitCase{R"("say ""hi""")", {R"(say "hi")"}}));

struct ParseCase {
    std::string line;
    CommandRequest request;
    const char* error;  // a part of the refusal; "" for a good line
};

void PrintTo(const ParseCase& c, std::ostream* os) { *os << c.line; }

class ParseCommandLineTest : public testing::TestWithParam<ParseCase> {};

TEST_P(ParseCommandLineTest, MakesTheRequestOrRefusesWithTheReason) {
    const ParsedCommandLine parsed = ParseCommandLine(SplitCommandLine(GetParam().line));
    if (*GetParam().error == '\0') {
        EXPECT_EQ(parsed.error, "") << GetParam().line;
    } else {
        EXPECT_NE(parsed.error.find(GetParam().error), std::string::npos)
            << GetParam().line << " gave \"" << parsed.error << "\"";
    }
    EXPECT_TRUE(parsed.request == GetParam().request) << GetParam().line;
}

const std::string kLongDriver(kMaxDriverNameLength + 1, 'd');
const std::string kLongestPrinter(kMaxPrinterNameLength, 'p');
const std::string kLongLog = "C:\\" + std::string(kMaxLogPathLength - 2, 'l');

using A = CommandAction;

INSTANTIATE_TEST_SUITE_P(
    Good, ParseCommandLineTest,
    testing::Values(
        ParseCase{R"(/install "SK200K8" /port usb /quiet /log C:\logs\a.log)",
                  {.action = A::kInstall, .driverName = "SK200K8", .portKind = 1, .quiet = true,
                   .logFile = R"(C:\logs\a.log)"},
                  ""},
        ParseCase{R"(-INSTALL "vex5(No Cut) Series" /Printer "Front desk" /PORT LPT2: /nodefault)",
                  {.action = A::kInstall, .driverName = "vex5(No Cut) Series",
                   .printerName = "Front desk", .portName = "LPT2:", .setDefault = false},
                  ""},
        ParseCase{"/install X /port Serial /baud 9600",
                  {.action = A::kInstall, .driverName = "X", .portKind = 0, .baudRate = 9600}, ""},
        ParseCase{"/install X /baud 115200", {.action = A::kInstall, .driverName = "X", .baudRate = 115200}, ""},
        ParseCase{("/install X /printer " + kLongestPrinter),
                  {.action = A::kInstall, .driverName = "X", .printerName = kLongestPrinter}, ""},
        ParseCase{R"(/list /log "C:\Program Files\log.txt")",
                  {.action = A::kList, .logFile = R"(C:\Program Files\log.txt)"}, ""},
        ParseCase{R"(/remove "Front desk" /quiet)",
                  {.action = A::kRemove, .quiet = true, .removePrinter = "Front desk"}, ""},
        ParseCase{"/?", {.action = A::kUsage}, ""}));

INSTANTIATE_TEST_SUITE_P(
    Bad, ParseCommandLineTest,
    testing::Values(
        ParseCase{"/install", {}, "/install needs a value"},
        ParseCase{"/install /quiet", {.quiet = true}, "/install needs a value"},
        ParseCase{R"(/install X /bogus /quiet /log C:\l.log)",
                  {.action = A::kInstall, .driverName = "X", .quiet = true, .logFile = R"(C:\l.log)"},
                  "unknown option /bogus"},
        ParseCase{"/install X stray", {.action = A::kInstall, .driverName = "X"}, "unexpected word \"stray\""},
        ParseCase{"/install X /remove Y",
                  {.action = A::kInstall, .driverName = "X", .removePrinter = "Y"}, "only one of"},
        ParseCase{"/list /install X", {.action = A::kList, .driverName = "X"}, "only one of"},
        ParseCase{"/install X /install Y", {.action = A::kInstall, .driverName = "X"}, "given twice"},
        ParseCase{"/list /printer P", {.action = A::kList, .printerName = "P"}, "go with /install only"},
        ParseCase{"/install X /port usb /baud 9600",
                  {.action = A::kInstall, .driverName = "X", .portKind = 1, .baudRate = 9600},
                  "serial printers only"},
        ParseCase{"/install X /baud 1234", {.action = A::kInstall, .driverName = "X"}, "/baud takes 300"},
        ParseCase{("/install " + kLongDriver), {.action = A::kInstall, .driverName = kLongDriver},
                  "longer than 127"},
        ParseCase{("/install X /printer p" + kLongestPrinter),
                  {.action = A::kInstall, .driverName = "X", .printerName = "p" + kLongestPrinter},
                  "longer than 220"},
        ParseCase{R"(/install X /printer "a,b")",
                  {.action = A::kInstall, .driverName = "X", .printerName = "a,b"}, "cannot contain"},
        ParseCase{("/list /log " + kLongLog + "x"), {.action = A::kList}, "longer than 259"},
        ParseCase{"/quiet", {.quiet = true}, "nothing to do"}));

TEST(UsageText, NamesEveryExitCodeAndTheQuietLogAsTheReadmeDoes) {
    const std::string usage = UsageText();
    std::ifstream file(std::string(SOURCE_DIR) + "/tools/dist/README.txt");
    const std::string readme((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    for (int code = 0; code < kExitCodeCount; ++code) {
        char line[160];
        std::snprintf(line, sizeof line, "%3d  %s\n", code, Describe(static_cast<ExitCode>(code)));
        EXPECT_NE(readme.find(line), std::string::npos) << "README.txt lacks: " << line;
    }
    EXPECT_NE(usage.find(std::string("%TEMP%\\") + kQuietLogName), std::string::npos);
    EXPECT_NE(usage.find(" 11  the run ended before it finished"), std::string::npos);
    EXPECT_NE(usage.find("  2  bad command line"), std::string::npos);
}

}  // namespace
