// Installing a label printer: the language monitor, the label driver with
// its language DLLs and model data, and the printer named after the driver.
#include <gtest/gtest.h>

#include "app/box_texts.h"
#include "install/driver_record.h"
#include "install_support.h"

namespace {

TEST(LabelDriverRecord, NamesTheFilesOfEachWordSize) {
    struct Case {
        int index;
        bool wide;
        const char* key;
        const char* driver;
        const char* ui;
        const char* firstLanguage;
        const char* lastLanguage;
    };
    const Case cases[] = {
        {30, false, "QV315TF", "VXLDRV50.DLL", "VXLUI50.DLL", "\\VXLENG50.DLL", "\\VXLPBR50.DLL"},
        {34, true, "QVB72I", "VXLDRV56.DLL", "VXLUI56.DLL", "\\VXLENG56.DLL", "\\VXLPBR56.DLL"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.index);
        const auto model = LookupLabelModel(c.index);
        ASSERT_TRUE(model);
        const auto& files = c.wide ? g_apszLabelFilesX64 : g_apszLabelFilesX86;
        const auto record = LabelDriverRecord(*model, files, "env", "D:\\drv", false);
        ASSERT_TRUE(record);
        const std::string key = c.key;
        EXPECT_EQ(record->driverPath, std::string("D:\\drv\\") + c.driver);
        EXPECT_EQ(record->configFile, std::string("D:\\drv\\") + c.ui);
        EXPECT_EQ(record->dataFile, "D:\\drv\\" + key + ".DAT");
        EXPECT_EQ(record->helpFile, "D:\\drv\\VORELIN.chm");
        EXPECT_EQ(record->monitorName, "Advanced Language Monitor");
        ASSERT_EQ(record->dependentFiles.size(), 29u) << "27 languages, .BA0 and .PP0";
        EXPECT_EQ(record->dependentFiles.front(), c.firstLanguage);
        EXPECT_EQ(record->dependentFiles[26], c.lastLanguage);
        EXPECT_EQ(record->dependentFiles[27], "\\" + key + ".BA0");
        EXPECT_EQ(record->dependentFiles[28], "\\" + key + ".PP0");
    }
    // "\VXLDRV50.DLL", 13 characters, is the longest name after the folder.
    const auto model = LookupLabelModel(30);
    EXPECT_TRUE(LabelDriverRecord(*model, g_apszLabelFilesX86, "e",
                                  std::string(kLabelPathSize - 14, 'a'), false));
    EXPECT_FALSE(LabelDriverRecord(*model, g_apszLabelFilesX86, "e",
                                   std::string(kLabelPathSize - 13, 'a'), false));
}

class LabelInstall : public testing::Test {
protected:
    void SetUp() override { PlaceReceiptPackage(h); }
    bool NoStagedFileLeft(const std::string& driverDir, bool wide) {
        const auto& files = wide ? g_apszLabelFilesX64 : g_apszLabelFilesX86;
        bool none = !h.win.files().Exists(driverDir + "\\VORELIN.chm");
        for (const char* file : files) none = none && !h.win.files().Exists(driverDir + "\\" + file);
        for (const char* ext : {".BA0", ".DAT", ".PP0"}) {
            none = none && !h.win.files().Exists(driverDir + "\\QV315TF" + ext);
        }
        return none;
    }
    InstallerHarness h{/*withPackage=*/false, ""};
};

TEST_F(LabelInstall, InstallsMonitorDriverAndPrinterForEachWordSize) {
    struct Case {
        bool wide;
        const char* environment;
        const char* monitorDll;
        const char* driverDir;
        Calls folders;  // the calls that find the driver and monitor folders
        const char* source;
        const char* monitorFile;
    };
    const Case cases[] = {
        {true, "Windows x64", "C:\\windows\\SysWOW64\\ldaNLM64.dll",
         "C:\\windows\\system32\\spool\\drivers\\x64",
         {"GetPrinterDriverDirectoryA Windows NT x86 1 255",
          "GetPrinterDriverDirectoryA Windows x64 1 255", "GetWindowsDirectoryA 260"},
         "C:\\Barcode\\x64\\", "ldaNLM64.dll"},
        {false, "Windows NT x86", "C:\\windows\\system32\\ldaNLMNT.dll",
         "C:\\windows\\system32\\spool\\drivers\\w32x86",
         {"GetPrinterDriverDirectoryA Windows NT x86 1 255", "GetSystemDirectoryA 260"},
         "C:\\Barcode\\x86\\", "ldaNLMNT.dll"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.environment);
        InstallerHarness run(false, "");
        PlaceReceiptPackage(run);
        run.win.system().SetWow64(c.wide);
        sim::SimDialog& dlg = StartWithPorts(run, {"USB001"});
        ASSERT_TRUE(dlg.TypeText(IDC_PRINTER_NAME, "typed name"));
        run.Record();
        Install(run, "Driver 30", 1);
        EXPECT_TRUE(dlg.MessageBoxLog().empty());

        // The steps in their order (the 27 language DLLs left out).
        const std::string dir = std::string(c.driverDir) + "\\";
        const std::string copy = std::string("CopyFileA ") + c.source;
        Calls expected = c.folders;
        Append(expected, {copy + c.monitorFile, Status(c.monitorDll),
                          "OpenSCManagerA ServicesActive 0xF003F",
                          std::string("DeleteMonitorA ") + c.environment +
                              " Advanced Language Monitor",
                          "AddMonitorA 2 Advanced Language Monitor",
                          Status("Advanced Language Monitor is added"), copy + c.monitorFile,
                          Status(dir + c.monitorFile)});
        for (const char* file : {"VORELIN.chm", "QV315TF.BA0", "QV315TF.DAT", "QV315TF.PP0"}) {
            Append(expected,
                   {std::string("CopyFileA C:\\Barcode\\Common\\") + file, Status(dir + file)});
        }
        Append(expected, {Progress(10), Status("Adding printer drive 3150TF(Label)"),
                          std::string("AddPrinterDriverExA 3 3150TF(Label) ") + c.environment +
                              " 3 4",
                          Status("Driver 3150TF(Label) is added")});
        for (const char* file :
             {"VORELIN.chm", "QV315TF.BA0", "QV315TF.PP0", "QV315TF.DAT", c.monitorFile}) {
            expected.push_back("DeleteFileA " + dir + file);
        }
        Append(expected, {Progress(20), Status("Added the printer Driver 30"), Progress(30),
                          Progress(40),
                          Status("Set the printer Driver 30 to default printer"),
                          Status("Checking USB ports..."), Status("Checking  USB001 ...."),
                          Progress(50), Progress(80), "Sleep 100", Progress(100),
                          Status(kCompletedStatus)});
        EXPECT_EQ(run.Recorded({"GetPrinterDriverDirectoryA", "GetSystemDirectoryA",
                                "GetWindowsDirectoryA", "CopyFileA", "OpenSCManagerA",
                                "ControlService", "StartServiceA", "DeleteMonitorA", "AddMonitorA",
                                "AddPrinterDriverExA", "DeleteFileA", Status(""), "ProgressSetPos",
                                "Sleep 100", "Sleep 500"},
                               {copy + "VXL", Status(dir + "VXL"), "DeleteFileA " + dir + "VXL"}),
                  expected);
        const auto monitor = run.win.spooler().Monitor("Advanced Language Monitor");
        ASSERT_TRUE(monitor);
        EXPECT_EQ(monitor->dllName, c.monitorDll);
        EXPECT_EQ(monitor->environment, c.environment);
        EXPECT_TRUE(run.win.files().Exists(c.monitorDll)) << "the monitor's DLL stays";
        ASSERT_TRUE(run.win.spooler().Driver(c.environment, "3150TF(Label)"));
        // The printer takes the driver box's name, not the one typed.
        EXPECT_FALSE(run.win.spooler().Printer("typed name"));
        ASSERT_TRUE(run.win.spooler().Printer("Driver 30"));
        EXPECT_EQ(run.win.spooler().Printer("Driver 30")->driverName, "3150TF(Label)");
        // The staged copies all go.
        const auto& files = c.wide ? g_apszLabelFilesX64 : g_apszLabelFilesX86;
        for (const char* file : files) {
            EXPECT_FALSE(run.win.files().Exists(std::string(c.driverDir) + "\\" + file)) << file;
        }
        for (const char* file : {"VORELIN.chm", "QV315TF.BA0", "QV315TF.DAT", "QV315TF.PP0"}) {
            EXPECT_FALSE(run.win.files().Exists(std::string(c.driverDir) + "\\" + file)) << file;
        }
        EXPECT_EQ(dlg.Text(IDC_STATUS), kCompletedStatus);
        EXPECT_EQ(dlg.Text(IDC_INSTALL), kFinishCaption);
    }
}

TEST_F(LabelInstall, AnOldMonitorIsRemovedWithARestartAndOneInUseIsKept) {
    // An old monitor that nothing uses: removed, the spooler restarted.
    h.win.files().WriteFile("C:\\windows\\system32\\old.dll", "old monitor");
    ASSERT_TRUE(h.platform.spooler.AddMonitorA(
        2, plat::MonitorInfo2{"Advanced Language Monitor", "Windows x64", "old.dll"}));
    sim::SimDialog& dlg = StartWithPorts(h, {"USB001"});
    h.Record();
    Install(h, "Driver 31", 1);
    EXPECT_EQ(h.Recorded({"DeleteMonitorA", "ControlService", "StartServiceA", "AddMonitorA"}),
              (Calls{"DeleteMonitorA Windows x64 Advanced Language Monitor", "ControlService 1",
                     "StartServiceA", "AddMonitorA 2 Advanced Language Monitor"}));
    const auto monitor = h.win.spooler().Monitor("Advanced Language Monitor");
    ASSERT_TRUE(monitor);
    EXPECT_EQ(monitor->dllName, "C:\\windows\\SysWOW64\\ldaNLM64.dll");
    EXPECT_EQ(dlg.Text(IDC_INSTALL), kFinishCaption);

    // One in use: the removal fails, no restart, and "already installed"
    // counts as added.
    InstallerHarness again(false, "");
    PlaceReceiptPackage(again);
    again.win.files().WriteFile("C:\\windows\\system32\\old.dll", "old monitor");
    ASSERT_TRUE(again.platform.spooler.AddMonitorA(
        2, plat::MonitorInfo2{"Advanced Language Monitor", "Windows x64", "old.dll"}));
    sim::SimDialog& second = StartWithPorts(again, {"USB001"});
    again.win.FailNext("DeleteMonitorA", 3008);
    const int before = again.win.services().StartCount("Spooler");
    Install(again, "Driver 31", 1);
    EXPECT_EQ(again.win.services().StartCount("Spooler"), before);
    EXPECT_TRUE(second.MessageBoxLog().empty());
    EXPECT_EQ(second.Text(IDC_INSTALL), kFinishCaption);
}

TEST_F(LabelInstall, AMonitorTheSpoolerRefusesEndsTheInstaller) {
    sim::SimDialog& dlg = StartWithPorts(h, {"USB001"});
    h.win.FailNext("AddMonitorA", 127);
    Install(h, "Driver 30", 1);
    auto box = dlg.WaitMessageBox();
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text, kMonitorRefusedText);
    EXPECT_EQ(box->caption, "installer");
    EXPECT_EQ(box->type, plat::kMbOk);
    EXPECT_TRUE(NoStagedFileLeft("C:\\windows\\system32\\spool\\drivers\\x64", true))
        << "nothing is staged before the monitor is in";
    ASSERT_TRUE(dlg.AnswerMessageBox(plat::kIdOk));
    ASSERT_TRUE(h.WaitEnded());
    EXPECT_EQ(dlg.Result(), plat::kIdOk);
    EXPECT_FALSE(h.win.files().Exists("C:\\Barcode"));
}

TEST_F(LabelInstall, ARefusedDriverOffersRetryInTheApplicationsBox) {
    sim::SimDialog& dlg = StartWithPorts(h, {"USB001"});
    h.win.FailNext("AddPrinterDriverExA", 2);
    Install(h, "Driver 30", 1);
    auto box = dlg.WaitMessageBox();
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text,
              "Failed to add the driver 2\r\n\r\nClick Retry:You can retry\r\n"
              "Click Cancel\xA3\xBA" "exit and abort installation");
    EXPECT_EQ(box->caption, "installer");
    ASSERT_TRUE(dlg.AnswerMessageBox(plat::kIdRetry));
    ASSERT_TRUE(dlg.WaitIdle());
    EXPECT_EQ(dlg.Text(IDC_INSTALL), kReinstallCaption);
    EXPECT_EQ(dlg.ProgressPos(IDC_PROGRESS), 0);
}

}  // namespace
