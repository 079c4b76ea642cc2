// The simulated registry beyond what the contract tests show: links,
// volatile keys, deleted keys and the knobs.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/sim/sim_windows.h"

namespace {

using plat::RootKey;

class SimRegistryTest : public ::testing::Test {
protected:
    sim::SimRegistry& Reg() { return m_win.registry(); }
    sim::SimWindows m_win;
};

TEST_F(SimRegistryTest, CurrentControlSetIsTheFirstControlSet) {
    Reg().SetString(RootKey::LocalMachine, "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\P", "Port", "COM1:");
    EXPECT_EQ(Reg().GetString(RootKey::LocalMachine, "SYSTEM\\ControlSet001\\Control\\Print\\Printers\\P", "Port"),
              "COM1:");
}

// The port assignment writes the on-line flag through HKEY_CURRENT_CONFIG;
// the USB detection reads it through the hardware profile under HKLM.
TEST_F(SimRegistryTest, CurrentConfigIsTheCurrentHardwareProfile) {
    plat::RegKey key = nullptr;
    ASSERT_EQ(Reg().RegCreateKeyExA(RootKey::CurrentConfig, "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\P",
                                    plat::kKeyAllAccess, &key), 0);
    const std::uint32_t zero = 0;
    ASSERT_EQ(Reg().RegSetValueExA(key, "PrinterOnLine", plat::kRegDword,
                                   reinterpret_cast<const std::uint8_t*>(&zero), 4), 0);
    Reg().RegCloseKey(key);
    EXPECT_EQ(Reg().GetDword(RootKey::LocalMachine,
                             "SYSTEM\\CurrentControlSet\\Hardware Profiles\\Current\\System\\CurrentControlSet"
                             "\\Control\\Print\\Printers\\P",
                             "PrinterOnLine"),
              0u);
}

TEST_F(SimRegistryTest, WineKeepsCurrentConfigVolatile) {
    Reg().SetCurrentConfigVolatileOnly(true);
    plat::RegKey key = nullptr;
    EXPECT_EQ(Reg().RegCreateKeyExA(RootKey::CurrentConfig, "SYSTEM\\New", plat::kKeyAllAccess, &key),
              sim::regerr::kChildMustBeVolatile);
    ASSERT_EQ(Reg().RegCreateKeyExA(RootKey::CurrentConfig, "SYSTEM\\New", plat::kKeyAllAccess, &key, true), 0);
    Reg().RegCloseKey(key);
}

TEST_F(SimRegistryTest, VolatileKeysGoWithARestart) {
    plat::RegKey key = nullptr;
    ASSERT_EQ(Reg().RegCreateKeyExA(RootKey::CurrentUser, "Software\\Gone", plat::kKeyAllAccess, &key, true), 0);
    Reg().RegCloseKey(key);
    EXPECT_EQ(Reg().RegCreateKeyExA(RootKey::CurrentUser, "Software\\Gone\\Lasting", plat::kKeyAllAccess, &key),
              sim::regerr::kChildMustBeVolatile);
    Reg().DropVolatileKeys();
    EXPECT_FALSE(Reg().KeyExists(RootKey::CurrentUser, "Software\\Gone"));
    EXPECT_TRUE(Reg().KeyExists(RootKey::LocalMachine, "HARDWARE\\DEVICEMAP\\SERIALCOMM"));
}

TEST_F(SimRegistryTest, HandleToADeletedKeyFails) {
    plat::RegKey key = nullptr;
    ASSERT_EQ(Reg().RegCreateKeyExA(RootKey::CurrentUser, "Software\\Doomed", plat::kKeyAllAccess, &key), 0);
    ASSERT_EQ(Reg().RegDeleteKeyA(RootKey::CurrentUser, "Software\\Doomed"), 0);
    const std::uint8_t data[] = "x";
    EXPECT_EQ(Reg().RegSetValueExA(key, "v", plat::kRegSz, data, 2), sim::regerr::kKeyDeleted);
    EXPECT_EQ(Reg().RegCloseKey(key), 0);
    EXPECT_EQ(Reg().RegCloseKey(key), static_cast<long>(plat::err::kInvalidHandle));
    EXPECT_EQ(Reg().OpenKeyCount(), 0u);
}

TEST_F(SimRegistryTest, NamesKeepTheirFirstCaseAndPlace) {
    Reg().SetString(RootKey::CurrentUser, "Software\\T", "Beta", "1");
    Reg().SetString(RootKey::CurrentUser, "Software\\T", "Alpha", "2");
    Reg().SetString(RootKey::CurrentUser, "SOFTWARE\\t", "BETA", "3");
    EXPECT_EQ(Reg().ValueNames(RootKey::CurrentUser, "Software\\T"), (std::vector<std::string>{"Beta", "Alpha"}));
    EXPECT_EQ(Reg().GetString(RootKey::CurrentUser, "software\\t", "beta"), "3");
}

TEST_F(SimRegistryTest, PathStartingWithABackslashIsRefused) {
    plat::RegKey key = nullptr;
    EXPECT_EQ(Reg().RegOpenKeyExA(RootKey::LocalMachine, "\\SOFTWARE", plat::kKeyRead, &key),
              sim::regerr::kBadPathname);
}

TEST_F(SimRegistryTest, FreshSystemHasThePortsAndTheDeviceMap) {
    EXPECT_EQ(Reg().GetString(RootKey::LocalMachine, "HARDWARE\\DEVICEMAP\\SERIALCOMM", "\\Device\\Serial0"), "COM1");
    EXPECT_EQ(Reg().GetString(RootKey::LocalMachine, sim::kPortsKey, "COM1:"), "9600,n,8,1");
    EXPECT_TRUE(Reg().KeyExists(RootKey::CurrentUser, "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows"));
    EXPECT_TRUE(Reg().KeyExists(RootKey::LocalMachine, "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers"));
}

// A string read into a buffer with room gets a NUL the stored data lacks.
TEST_F(SimRegistryTest, StringStoredWithoutNulIsTerminatedWhenRead) {
    Reg().SetValue(RootKey::CurrentUser, "Software\\T", "raw", plat::kRegSz, {'a', 'b'});
    plat::RegKey key = nullptr;
    ASSERT_EQ(Reg().RegOpenKeyExA(RootKey::CurrentUser, "Software\\T", plat::kKeyRead, &key), 0);
    char data[8];
    std::memset(data, 'x', sizeof data);
    std::uint32_t size = sizeof data;
    EXPECT_EQ(Reg().RegQueryValueExA(key, "raw", nullptr, reinterpret_cast<std::uint8_t*>(data), &size), 0);
    EXPECT_EQ(size, 2u);
    EXPECT_STREQ(data, "ab");
    // Exactly the stored size: no room, no NUL.
    std::memset(data, 'x', sizeof data);
    size = 2;
    EXPECT_EQ(Reg().RegQueryValueExA(key, "raw", nullptr, reinterpret_cast<std::uint8_t*>(data), &size), 0);
    EXPECT_EQ(data[2], 'x');
    Reg().RegCloseKey(key);
}

// A string keeps every byte it was written with: only its one terminating
// NUL is left out when a test reads it back, so that a size one too large
// shows. The call log keeps the size as passed.
TEST_F(SimRegistryTest, StringKeepsTheBytesItWasWrittenWith) {
    plat::RegKey key = nullptr;
    ASSERT_EQ(Reg().RegCreateKeyExA(RootKey::CurrentUser, "Software\\T", plat::kKeyAllAccess, &key),
              0);
    m_win.faults().Log().Start();
    const char text[] = "COM1:\0";  // two NULs
    EXPECT_EQ(Reg().RegSetValueExA(key, "Port", plat::kRegSz,
                                   reinterpret_cast<const std::uint8_t*>(text), sizeof text),
              0);
    Reg().RegCloseKey(key);
    EXPECT_EQ(Reg().GetValue(RootKey::CurrentUser, "Software\\T", "Port")->data.size(), 7u);
    EXPECT_EQ(Reg().GetString(RootKey::CurrentUser, "Software\\T", "Port"), std::string("COM1:\0", 6));
    EXPECT_EQ(m_win.faults().Log().Entries(),
              (std::vector<std::string>{"RegSetValueExA Port 1 7", "RegCloseKey"}));
}

}  // namespace
