// The /config file: the printers it asks for, in file order, or the first
// fault with its line.
#include <gtest/gtest.h>

#include "unattended/config_file.h"

namespace {

struct ConfigCase {
    const char* what;
    std::string text;
    std::vector<PrinterRequest> printers;
    const char* error;  // a part of the fault; "" for a good file
};

void PrintTo(const ConfigCase& c, std::ostream* os) { *os << c.what; }

class ConfigFileTest : public testing::TestWithParam<ConfigCase> {};

TEST_P(ConfigFileTest, GivesThePrintersOrTheFaultWithItsLine) {
    const ConfigCase& c = GetParam();
    const ConfigFile config = ParseConfigFile(c.text);
    if (*c.error == '\0') {
        EXPECT_EQ(config.error, "") << c.what;
    } else {
        EXPECT_NE(config.error.find(c.error), std::string::npos) << c.what << " gave \"" << config.error << "\"";
    }
    EXPECT_TRUE(config.printers == c.printers) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Files, ConfigFileTest,
    testing::Values(
        ConfigCase{"two printers in file order, keys and values as written",
                   "\xEF\xBB\xBF; the shop's printers\r\n[Printer.2]\r\n driver = SK200K8 \r\nName=\"Front desk\"\r\n"
                   "Port=usb\r\nDefault=YES\r\n\r\n# the label printer\r\n[printer.1]\r\nDriver=3150TF(Label)\r\n"
                   "PORT=tcpip:10.0.0.7:9101\r\n",
                   {{.driverName = "SK200K8", .printerName = "Front desk", .portKind = 1, .setDefault = true,
                     .line = 2},
                    {.driverName = "3150TF(Label)", .portKind = 3, .tcpipHost = "10.0.0.7", .tcpipPort = 9101,
                     .setDefault = false, .line = 9}},
                   ""},
        ConfigCase{"serial with a rate, a port by name, lines ending in LF",
                   "[Printer.1]\nDriver=A\nPort=serial\nBaud=9600\nDefault=no\n[Printer.3]\nDriver=B\nPort=LPT2:\n",
                   {{.driverName = "A", .portKind = 0, .baudRate = 9600, .setDefault = false, .line = 1},
                    {.driverName = "B", .portName = "LPT2:", .setDefault = false, .line = 6}},
                   ""},
        ConfigCase{"unknown key", "[Printer.1]\r\nDriver=A\r\nColour=red\r\n", {}, "line 3: unknown key \"Colour\""},
        ConfigCase{"missing Driver", "[Printer.1]\r\nName=A\r\n[Printer.2]\r\nDriver=B\r\n", {},
                   "line 1: the section has no Driver"},
        ConfigCase{"missing Driver in the last section", "[Printer.1]\r\nDriver=A\r\n[Printer.2]\r\nPort=usb\r\n",
                   {}, "line 3: the section has no Driver"},
        ConfigCase{"two printers of one name", "[Printer.1]\nDriver=A\nName=Till\n[Printer.2]\nDriver=B\nName=TILL\n",
                   {}, "line 4: the printer name \"TILL\" is used twice (first on line 1)"},
        ConfigCase{"two printers named after one driver", "[Printer.1]\nDriver=A\n[Printer.2]\nDriver=a\n", {},
                   "line 3: the printer name \"a\" is used twice"},
        ConfigCase{"a section twice", "[Printer.1]\nDriver=A\n[PRINTER.1]\nDriver=B\n", {},
                   "line 3: [PRINTER.1] is given twice (first on line 1)"},
        ConfigCase{"another section", "[Printers]\nDriver=A\n", {}, "line 1: unknown section [Printers]"},
        ConfigCase{"a section number with a leading zero", "[Printer.01]\nDriver=A\n", {}, "unknown section"},
        ConfigCase{"a key before any section", "Driver=A\n[Printer.1]\nDriver=A\n", {},
                   "line 1: \"Driver=A\" stands before any [Printer.N] section"},
        ConfigCase{"a line without =", "[Printer.1]\nDriver A\n", {}, "line 2: \"Driver A\" is no key=value line"},
        ConfigCase{"a key twice", "[Printer.1]\nDriver=A\ndriver=B\n", {}, "line 3: driver is given twice"},
        ConfigCase{"an empty value", "[Printer.1]\nDriver=\n", {}, "line 2: Driver needs a value"},
        ConfigCase{"a bad port", "[Printer.1]\nDriver=A\nPort=tcpip:300.1.1.1\n", {}, "line 3: Port: \"tcpip:300"},
        ConfigCase{"a bad rate", "[Printer.1]\nDriver=A\nBaud=1234\n", {}, "line 3: Baud: the baud rate must be"},
        ConfigCase{"a rate for a USB printer", "[Printer.1]\nDriver=A\nBaud=9600\nPort=usb\n", {},
                   "line 3: Baud goes with serial printers only"},
        ConfigCase{"a bad Default", "[Printer.1]\nDriver=A\nDefault=maybe\n", {}, "line 3: Default: Default takes yes or no"},
        ConfigCase{"two default printers", "[Printer.1]\nDriver=A\nDefault=yes\n[Printer.2]\nDriver=B\nDefault=1\n",
                   {}, "line 4: a second printer is made the default printer (the first: line 1)"},
        ConfigCase{"a printer name the spooler refuses", "[Printer.1]\nDriver=A\nName=a,b\n", {},
                   "line 3: Name: a printer name cannot contain"},
        ConfigCase{"an unclosed section", "[Printer.1\nDriver=A\n", {}, "line 1: a section line ends with ]"},
        ConfigCase{"nothing but comments", "; nothing\r\n", {}, "the file has no [Printer.N] section"}),
    [](const testing::TestParamInfo<ConfigCase>& param) {
        std::string name = param.param.what;
        for (char& ch : name) ch = std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
        return name;
    });

}  // namespace
