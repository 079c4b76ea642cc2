// The installer's command line: how it splits into words, and which request
// or refusal each good or bad line makes.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "unattended/command_line.h"
#include "unattended/outcomes.h"

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
const std::string kLongLog = "C:\\" + std::string(kMaxFilePathLength - 2, 'l');

using A = CommandAction;

INSTANTIATE_TEST_SUITE_P(
    Good, ParseCommandLineTest,
    testing::Values(
        ParseCase{R"(/install "SK200K8" /port usb /quiet /log C:\logs\a.log)",
                  {.action = A::kInstall, .printer = {.driverName = "SK200K8", .portKind = 1}, .quiet = true,
                   .logFile = R"(C:\logs\a.log)"},
                  ""},
        ParseCase{R"(-INSTALL "vex5(No Cut) Series" /Printer "Front desk" /PORT LPT2: /nodefault)",
                  {.action = A::kInstall,
                   .printer = {.driverName = "vex5(No Cut) Series", .printerName = "Front desk",
                               .portName = "LPT2:", .setDefault = false}},
                  ""},
        ParseCase{"/install X /port Serial /baud 9600",
                  {.action = A::kInstall, .printer = {.driverName = "X", .portKind = 0, .baudRate = 9600}}, ""},
        ParseCase{"/install X /baud 115200",
                  {.action = A::kInstall, .printer = {.driverName = "X", .baudRate = 115200}}, ""},
        ParseCase{("/install X /printer " + kLongestPrinter),
                  {.action = A::kInstall, .printer = {.driverName = "X", .printerName = kLongestPrinter}}, ""},
        ParseCase{R"(/install X /port tcpip:10.0.0.7 /requireport /wait 30 /result C:\r.json)",
                  {.action = A::kInstall,
                   .printer = {.driverName = "X", .portKind = 3, .tcpipHost = "10.0.0.7", .tcpipPort = 9100},
                   .requirePort = true, .waitSeconds = 30, .resultFile = R"(C:\r.json)"},
                  ""},
        ParseCase{"/install X /port TCPIP:printer-1.shop.local:515",
                  {.action = A::kInstall,
                   .printer = {.driverName = "X", .portKind = 3, .tcpipHost = "printer-1.shop.local",
                               .tcpipPort = 515}},
                  ""},
        ParseCase{R"(/config C:\printers.ini /quiet /wait 3600)",
                  {.action = A::kConfig, .configFile = R"(C:\printers.ini)", .waitSeconds = 3600, .quiet = true},
                  ""},
        ParseCase{R"(/verify "Front desk" /driver SK200K8 /port usb001)",
                  {.action = A::kVerify, .verifyPrinter = "Front desk", .verifyDriver = "SK200K8",
                   .verifyPort = "usb001"},
                  ""},
        ParseCase{R"(/list /log "C:\Program Files\log.txt")",
                  {.action = A::kList, .logFile = R"(C:\Program Files\log.txt)"}, ""},
        ParseCase{R"(/remove "Front desk" /quiet)",
                  {.action = A::kRemove, .removePrinter = "Front desk", .quiet = true}, ""},
        ParseCase{"/?", {.action = A::kUsage}, ""}));

INSTANTIATE_TEST_SUITE_P(
    Bad, ParseCommandLineTest,
    testing::Values(
        ParseCase{"/install", {}, "/install needs a value"},
        ParseCase{"/install /quiet", {.quiet = true}, "/install needs a value"},
        ParseCase{R"(/install X /bogus /quiet /log C:\l.log /result C:\r.json)",
                  {.action = A::kInstall, .printer = {.driverName = "X"}, .quiet = true,
                   .logFile = R"(C:\l.log)", .resultFile = R"(C:\r.json)"},
                  "unknown option /bogus"},
        ParseCase{"/install X stray", {.action = A::kInstall, .printer = {.driverName = "X"}},
                  "unexpected word \"stray\""},
        ParseCase{"/install X /remove Y",
                  {.action = A::kInstall, .printer = {.driverName = "X"}, .removePrinter = "Y"}, "only one of"},
        ParseCase{"/list /install X", {.action = A::kList, .printer = {.driverName = "X"}}, "only one of"},
        ParseCase{"/install X /install Y", {.action = A::kInstall, .printer = {.driverName = "X"}}, "given twice"},
        ParseCase{"/list /printer P", {.action = A::kList, .printer = {.printerName = "P"}},
                  "/printer goes with /install only"},
        ParseCase{"/verify P /printer Q", {.action = A::kVerify, .printer = {.printerName = "Q"}, .verifyPrinter = "P"},
                  "/printer goes with /install only"},
        ParseCase{"/config f.ini /nodefault",
                  {.action = A::kConfig, .printer = {.setDefault = false}, .configFile = "f.ini"},
                  "/nodefault goes with /install only"},
        ParseCase{"/list /requireport", {.action = A::kList, .requirePort = true},
                  "/requireport goes with /install or /config only"},
        ParseCase{"/verify P /wait 5", {.action = A::kVerify, .verifyPrinter = "P", .waitSeconds = 5},
                  "/wait goes with /install or /config or /list or /remove only"},
        ParseCase{"/verify P /port usb", {.action = A::kVerify, .verifyPrinter = "P"}, "/port names a port"},
        ParseCase{"/install X /port usb /baud 9600",
                  {.action = A::kInstall, .printer = {.driverName = "X", .portKind = 1, .baudRate = 9600}},
                  "serial printers only"},
        ParseCase{"/install X /baud 1234", {.action = A::kInstall, .printer = {.driverName = "X"}},
                  "/baud: the baud rate must be 300"},
        ParseCase{"/install X /port tcpip:10.0.0.256", {.action = A::kInstall, .printer = {.driverName = "X"}},
                  "\"tcpip:10.0.0.256\" is no address"},
        ParseCase{"/install X /port tcpip:1.2.3", {.action = A::kInstall, .printer = {.driverName = "X"}},
                  "is no address"},
        ParseCase{"/install X /port tcpip:010.0.0.7", {.action = A::kInstall, .printer = {.driverName = "X"}},
                  "is no address"},
        ParseCase{"/install X /port tcpip:-shop-.local", {.action = A::kInstall, .printer = {.driverName = "X"}},
                  "is no address"},
        ParseCase{"/install X /port tcpip:", {.action = A::kInstall, .printer = {.driverName = "X"}},
                  "is no address"},
        ParseCase{"/install X /port tcpip:10.0.0.7:65536", {.action = A::kInstall, .printer = {.driverName = "X"}},
                  "1 to 65535"},
        ParseCase{"/install X /wait 3601", {.action = A::kInstall, .printer = {.driverName = "X"}},
                  "/wait takes a number of seconds from 0 to 3600"},
        ParseCase{"/install X /wait -1", {.action = A::kInstall, .printer = {.driverName = "X"}}, "/wait takes"},
        ParseCase{R"(/install X /log C:\a.log /result c:\A.LOG)",
                  {.action = A::kInstall, .printer = {.driverName = "X"}, .logFile = R"(C:\a.log)",
                   .resultFile = R"(c:\A.LOG)"},
                  "cannot name the same file"},
        ParseCase{("/install " + kLongDriver), {.action = A::kInstall, .printer = {.driverName = kLongDriver}},
                  "longer than 127"},
        ParseCase{("/install X /printer p" + kLongestPrinter),
                  {.action = A::kInstall, .printer = {.driverName = "X", .printerName = "p" + kLongestPrinter}},
                  "longer than 220"},
        ParseCase{R"(/install X /printer "a,b")",
                  {.action = A::kInstall, .printer = {.driverName = "X", .printerName = "a,b"}}, "cannot contain"},
        ParseCase{("/list /log " + kLongLog + "x"), {.action = A::kList}, "longer than 259"},
        ParseCase{"/quiet", {.quiet = true}, "nothing to do"}));

TEST(WorkingFiles, ALogOrResultThereWouldBeDeleted) {
    for (const char* path : {"C:\\Ticket", "c:\\ticket\\x.log", "C:/Barcode/x64/r.json", "C:\\DriverName.cfg"}) {
        EXPECT_TRUE(InWorkingFiles(path)) << path;
    }
    for (const char* path : {"C:\\Tickets\\x.log", "C:\\DriverName.cfg.log", "D:\\Ticket\\x.log", "C:\\x.log"}) {
        EXPECT_FALSE(InWorkingFiles(path)) << path;
    }
}

TEST(UsageText, NamesEveryExitCodeAndTheQuietLogAsTheReadmesDo) {
    const std::string usage = UsageText();
    auto read = [](const char* path) {
        std::ifstream file(std::string(SOURCE_DIR) + path);
        return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    };
    const std::string distReadme = read("/tools/dist/README.txt");
    const std::string readme = read("/README.md");
    for (std::size_t i = 0; i < kOutcomeCount; ++i) {
        const OutcomeInfo& info = kOutcomes[i];
        char line[200];
        std::snprintf(line, sizeof line, "%5d  %-20s %s", info.exitCode, info.name, info.text);
        EXPECT_NE(usage.find(std::string(line) + "\r\n"), std::string::npos) << "the usage lacks: " << line;
        EXPECT_NE(distReadme.find(std::string(line) + "\n"), std::string::npos) << "README.txt lacks: " << line;
        const std::string row = "| " + std::to_string(info.exitCode) + " | `" + info.name + "` |";
        EXPECT_NE(readme.find(row), std::string::npos) << "README.md lacks: " << row;
    }
    EXPECT_NE(usage.find(std::string("%TEMP%\\") + kQuietLogName), std::string::npos);
}

}  // namespace
