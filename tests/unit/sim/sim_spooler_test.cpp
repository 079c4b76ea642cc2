// The simulated spooler's rules and knobs.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/sim/sim_windows.h"

namespace {

using plat::RootKey;

constexpr char kX64Dir[] = "C:\\windows\\system32\\spool\\drivers\\x64";

class SimSpoolerTest : public ::testing::Test {
protected:
    sim::SimSpooler& Spooler() { return m_win.spooler(); }
    std::uint32_t LastError() { return m_win.system().GetLastError(); }

    plat::DriverInfo3 StagedDriver(const std::string& name) {
        for (const char* file : {"drv.dll", "data.gpd", "ui.dll", "help.hlp", "dep1.dll", "Model.DLL"}) {
            EXPECT_TRUE(m_win.files().WriteFile(std::string(kX64Dir) + "\\" + file, file));
        }
        plat::DriverInfo3 info;
        info.name = name;
        info.environment = sim::kEnvironmentX64;
        info.driverPath = std::string(kX64Dir) + "\\drv.dll";
        info.dataFile = std::string(kX64Dir) + "\\data.gpd";
        info.configFile = std::string(kX64Dir) + "\\ui.dll";
        info.helpFile = std::string(kX64Dir) + "\\help.hlp";
        info.dependentFiles = {"\\dep1.dll", "Model.DLL"};
        info.defaultDataType = "RAW";
        return info;
    }
    static plat::PrinterInfo2 Record(const std::string& name, const std::string& port,
                                     const std::string& driver = "Generic") {
        plat::PrinterInfo2 info;
        info.printerName = name;
        info.portName = port;
        info.driverName = driver;
        info.printProcessor = "WinPrint";
        info.datatype = "RAW";
        return info;
    }
    plat::Handle Add(const plat::PrinterInfo2& info) {
        m_win.system().SetLastError(0);
        return Spooler().AddPrinterA(2, info);
    }
    void RestartSpooler() {
        m_win.services().SetState("Spooler", plat::kServiceStartPending);
        m_win.system().Sleep(1000);
        ASSERT_EQ(m_win.services().State("Spooler"), plat::kServiceRunning);
    }

    sim::SimWindows m_win;
};

TEST_F(SimSpoolerTest, DriverFilesAreCopiedIntoTheVersionFolderAndRegistered) {
    ASSERT_TRUE(Spooler().AddPrinterDriverExA(3, StagedDriver("Model A"), plat::kAplCopyAllFiles));
    for (const char* file : {"drv.dll", "data.gpd", "ui.dll", "help.hlp", "dep1.dll", "Model.DLL"}) {
        EXPECT_TRUE(m_win.files().IsFile(std::string(kX64Dir) + "\\3\\" + file)) << file;
    }
    // The spooler keeps its own copies: the staged ones may go.
    for (const char* file : {"drv.dll", "data.gpd", "ui.dll"}) {
        ASSERT_TRUE(m_win.files().DeleteFileA((std::string(kX64Dir) + "\\" + file).c_str()));
    }
    std::optional<plat::DriverInfo3> driver = Spooler().Driver(sim::kEnvironmentX64, "model a");
    ASSERT_TRUE(driver);
    EXPECT_EQ(driver->driverPath, std::string(kX64Dir) + "\\3\\drv.dll");
    EXPECT_EQ(m_win.registry().GetString(RootKey::LocalMachine,
                                         "SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\Windows x64"
                                         "\\Drivers\\Version-3\\Model A",
                                         "Data File"),
              "data.gpd");
    // Registering again replaces it, from the copies already kept.
    EXPECT_TRUE(Spooler().AddPrinterDriverExA(3, StagedDriver("Model A"), plat::kAplCopyAllFiles));
}

TEST_F(SimSpoolerTest, DriverRefusals) {
    struct Case {
        const char* what;
        void (*change)(plat::DriverInfo3&);
        std::uint32_t level;
        std::uint32_t error;
    } cases[] = {
        {"unknown level", [](plat::DriverInfo3&) {}, 4, plat::err::kInvalidLevel},
        {"unknown environment", [](plat::DriverInfo3& i) { i.environment = "Windows IA64"; }, 3,
         sim::spoolerr::kInvalidEnvironment},
        {"no config file", [](plat::DriverInfo3& i) { i.configFile.clear(); }, 3, plat::err::kInvalidParameter},
        {"missing driver file", [](plat::DriverInfo3& i) { i.driverPath = "C:\\nowhere\\none.dll"; }, 3,
         plat::err::kFileNotFound},
        {"missing dependent file", [](plat::DriverInfo3& i) { i.dependentFiles.push_back("none.dll"); }, 3,
         plat::err::kFileNotFound},
        {"unknown language monitor", [](plat::DriverInfo3& i) { i.monitorName = "No Monitor"; }, 3,
         plat::err::kUnknownPrintMonitor},
    };
    for (const Case& c : cases) {
        plat::DriverInfo3 info = StagedDriver("Refused");
        c.change(info);
        m_win.system().SetLastError(0);
        EXPECT_FALSE(Spooler().AddPrinterDriverExA(c.level, info, plat::kAplCopyAllFiles)) << c.what;
        EXPECT_EQ(LastError(), c.error) << c.what;
        EXPECT_FALSE(Spooler().Driver(sim::kEnvironmentX64, "Refused")) << c.what;
    }
    sim::SpoolerQuirks wine;
    wine.missingDependentFilesAccepted = true;
    Spooler().SetQuirks(wine);
    plat::DriverInfo3 info = StagedDriver("Lenient");
    info.dependentFiles.push_back("none.dll");
    EXPECT_TRUE(Spooler().AddPrinterDriverExA(3, info, plat::kAplCopyAllFiles));
}

TEST_F(SimSpoolerTest, MonitorsAddedFromTheSystemFolderOnceAndKeptWhileInUse) {
    plat::MonitorInfo2 monitor{"Lang Monitor", sim::kEnvironmentX64, "langmon.dll"};
    EXPECT_FALSE(Spooler().AddMonitorA(2, monitor));
    EXPECT_EQ(LastError(), plat::err::kModNotFound);
    ASSERT_TRUE(m_win.files().WriteFile("C:\\windows\\system32\\langmon.dll", "x"));
    ASSERT_TRUE(Spooler().AddMonitorA(2, monitor));
    EXPECT_FALSE(Spooler().AddMonitorA(2, monitor));
    EXPECT_EQ(LastError(), plat::err::kPrintMonitorAlreadyInstalled);

    plat::DriverInfo3 driver = StagedDriver("Label");
    driver.monitorName = "Lang Monitor";
    ASSERT_TRUE(Spooler().AddPrinterDriverExA(3, driver, plat::kAplCopyAllFiles));
    plat::Handle printer = Add(Record("Label", "LPT1:", "Label"));
    ASSERT_NE(printer, nullptr);
    EXPECT_FALSE(Spooler().DeleteMonitorA(sim::kEnvironmentX64, "lang monitor"));
    EXPECT_EQ(LastError(), sim::spoolerr::kPrintMonitorInUse);
    ASSERT_TRUE(Spooler().DeletePrinter(printer));
    ASSERT_TRUE(Spooler().ClosePrinter(printer));
    EXPECT_TRUE(Spooler().DeleteMonitorA(sim::kEnvironmentX64, "lang monitor"));
}

TEST_F(SimSpoolerTest, PrinterRefusals) {
    Spooler().AddDriverForTests("Generic");
    plat::Handle first = Add(Record("Receipt", "LPT1:"));
    ASSERT_NE(first, nullptr);
    Spooler().ClosePrinter(first);

    EXPECT_EQ(Add(Record("RECEIPT", "LPT1:")), nullptr);
    EXPECT_EQ(LastError(), plat::err::kPrinterAlreadyExists);
    EXPECT_EQ(Add(Record("Other", "LPT1:", "No Such Driver")), nullptr);
    EXPECT_EQ(LastError(), plat::err::kUnknownPrinterDriver);
    plat::PrinterInfo2 processor = Record("Other", "LPT1:");
    processor.printProcessor = "Unknown";
    EXPECT_EQ(Add(processor), nullptr);
    EXPECT_EQ(LastError(), sim::spoolerr::kUnknownPrintProcessor);
    plat::Handle anyPort = Add(Record("Any Port", "USB009"));
    EXPECT_NE(anyPort, nullptr);
    Spooler().ClosePrinter(anyPort);
    Spooler().SetStrictPorts(true);
    EXPECT_EQ(Add(Record("Strict", "USB009")), nullptr);
    EXPECT_EQ(LastError(), plat::err::kUnknownPort);
    EXPECT_EQ(Spooler().OpenPrinterCount(), 0u);
}

TEST_F(SimSpoolerTest, AddPrinterLooksInTheSystemsOwnEnvironment) {
    Spooler().AddDriverForTests("Only x86", sim::kEnvironmentX86);
    EXPECT_EQ(Add(Record("P", "LPT1:", "Only x86")), nullptr);  // 64-bit Windows looks in x64
    EXPECT_EQ(LastError(), plat::err::kUnknownPrinterDriver);
    m_win.system().SetWow64(false);
    plat::Handle printer = Add(Record("P", "LPT1:", "Only x86"));
    EXPECT_NE(printer, nullptr);
    Spooler().ClosePrinter(printer);
}

TEST_F(SimSpoolerTest, WineQuirks) {
    m_win.BehaveLikeWine();
    Spooler().AddDriverForTests("Generic", sim::kEnvironmentX64);
    EXPECT_EQ(Add(Record("P", "LPT1:")), nullptr);  // looks in the 32-bit environment
    EXPECT_EQ(LastError(), plat::err::kInvalidParameter);
    Spooler().AddDriverForTests("Generic");
    plat::Handle first = Add(Record("P", "LPT1:"));
    plat::Handle second = Add(Record("P", "COM1:"));
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);  // replaces the first
    EXPECT_EQ(Spooler().PrinterNames(), std::vector<std::string>{"P"});
    EXPECT_FALSE(Spooler().SetPrinterA(second, 0, plat::kPrinterControlPurge));
    EXPECT_EQ(LastError(), plat::err::kInvalidLevel);
    EXPECT_FALSE(m_win.registry().KeyExists(RootKey::LocalMachine, std::string(sim::kDsPrintersKey) + "P"));
    Spooler().ClosePrinter(first);
    Spooler().ClosePrinter(second);
}

// The port assignment writes a printer's port into its keys and restarts
// the spooler, which then takes the port and reports the printer on line
// when a device answers there.
TEST_F(SimSpoolerTest, PortWrittenToTheRegistryTakesEffectWhenTheSpoolerStarts) {
    Spooler().AddDriverForTests("Generic");
    Spooler().AddPort("USB001", "Virtual printer port for USB");
    Spooler().AddPort("USB002", "Virtual printer port for USB");
    Spooler().SetDeviceOnPort("USB002", true);
    plat::Handle printer = Add(Record("P", "LPT1:"));
    ASSERT_NE(printer, nullptr);
    Spooler().ClosePrinter(printer);
    const std::string key = std::string(sim::kPrintersKey) + "P";
    EXPECT_EQ(m_win.registry().GetString(RootKey::LocalMachine, key, "Printer Driver"), "Generic");
    EXPECT_EQ(m_win.registry().GetString(RootKey::LocalMachine, std::string(sim::kDsPrintersKey) + "P\\DsSpooler",
                                         "portName"),
              "LPT1:");
    const std::string online = "System\\CurrentControlSet\\Control\\Print\\Printers\\P";

    m_win.registry().SetString(RootKey::LocalMachine, key, "Port", "USB001");
    EXPECT_EQ(Spooler().Printer("P")->portName, "LPT1:");
    RestartSpooler();
    EXPECT_EQ(Spooler().Printer("P")->portName, "USB001");
    EXPECT_EQ(m_win.registry().GetDword(RootKey::CurrentConfig, online, "PrinterOnLine"), 0u);

    m_win.registry().SetString(RootKey::LocalMachine, key, "Port", "USB002");
    RestartSpooler();
    EXPECT_EQ(m_win.registry().GetDword(RootKey::CurrentConfig, online, "PrinterOnLine"), 1u);
}

TEST_F(SimSpoolerTest, AddPortWindowIsScripted) {
    plat::WindowHandle owner = reinterpret_cast<plat::WindowHandle>(0x1234);
    EXPECT_FALSE(Spooler().AddPortA(owner, sim::kTcpipPortMonitor));  // no handler: cancelled
    EXPECT_EQ(LastError(), plat::err::kCancelled);
    std::vector<std::string> asked;
    Spooler().SetAddPortHandler([&](const std::string& monitor) -> std::optional<std::string> {
        asked.push_back(monitor);
        return std::string("IP_10.0.0.7");
    });
    ASSERT_TRUE(Spooler().AddPortA(owner, sim::kTcpipPortMonitor));
    EXPECT_EQ(asked, std::vector<std::string>{sim::kTcpipPortMonitor});
    std::vector<plat::PortInfo2> ports;
    ASSERT_TRUE(Spooler().EnumPortsA(2, &ports));
    EXPECT_EQ(ports.back().portName, "IP_10.0.0.7");
    EXPECT_EQ(ports.back().description, "Standard TCP/IP Port");

    Spooler().SetConfigurePortHandler([](const std::string&) { return 57u; });
    EXPECT_FALSE(Spooler().ConfigurePortA(owner, "IP_10.0.0.7"));
    EXPECT_EQ(LastError(), 57u);
    EXPECT_TRUE(Spooler().DeletePortA(owner, "ip_10.0.0.7"));
    EXPECT_FALSE(Spooler().DeletePortA(owner, "IP_10.0.0.7"));
    EXPECT_EQ(LastError(), plat::err::kNotSupported);

    Spooler().AddPort("IP_10.0.0.8", "Standard TCP/IP Port");
    m_win.BehaveLikeWine();
    EXPECT_FALSE(Spooler().ConfigurePortA(owner, "IP_10.0.0.8"));
    EXPECT_EQ(LastError(), plat::err::kNotSupported);
}

TEST_F(SimSpoolerTest, LocalPortsAreTheValuesOfThePortsKey) {
    m_win.registry().SetString(RootKey::LocalMachine, sim::kPortsKey, "COM7:", "9600,n,8,1");
    std::vector<plat::PortInfo2> ports;
    ASSERT_TRUE(Spooler().EnumPortsA(2, &ports));
    std::vector<std::string> names;
    for (const plat::PortInfo2& port : ports) names.push_back(port.portName);
    EXPECT_EQ(names, (std::vector<std::string>{"COM1:", "COM2:", "COM3:", "COM4:", "FILE:", "LPT1:", "LPT2:",
                                               "LPT3:", "COM7:"}));
}

TEST_F(SimSpoolerTest, CallsNeedARunningServiceWhenAsked) {
    Spooler().SetRequireRunningService(true);
    std::vector<plat::PortInfo2> ports;
    EXPECT_FALSE(Spooler().EnumPortsA(2, &ports));
    EXPECT_EQ(LastError(), sim::spoolerr::kServerUnavailable);
    m_win.services().SetState("Spooler", plat::kServiceRunning);
    EXPECT_TRUE(Spooler().EnumPortsA(2, &ports));
}

TEST_F(SimSpoolerTest, OldHandleOfADeletedPrinterIsRefused) {
    Spooler().AddDriverForTests("Generic");
    plat::Handle created = Add(Record("P", "LPT1:"));
    plat::Handle opened = Spooler().OpenPrinterA("p", plat::PrinterDefaults{"RAW", plat::kPrinterAllAccess});
    ASSERT_NE(opened, nullptr);
    ASSERT_TRUE(Spooler().DeletePrinter(opened));
    EXPECT_FALSE(m_win.registry().KeyExists(RootKey::LocalMachine, std::string(sim::kPrintersKey) + "P"));
    plat::Handle again = Add(Record("P", "LPT1:"));
    ASSERT_NE(again, nullptr);
    EXPECT_FALSE(Spooler().SetPrinterA(created, 0, plat::kPrinterControlPurge));
    EXPECT_EQ(LastError(), sim::spoolerr::kPrinterDeleted);
    for (plat::Handle handle : {created, opened, again}) EXPECT_TRUE(Spooler().ClosePrinter(handle));
    EXPECT_FALSE(Spooler().ClosePrinter(created));
    EXPECT_EQ(LastError(), plat::err::kInvalidHandle);
}

}  // namespace
