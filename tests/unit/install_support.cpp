#include "install_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "archive_writer.h"
#include "install/catalogue.h"
#include "platform/sim/sim_dialog_boxes.h"

std::string FullDriverList() {
    std::string list;
    for (int i = 0; i < 35; ++i) {
        list += "[S" + std::to_string(i) + "]\r\nPrintName1=Driver " + std::to_string(i) + "\r\n";
        if (i == 1 || i == 15) list += "PrintName2=Twice\r\n";
    }
    return list;
}

void PlaceReceiptPackage(InstallerHarness& h, const std::string& driverList) {
    std::vector<ArchiveEntry> entries = {{"DriverName.cfg", driverList, ""}};
    for (const char* arch : {"x86", "x64"}) {
        const std::string folder = std::string("Ticket/") + arch + "/";
        std::vector<std::string> files = {"QRR8.DLL", "VOEMUNI.dll", "VOEMUNI.ini"};
        for (const char* key : g_apszReceiptKeys) files.push_back(std::string(key) + ".GPD");
        for (const char* file : g_apszUnidrvFiles) files.push_back(file);
        for (const std::string& file : files) entries.push_back({folder + file, file + " " + arch, ""});
        const auto& labelFiles = std::string(arch) == "x64" ? g_apszLabelFilesX64 : g_apszLabelFilesX86;
        for (const char* file : labelFiles) {
            entries.push_back({std::string("Barcode/") + arch + "/" + file, file, ""});
        }
    }
    entries.push_back({"Barcode/Common/VORELIN.chm", "help", ""});
    for (const char* key : g_apszLabelKeys) {
        for (const char* ext : {".BA0", ".DAT", ".PP0"}) {
            entries.push_back({std::string("Barcode/Common/") + key + ext, ext, ""});
        }
    }
    ASSERT_TRUE(WriteArchive(h.win.files().HostPath("C:\\dist\\DriverData.Drv"), entries));
}

void PlaceOneReceiptDriver(InstallerHarness& h) {
    std::vector<ArchiveEntry> entries = {{"DriverName.cfg", "[S0]\r\nPrintName1=Driver 0\r\n", ""}};
    const std::optional<ReceiptModel> model = LookupReceiptModel(0);
    for (const char* arch : {"x86", "x64"}) {
        std::vector<std::string> files = {std::string(model->modelDll) + ".DLL",
                                          std::string(model->key) + ".GPD", "VOEMUNI.dll",
                                          "VOEMUNI.ini"};
        files.insert(files.end(), std::begin(g_apszUnidrvFiles), std::end(g_apszUnidrvFiles));
        for (const std::string& file : files) {
            entries.push_back({std::string("Ticket/") + arch + "/" + file, file, ""});
        }
    }
    ASSERT_TRUE(WriteArchive(h.win.files().HostPath("C:\\dist\\DriverData.Drv"), entries));
}

sim::SimDialog& StartWithPorts(InstallerHarness& h, const std::vector<std::string>& ports) {
    for (const std::string& port : ports) {
        const bool usb = port.rfind("USB", 0) == 0;
        h.win.spooler().AddPort(port, usb ? "Virtual printer port for USB" : "Local Port");
    }
    sim::SimDialog& dlg = h.Start();
    EXPECT_TRUE(h.WaitStartup());
    return dlg;
}

void Install(InstallerHarness& h, const std::string& name, int row) {
    sim::SimDialog& dlg = *h.window;
    const std::vector<std::string> items = dlg.ComboItems(IDC_DRIVER_COMBO);
    const auto it = std::find(items.begin(), items.end(), name);
    ASSERT_NE(it, items.end()) << name;
    ASSERT_TRUE(dlg.SelectComboItem(IDC_DRIVER_COMBO, static_cast<int>(it - items.begin())));
    if (row >= 0) {
        ASSERT_TRUE(dlg.SelectListRow(IDC_PORT_LIST, row));
    } else {
        ASSERT_TRUE(dlg.ClearListSelection(IDC_PORT_LIST));
    }
    ASSERT_TRUE(dlg.Click(IDC_INSTALL));
    ASSERT_TRUE(dlg.WaitIdle(std::chrono::seconds(20)));
}

std::string Status(const std::string& text) { return "SetDlgItemTextA 1011 " + text; }

std::string Progress(int pos) { return "ProgressSetPos " + std::to_string(pos); }

void Append(Calls& calls, const Calls& more) {
    calls.insert(calls.end(), more.begin(), more.end());
}

Calls PortWrites(const std::string& printer, const std::string& port) {
    const std::string size = std::to_string(port.size());
    const std::string printers = "\\Control\\Print\\Printers\\" + printer;
    const std::string hklm = "RegOpenKeyExA HKLM\\";
    const std::string spooler =
        "Software\\Microsoft\\Windows NT\\CurrentVersion\\Print\\Printers\\";
    return {hklm + spooler + printer + " 0x2",
            "RegSetValueExA Port 1 " + size,
            hklm + spooler + printer + "\\DsSpooler 0x2",
            "RegSetValueExA portName 1 " + size,
            hklm + "SYSTEM\\ControlSet001" + printers + " 0x2",
            "RegSetValueExA Port 1 " + size,
            hklm + "SYSTEM\\CurrentControlSet" + printers + " 0x2",
            "RegSetValueExA Port 1 " + size,
            "RegCreateKeyExA HKCC\\SYSTEM\\CurrentControlSet" + printers + " 0xF003F",
            "RegSetValueExA PrinterOnLine 4 4"};
}

void PlaceEveryKindOfPort(InstallerHarness& h, const std::string& existingPrinter) {
    h.win.system().SetVersion(plat::kVerPlatformWin32Nt, 10, 0, 19041);
    h.win.spooler().AddPort("USB001", "Virtual printer port for USB");
    h.win.spooler().AddPort("USB002", "Virtual printer port for USB");
    h.win.spooler().SetDeviceOnPort("USB002", true);
    h.win.spooler().AddPort("IP_10.0.0.5", "Standard TCP/IP Port");
    h.win.registry().SetString(plat::RootKey::LocalMachine, "HARDWARE\\DEVICEMAP\\SERIALCOMM",
                               "\\Device\\Serial1", "COM2");
    h.win.serial().AddPort(1);
    h.win.serial().AddPort(2, sim::StatusAnsweringPrinter());
    h.win.spooler().AddDriverForTests("Old driver");
    AddPrinterOnLpt1(h, existingPrinter, "Old driver");
}

void AddPrinterOnLpt1(InstallerHarness& h, const std::string& name, const std::string& driver) {
    plat::PrinterInfo2 info;
    info.printerName = name;
    info.portName = "LPT1:";
    info.driverName = driver;
    info.printProcessor = "WinPrint";
    h.win.spooler().ClosePrinter(h.win.spooler().AddPrinterA(2, info));
}

bool RunToRest(InstallerHarness& h, std::chrono::milliseconds timeout) {
    using namespace std::chrono_literals;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    sim::SimDialog& dlg = *h.window;
    h.ui.SetAutoAnswer(plat::kIdCancel);
    dlg.SetAutoAnswer(plat::kIdCancel);
    while (std::chrono::steady_clock::now() < deadline) {
        if (dlg.HasEnded()) return true;
        // Idle: the thread waits in the dialog's loop or in a child's.
        if (!dlg.WaitIdle(50ms)) continue;
        // A box the thread showed before the answers above were set waits
        // for one: give it the answer it would have had.
        if (const auto box = dlg.WaitMessageBox(0ms)) {
            if (!dlg.AnswerMessageBox(plat::kIdCancel)) dlg.AnswerMessageBox(sim::MessageBoxDefaultButton(box->type));
            continue;
        }
        if (sim::SimDialog* d = h.ui.WaitForDialog(IDD_SERIAL_PROMPT, 0ms)) {
            d->Click(IDC_SERIAL_YES);
            d->WaitForEnd(1s);
            continue;
        }
        bool child = false;
        for (int id : {IDD_PARALLEL_PORT_DIALOG, IDD_TCPIP_PORT_DIALOG}) {
            if (sim::SimDialog* d = h.ui.WaitForDialog(id, 0ms)) {
                // The first row is selected; with none to choose, Cancel.
                d->Click(IDC_CHOOSE_PORT);
                if (!d->WaitForEnd(200ms)) d->Click(IDC_DISMISS_PORT);
                d->WaitForEnd(1s);
                child = true;
            }
        }
        if (child) continue;
        const auto timers = dlg.ActiveTimers();
        const auto probe = timers.find(PROBE_TIMER_ID);
        if (probe == timers.end()) return true;  // idle, nothing open, nothing ticking
        if (probe->second > 1 && dlg.Text(IDC_STATUS) == "Checking COM2:") {
            // The printer's port was queried: give its answer the time it takes.
            dlg.WaitUntil([&h] { return h.dialog->m_bSerialReply.load(); }, 300ms);
        }
        dlg.FireTimer(PROBE_TIMER_ID);
    }
    return false;
}

std::size_t ThreadCount() {
    std::size_t n = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/task")) n += entry.exists();
    return n;
}
