// The print spooler as the installer relies on it.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "contract_support.h"

namespace contract {
namespace {

constexpr const char* kEnvironments[] = {"Windows NT x86", "Windows x64"};
constexpr const char* kDriverFolders[] = {"C:\\windows\\system32\\spool\\drivers\\w32x86",
                                          "C:\\windows\\system32\\spool\\drivers\\x64"};

bool SameText(std::string a, std::string b) {
    auto lower = [](std::string& s) {
        std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    };
    lower(a);
    lower(b);
    return a == b;
}

class SpoolerContract : public ContractTest {
protected:
    plat::ISpooler& Spooler() { return P().spooler; }

    // Registers a driver of placeholder files under `name` for both
    // environments, so that AddPrinterA finds it whichever it looks in.
    void AddPlaceholderDriver(const std::string& name) {
        for (int i = 0; i < 2; ++i) {
            const std::string dir = kDriverFolders[i];
            for (const char* file : {"ct_drv.dll", "ct_data.gpd", "ct_ui.dll"}) {
                ASSERT_TRUE(env().WriteFile(dir + "\\" + file, "placeholder")) << dir << "\\" << file;
            }
            plat::DriverInfo3 info;
            info.name = name;
            info.environment = kEnvironments[i];
            info.driverPath = dir + "\\ct_drv.dll";
            info.dataFile = dir + "\\ct_data.gpd";
            info.configFile = dir + "\\ct_ui.dll";
            info.defaultDataType = "RAW";
            auto added = Call(System(), [&] { return Spooler().AddPrinterDriverExA(3, info, plat::kAplCopyAllFiles); });
            ASSERT_TRUE(added.value) << kEnvironments[i] << ": " << Describe(added);
        }
    }

    static plat::PrinterInfo2 PrinterRecord(const std::string& name, const std::string& driver,
                                            const std::string& port) {
        plat::PrinterInfo2 info;
        info.printerName = name;
        info.portName = port;
        info.driverName = driver;
        info.printProcessor = "WinPrint";
        info.datatype = "RAW";
        return info;
    }

    void DeletePrinterIfPresent(const std::string& name) {
        plat::PrinterDefaults defaults{"RAW", plat::kPrinterAllAccess};
        plat::Handle printer = Spooler().OpenPrinterA(name, defaults);
        if (printer == nullptr) return;
        Spooler().DeletePrinter(printer);
        Spooler().ClosePrinter(printer);
    }
};

TEST_F(SpoolerContract, EnumPortsListsTheStandardLocalPorts) {
    std::vector<plat::PortInfo2> ports;
    auto listed = Call(System(), [&] { return Spooler().EnumPortsA(2, &ports); });
    ASSERT_TRUE(listed.value) << Describe(listed);
    for (const char* wanted : {"COM1:", "LPT1:", "FILE:"}) {
        const bool found = std::any_of(ports.begin(), ports.end(),
                                       [&](const plat::PortInfo2& port) { return port.portName == wanted; });
        EXPECT_TRUE(found) << wanted << " missing among " << ports.size() << " ports";
    }
}

TEST_F(SpoolerContract, DriverDirectoryOfBothEnvironments) {
    for (int i = 0; i < 2; ++i) {
        char buffer[255];
        std::memset(buffer, 'x', sizeof buffer);
        std::uint32_t needed = 0;
        auto got = Call(System(), [&] {
            return Spooler().GetPrinterDriverDirectoryA(kEnvironments[i], 1, buffer, sizeof buffer, &needed);
        });
        ASSERT_TRUE(got.value) << kEnvironments[i] << ": " << Describe(got);
        EXPECT_TRUE(SameText(buffer, kDriverFolders[i])) << buffer;
        EXPECT_EQ(needed, std::strlen(kDriverFolders[i]) + 1) << kEnvironments[i];
    }
}

TEST_F(SpoolerContract, DriverDirectoryRefusesATooSmallBufferAndSaysWhatItNeeds) {
    char buffer[10];
    std::uint32_t needed = 0;
    auto got = Call(System(), [&] {
        return Spooler().GetPrinterDriverDirectoryA("Windows NT x86", 1, buffer, sizeof buffer, &needed);
    });
    EXPECT_FAILED_WITH(got, false, plat::err::kInsufficientBuffer);
    EXPECT_EQ(needed, std::strlen(kDriverFolders[0]) + 1);
}

TEST_F(SpoolerContract, AddPrinterWithUnknownDriverFails) {
    auto added = Call(System(), [&] {
        return Spooler().AddPrinterA(2, PrinterRecord("Contract No Driver", "No Such Driver 1234", "FILE:"));
    });
    EXPECT_FAILED_WITH(added, nullptr,
                       KnownWineGap(plat::err::kUnknownPrinterDriver, plat::err::kInvalidParameter,
                                    "AddPrinterA with an unknown driver"));
    if (added.value != nullptr) Spooler().ClosePrinter(added.value);
}

TEST_F(SpoolerContract, OpenPrinterOfUnknownNameFails) {
    plat::PrinterDefaults defaults{"RAW", plat::kPrinterAllAccess};
    auto opened = Call(System(), [&] { return Spooler().OpenPrinterA("Contract No Such Printer", defaults); });
    EXPECT_FAILED_WITH(opened, nullptr, plat::err::kInvalidPrinterName);
}

// What an unattended run asks before it installs, and how it reaches a port
// monitor without a window: the print server opens for administering, and
// so does a port monitor's own interface.
TEST_F(SpoolerContract, PrintServerAndAMonitorsInterfaceOpenForAdministering) {
    const plat::PrinterDefaults administer{"", plat::kServerAccessAdminister};
    for (const std::string& name : {std::string(""), std::string(plat::kXcvMonitorPrefix) + "Local Port"}) {
        auto opened = Call(System(), [&] { return Spooler().OpenPrinterA(name, administer); });
        ASSERT_NE(opened.value, nullptr) << "\"" << name << "\": " << Describe(opened);
        EXPECT_TRUE(Spooler().ClosePrinter(opened.value));
    }
    auto unknown = Call(System(), [&] {
        return Spooler().OpenPrinterA(std::string(plat::kXcvMonitorPrefix) + "Contract No Such Monitor", administer);
    });
    EXPECT_EQ(unknown.value, nullptr);
}

TEST_F(SpoolerContract, DeleteMissingMonitorFails) {
    auto deleted = Call(System(), [&] {
        return Spooler().DeleteMonitorA("Windows NT x86", "Contract No Such Monitor");
    });
    EXPECT_FAILED_WITH(deleted, false, plat::err::kUnknownPrintMonitor);
}

TEST_F(SpoolerContract, AddMonitorWithMissingLibraryFails) {
    plat::MonitorInfo2 info{"Contract Missing Monitor", "", "contract-no-such-monitor.dll"};
    auto added = Call(System(), [&] { return Spooler().AddMonitorA(2, info); });
    EXPECT_FAILED_WITH(added, false, plat::err::kModNotFound);
}

TEST_F(SpoolerContract, PortCallsOnAnUnknownPortAreNotSupported) {
    auto configured = Call(System(), [&] { return Spooler().ConfigurePortA(nullptr, "CONTRACT99:"); });
    EXPECT_FAILED_WITH(configured, false, plat::err::kNotSupported);
    auto deleted = Call(System(), [&] { return Spooler().DeletePortA(nullptr, "CONTRACT99:"); });
    EXPECT_FAILED_WITH(deleted, false, plat::err::kNotSupported);
}

TEST_F(SpoolerContract, DriverWithAMissingFileIsRefused) {
    plat::DriverInfo3 info;
    info.name = "Contract Missing Files";
    info.environment = "Windows x64";
    info.driverPath = std::string(kDriverFolders[1]) + "\\contract-none-drv.dll";
    info.dataFile = std::string(kDriverFolders[1]) + "\\contract-none.gpd";
    info.configFile = std::string(kDriverFolders[1]) + "\\contract-none-ui.dll";
    auto added = Call(System(), [&] { return Spooler().AddPrinterDriverExA(3, info, plat::kAplCopyAllFiles); });
    if (KnownWineGap(true, false, "AddPrinterDriverExA refuses a driver whose files are missing")) {
        EXPECT_FAILED_WITH(added, false, plat::err::kFileNotFound);
    } else {
        EXPECT_TRUE(added.value) << Describe(added);
    }
}

TEST_F(SpoolerContract, EnumPrintersSucceedsWithTheLocalFlags) {
    std::vector<plat::PrinterInfo2> printers;
    auto listed = Call(System(), [&] {
        return Spooler().EnumPrintersA(plat::kPrinterEnumLocal | plat::kPrinterEnumConnections, "", 2, &printers);
    });
    EXPECT_TRUE(listed.value) << Describe(listed);
}

// The installer's whole printer sequence: register a driver, replace an
// existing printer (open, purge, delete, close), create it, and find it
// listed and kept in the registry where the port assignment writes.
TEST_F(SpoolerContract, PrinterLifeCycle) {
    const std::string driver = "Contract Test Driver";
    const std::string name = "Contract Test Printer";
    AddPlaceholderDriver(driver);
    DeletePrinterIfPresent(name);

    auto added = Call(System(), [&] { return Spooler().AddPrinterA(2, PrinterRecord(name, driver, "FILE:")); });
    ASSERT_NE(added.value, nullptr) << Describe(added);
    EXPECT_TRUE(Spooler().ClosePrinter(added.value));

    auto again = Call(System(), [&] { return Spooler().AddPrinterA(2, PrinterRecord(name, driver, "FILE:")); });
    const bool refused = KnownWineGap(true, false, "AddPrinterA refuses the name of an existing printer");
    if (refused) {
        EXPECT_FAILED_WITH(again, nullptr, plat::err::kPrinterAlreadyExists);
    } else {
        EXPECT_SUCCEEDED(again, nullptr);
    }
    if (again.value != nullptr) Spooler().ClosePrinter(again.value);

    std::vector<plat::PrinterInfo2> printers;
    ASSERT_TRUE(Spooler().EnumPrintersA(plat::kPrinterEnumLocal | plat::kPrinterEnumConnections, "", 2, &printers));
    auto listed = std::find_if(printers.begin(), printers.end(),
                               [&](const plat::PrinterInfo2& p) { return p.printerName == name; });
    ASSERT_NE(listed, printers.end());
    EXPECT_EQ(listed->portName, "FILE:");
    EXPECT_EQ(listed->driverName, driver);

    plat::RegKey key = nullptr;
    ASSERT_EQ(P().registry.RegOpenKeyExA(plat::RootKey::LocalMachine,
                                         "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\" + name,
                                         plat::kKeyRead, &key), 0);
    char port[64] = {};
    std::uint32_t size = sizeof port;
    EXPECT_EQ(P().registry.RegQueryValueExA(key, "Port", nullptr, reinterpret_cast<std::uint8_t*>(port), &size), 0);
    EXPECT_STREQ(port, "FILE:");
    P().registry.RegCloseKey(key);

    // Opened by another case of its name.
    plat::PrinterDefaults defaults{"RAW", plat::kPrinterAllAccess};
    auto opened = Call(System(), [&] { return Spooler().OpenPrinterA("CONTRACT test PRINTER", defaults); });
    ASSERT_NE(opened.value, nullptr) << Describe(opened);
    auto purged = Call(System(), [&] { return Spooler().SetPrinterA(opened.value, 0, plat::kPrinterControlPurge); });
    if (KnownWineGap(true, false, "SetPrinterA purges at level 0")) {
        EXPECT_TRUE(purged.value) << Describe(purged);
    } else {
        EXPECT_FAILED_WITH(purged, false, plat::err::kInvalidLevel);
    }
    auto deleted = Call(System(), [&] { return Spooler().DeletePrinter(opened.value); });
    EXPECT_TRUE(deleted.value) << Describe(deleted);
    EXPECT_TRUE(Spooler().ClosePrinter(opened.value));

    auto gone = Call(System(), [&] { return Spooler().OpenPrinterA(name, defaults); });
    EXPECT_FAILED_WITH(gone, nullptr, plat::err::kInvalidPrinterName);
    if (gone.value != nullptr) Spooler().ClosePrinter(gone.value);
}

}  // namespace
}  // namespace contract
