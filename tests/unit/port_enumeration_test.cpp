// The system's ports and printers as the dialog lists them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "installer_harness.h"

namespace {

using Names = std::vector<std::string>;

TEST(EnumeratePorts, FreshSystemProposesSerialAndListsTheDeviceMap) {
    InstallerHarness h;
    sim::SimDialog& dlg = h.Start();
    ASSERT_TRUE(h.WaitStartup());
    EXPECT_EQ(dlg.ListSelectedRows(IDC_PORT_LIST), std::vector<int>{0});
    EXPECT_EQ(h.dialog->m_saSerialPorts, Names{"COM1:"});
    EXPECT_EQ(h.dialog->m_saParallelPorts, (Names{"LPT1:", "LPT2:", "LPT3:"}));
    EXPECT_TRUE(h.dialog->m_saUsbPorts.empty());
    EXPECT_EQ(h.dialog->m_saAllPorts.size(), 8u);
}

TEST(EnumeratePorts, AUsbPortMakesUsbTheProposal) {
    InstallerHarness h;
    h.win.spooler().AddPort("USB001", "Virtual printer port for USB");
    sim::SimDialog& dlg = h.Start();
    ASSERT_TRUE(h.WaitStartup());
    EXPECT_EQ(dlg.ListSelectedRows(IDC_PORT_LIST), std::vector<int>{1});
    EXPECT_EQ(h.dialog->m_saUsbPorts, Names{"USB001"});
    EXPECT_EQ(dlg.ListItemState(IDC_PORT_LIST, 1) & plat::kLvisFocused, 0u);
}

TEST(EnumeratePorts, FailedEnumerationProposesUsbAndKeepsTheSerialList) {
    InstallerHarness h;
    h.win.faults().FailAlways("EnumPortsA", plat::err::kAccessDenied);
    sim::SimDialog& dlg = h.Start();
    ASSERT_TRUE(h.WaitStartup());
    EXPECT_EQ(dlg.ListSelectedRows(IDC_PORT_LIST), std::vector<int>{1});
    EXPECT_TRUE(h.dialog->m_saAllPorts.empty());
    EXPECT_EQ(h.dialog->m_saSerialPorts, Names{"COM1:"});
}

TEST(EnumeratePorts, TcpipPortsByDescription) {
    InstallerHarness h;
    h.win.spooler().AddPort("IP_192.0.2.7", "Standard TCP/IP Port");
    h.win.spooler().AddPort("IP_192.0.2.8", "\xB1\xEA\xD7\xBC TCP/IP \xB6\xCB\xBF\xDA");
    h.Start();
    ASSERT_TRUE(h.WaitStartup());
    EXPECT_EQ(h.dialog->m_saTcpipPorts, (Names{"IP_192.0.2.7", "IP_192.0.2.8"}));
}

struct DeviceMapCase {
    const char* what;
    std::vector<std::pair<std::string, std::string>> values;
    Names serial;
};

class DeviceMap : public testing::TestWithParam<DeviceMapCase> {};

TEST_P(DeviceMap, SerialPortsComeFromTheDeviceMap) {
    const DeviceMapCase& c = GetParam();
    InstallerHarness h;
    const std::string key = "HARDWARE\\DEVICEMAP\\SERIALCOMM";
    h.win.registry().RegDeleteKeyA(plat::RootKey::LocalMachine, key);
    plat::RegKey handle = nullptr;
    ASSERT_EQ(h.win.registry().RegCreateKeyExA(plat::RootKey::LocalMachine, key, plat::kKeyAllAccess,
                                             &handle),
              0);
    for (const auto& [name, data] : c.values) {
        h.win.registry().RegSetValueExA(handle, name.c_str(), plat::kRegSz,
                                      reinterpret_cast<const std::uint8_t*>(data.c_str()),
                                      static_cast<std::uint32_t>(data.size() + 1));
    }
    h.win.registry().RegCloseKey(handle);
    h.Start();
    ASSERT_TRUE(h.WaitStartup());
    EXPECT_EQ(h.dialog->m_saSerialPorts, c.serial) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Values, DeviceMap,
    testing::Values(
        DeviceMapCase{"two ports", {{"\\Device\\Serial0", "COM1"}, {"\\Device\\Serial1", "COM7"}},
                      {"COM1:", "COM7:"}},
        DeviceMapCase{"a name without the device prefix adds nothing",
                      {{"Serial0", "COM1"}, {"\\Device\\Serial1", "COM2"}}, {"COM2:"}},
        DeviceMapCase{"an over-long name is skipped whole",
                      {{"\\Device\\" + std::string(150, 'S'), "COM3"},
                       {"\\Device\\Serial1", "COM4"}},
                      {"COM4:"}},
        DeviceMapCase{"an over-long port is skipped whole",
                      {{"\\Device\\Serial0", "COM" + std::string(200, '9')},
                       {"\\Device\\Serial1", "COM5"}},
                      {"COM5:"}},
        DeviceMapCase{"an empty device map", {}, {}}));

TEST(ListInstalledPrinters, FillsBothListsInStep) {
    InstallerHarness h;
    h.Start();
    ASSERT_TRUE(h.WaitStartup());
    Names names{"stale"};
    Names ports{"stale"};
    EXPECT_FALSE(h.dialog->ListInstalledPrinters(names, ports)) << "no printers yet";
    EXPECT_TRUE(names.empty());
    plat::PrinterInfo2 info;
    info.printerName = "Counter";
    info.portName = "COM1:";
    info.driverName = "Generic";
    info.printProcessor = "WinPrint";
    h.win.spooler().AddDriverForTests("Generic");
    plat::Handle printer = h.win.spooler().AddPrinterA(2, info);
    ASSERT_NE(printer, nullptr);
    h.win.spooler().ClosePrinter(printer);
    EXPECT_TRUE(h.dialog->ListInstalledPrinters(names, ports));
    EXPECT_EQ(names, Names{"Counter"});
    EXPECT_EQ(ports, Names{"COM1:"});

    h.win.faults().FailAlways("EnumPrintersA", plat::err::kAccessDenied);
    Names keptNames{"kept"};
    Names keptPorts{"kept"};
    EXPECT_FALSE(h.dialog->ListInstalledPrinters(keptNames, keptPorts));
    EXPECT_EQ(keptNames, Names{"kept"});
    EXPECT_EQ(keptPorts, Names{"kept"});
}

}  // namespace
