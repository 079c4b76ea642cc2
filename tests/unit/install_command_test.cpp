// The Install button's choices: driver index, port kind and first port, and
// the names it refuses; and the port writes the detections rely on.
#include <gtest/gtest.h>

#include "app/box_texts.h"
#include "app/globals.h"
#include "install_support.h"

namespace {

using plat::RootKey;

class InstallCommand : public testing::Test {
protected:
    void SetUp() override { PlaceReceiptPackage(h); }
    InstallerHarness h{/*withPackage=*/false, ""};
};

TEST_F(InstallCommand, ANameInTwoSectionsInstallsTheLastOne) {
    StartWithPorts(h, {"USB001"});
    Install(h, "Twice", 1);
    EXPECT_EQ(h.dialog->m_nDriverIndex, 15);
    EXPECT_TRUE(h.win.spooler().Printer("Twice"));
    EXPECT_EQ(h.win.spooler().Printer("Twice")->driverName, "vex5(No Cut) Series");
}

TEST_F(InstallCommand, ADriverWithoutModelIsRefusedAndTheKindIsKeptForTheNextTry) {
    sim::SimDialog& dlg = StartWithPorts(h, {"USB001"});
    Install(h, "Driver 5", 1);
    auto box = dlg.WaitMessageBox();
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text, "The driver \"Driver 5\" is not known to this installer.\r\n"
                         "Please choose another driver.");
    ASSERT_TRUE(dlg.AnswerMessageBox(plat::kIdOk));
    ASSERT_TRUE(dlg.WaitIdle());
    EXPECT_TRUE(dlg.IsEnabled(IDC_INSTALL));
    EXPECT_EQ(dlg.Text(IDC_INSTALL), kInstallCaption);
    EXPECT_FALSE(h.win.spooler().LastDriverRecord()) << "nothing reached the spooler";

    // No row selected: the USB kind of the attempt before stands.
    Install(h, "Driver 0", -1);
    EXPECT_EQ(h.dialog->m_nPortType, 1);
    EXPECT_EQ(h.dialog->m_strPort, "USB001");
    EXPECT_EQ(dlg.Text(IDC_INSTALL), kFinishCaption);
}

TEST_F(InstallCommand, AKindWithoutPortClearsTheFoundFlagForTheRun) {
    sim::SimDialog& dlg = StartWithPorts(h, {"USB001"});
    dlg.SetAutoAnswer(plat::kIdOk);
    Install(h, "Driver 0", 3);  // TCP/IP: none on this system
    EXPECT_FALSE(g_bPortFound);
    EXPECT_EQ(h.dialog->m_strPort, "");
    EXPECT_TRUE(dlg.IsEnabled(IDC_INSTALL));
    EXPECT_FALSE(dlg.IsEnabled(plat::kIdCancel));
    EXPECT_TRUE(h.win.spooler().PrinterNames().empty());
    Install(h, "Driver 0", 1);
    EXPECT_EQ(h.dialog->m_strPort, "USB001");
    EXPECT_FALSE(g_bPortFound);
}

TEST_F(InstallCommand, PortWritesGoToEveryKeyThatExists) {
    StartWithPorts(h, {"USB001"});
    const std::string name = "Counter";
    const std::string keys[] = {
        "Software\\Microsoft\\Windows NT\\CurrentVersion\\Print\\Printers\\" + name,
        "SYSTEM\\ControlSet001\\Control\\Print\\Printers\\" + name,
        "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\" + name,
    };
    for (const std::string& key : keys) h.win.registry().CreateKey(RootKey::LocalMachine, key);
    h.win.registry().SetCurrentConfigVolatileOnly(true);  // as under Wine

    h.dialog->AssignPrinterPort(name.c_str(), "COM1:");
    for (const std::string& key : keys) {
        EXPECT_EQ(h.win.registry().GetString(RootKey::LocalMachine, key, "Port"), "COM1:") << key;
    }
    EXPECT_FALSE(h.win.registry().KeyExists(RootKey::LocalMachine, keys[0] + "\\DsSpooler"));
    EXPECT_EQ(h.win.registry().GetDword(
                  RootKey::LocalMachine,
                  "SYSTEM\\CurrentControlSet\\Hardware Profiles\\Current\\System\\CurrentControlSet"
                  "\\Control\\Print\\Printers\\" + name,
                  "PrinterOnLine"),
              0u);
    EXPECT_TRUE(h.window->MessageBoxLog().empty());

    // Every failed write is reported on its own.
    h.win.FailAlways("RegSetValueExA", 5);
    h.window->SetAutoAnswer(plat::kIdOk);
    h.dialog->AssignPrinterPort(name.c_str(), "COM2:");
    const auto log = h.window->MessageBoxLog();
    ASSERT_EQ(log.size(), 4u);
    EXPECT_EQ(log[0].text, kRegistryReadFailedText);
    EXPECT_EQ(log[0].caption, "installer");
}

}  // namespace
