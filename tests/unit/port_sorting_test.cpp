#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ports/port_kinds.h"

namespace {

using Names = std::vector<std::string>;

std::vector<plat::PortInfo2> Ports(std::initializer_list<std::pair<const char*, const char*>> list) {
    std::vector<plat::PortInfo2> ports;
    for (const auto& [name, description] : list) {
        plat::PortInfo2 port;
        port.portName = name;
        port.description = description;
        ports.push_back(port);
    }
    return ports;
}

struct SortCase {
    const char* what;
    std::vector<plat::PortInfo2> records;
    Names usb, parallel, tcpip;
    int proposed;
};

class PortSorting : public testing::TestWithParam<SortCase> {};

TEST_P(PortSorting, SortsByKindAndProposesARow) {
    const SortCase& c = GetParam();
    SortedPorts sorted = SortPorts(c.records);
    EXPECT_EQ(sorted.usb, c.usb) << c.what;
    EXPECT_EQ(sorted.parallel, c.parallel) << c.what;
    EXPECT_EQ(sorted.tcpip, c.tcpip) << c.what;
    EXPECT_EQ(sorted.all.size(), c.records.size()) << c.what;
    EXPECT_EQ(ProposedPortKind(sorted), c.proposed) << c.what;
}

const char* const kLocal = "Local Port";
const char* const kTcp = "Standard TCP/IP Port";

INSTANTIATE_TEST_SUITE_P(
    Systems, PortSorting,
    testing::Values(
        SortCase{"mixed system",
                 Ports({{"LPT1:", kLocal}, {"COM1:", kLocal}, {"FILE:", kLocal}, {"USB001", ""}}),
                 {"USB001"}, {"LPT1:"}, {}, kPortUsb},
        SortCase{"only FILE:", Ports({{"FILE:", kLocal}}), {}, {}, {}, kPortTcpip},
        SortCase{"LPT port described as TCP/IP",
                 Ports({{"LPT2:", kTcp}, {"LPT1:", kLocal}}), {}, {"LPT1:"}, {"LPT2:"},
                 kPortParallel},
        SortCase{"lower-case com is no COM port", Ports({{"com1:", kLocal}}), {}, {}, {},
                 kPortUsb},
        SortCase{"COM beats LPT", Ports({{"LPT1:", kLocal}, {"COM3:", kLocal}}), {}, {"LPT1:"},
                 {}, kPortSerial},
        SortCase{"no ports at all", {}, {}, {}, {}, kPortUsb},
        SortCase{"USB port with a TCP/IP description stays USB", Ports({{"USB002", kTcp}}),
                 {"USB002"}, {}, {}, kPortUsb},
        SortCase{"Chinese TCP/IP description",
                 Ports({{"IP_10.0.0.9", "\xB1\xEA\xD7\xBC TCP/IP \xB6\xCB\xBF\xDA"},
                        {"IP_10.0.0.8", "standard tcp/ip port"}}),
                 {}, {}, {"IP_10.0.0.9"}, kPortUsb},
        SortCase{"FILE needs all four letters", Ports({{"FIL", kLocal}}), {}, {}, {},
                 kPortUsb}));

TEST(PortSorting, OnlyTheFirst256RecordsCount) {
    std::vector<plat::PortInfo2> records;
    for (int i = 0; i < 300; ++i) {
        plat::PortInfo2 port;
        port.portName = (i < 256 ? "LPT" : "USB") + std::to_string(i);
        records.push_back(port);
    }
    SortedPorts sorted = SortPorts(records);
    EXPECT_EQ(sorted.all.size(), 256u);
    EXPECT_EQ(sorted.parallel.size(), 256u);
    EXPECT_TRUE(sorted.usb.empty());
    EXPECT_EQ(ProposedPortKind(sorted), kPortParallel);
}

}  // namespace
