// Configuring a serial printer's port: the only COM port, the prompt, and
// the probe that the dialog's timer drives one port per tick.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "app/box_texts.h"
#include "dialogs/serial_prompt_dlg.h"
#include "install_support.h"

namespace {

using namespace std::chrono_literals;
using Names = std::vector<std::string>;

constexpr char kPortsKey[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports";
constexpr char kPrinter[] = "Front Desk";  // typed over the proposed driver name
// What the serial detection's tables watch.
const Calls kSerialCalls = {"EnumPrintersA",  "OpenSCManagerA", "ControlService", "StartServiceA",
                            "RegOpenKeyExA",  "RegCreateKeyExA", "RegSetValueExA", "SetTimer",
                            "KillTimer",      "SetDlgItemTextA 1011", "SetDlgItemTextA 1012",
                            "ProgressSetPos", "MessageBoxA"};
const std::string kReceiptQuery("\x10\x04\x01", 3);
const std::string kLabelQuery("\x1B\x21\x3F", 3);

class SerialDetection : public testing::Test {
protected:
    void SetUp() override {
        dlg = &h.Start();
        ASSERT_TRUE(h.WaitStartup());
        h.win.registry().SetString(plat::RootKey::LocalMachine, kPortsKey, "FILE:", "");
        h.win.spooler().AddDriverForTests("Generic");
        AddPrinter("Other", "COM2:");
        AddPrinter(kPrinter, "COM1:");
        ASSERT_TRUE(dlg->TypeText(IDC_PRINTER_NAME, kPrinter));
        ASSERT_TRUE(dlg->WaitIdle());
        h.dialog->m_nDriverIndex = 0;
        h.dialog->m_strPrinterName = kPrinter;  // as printer registration leaves it
        h.dialog->m_saSerialPorts = {"COM1:", "COM2:"};
    }
    void AddPrinter(const std::string& name, const std::string& port) {
        plat::PrinterInfo2 info;
        info.printerName = name;
        info.portName = port;
        info.driverName = "Generic";
        info.printProcessor = "WinPrint";
        h.win.spooler().ClosePrinter(h.win.spooler().AddPrinterA(2, info));
    }
    std::string PortOf(const std::string& printer) {
        auto info = h.win.spooler().Printer(printer);
        return info ? info->portName : "(none)";
    }
    std::optional<std::string> PortsValue(const std::string& port) {
        return h.win.registry().GetString(plat::RootKey::LocalMachine, kPortsKey, port);
    }
    // Runs ConfigureSerialPort as the installation would, answering the
    // prompt with `answer`.
    std::intptr_t ConfigureAnswering(const std::function<void(sim::SimDialog&)>& answer) {
        std::thread install([this] { h.dialog->ConfigureSerialPort(); });
        sim::SimDialog* prompt = h.ui.WaitForDialog(IDD_SERIAL_PROMPT);
        if (prompt != nullptr && prompt->WaitIdle()) {
            answer(*prompt);
            prompt->WaitForEnd();
        }
        install.join();
        dlg->WaitIdle();
        return prompt != nullptr ? prompt->Result().value_or(-1) : -1;
    }
    void Tick() {
        ASSERT_TRUE(dlg->FireTimer(PROBE_TIMER_ID));
        ASSERT_TRUE(dlg->WaitIdle());
    }
    std::map<std::uintptr_t, std::uint32_t> Probe() { return dlg->ActiveTimers(); }

    InstallerHarness h;
    sim::SimDialog* dlg = nullptr;
};

struct PromptCase {
    const char* what;
    std::function<void(sim::SimDialog&)> answer;
    std::intptr_t result;
    int baudRate;  // 0: no search
};

class SerialPromptAnswers : public SerialDetection,
                            public testing::WithParamInterface<PromptCase> {};

TEST_P(SerialPromptAnswers, SearchOnlyOnYesAtTheChosenRate) {
    const PromptCase& c = GetParam();
    const auto before1 = PortsValue("COM1:");
    const auto before2 = PortsValue("COM2:");
    std::vector<std::string> items;
    int preselected = -1;
    const std::intptr_t result = ConfigureAnswering([&](sim::SimDialog& prompt) {
        items = prompt.ComboItems(IDC_BAUD_RATE);
        preselected = prompt.ComboSelection(IDC_BAUD_RATE);
        c.answer(prompt);
    });
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(items, (Names{"300", "1200", "2400", "4800", "9600", "19200", "38400", "57600",
                            "115200"}));
    EXPECT_EQ(preselected, 5);
    if (c.baudRate != 0) {
        EXPECT_EQ(h.dialog->m_nBaudRate, c.baudRate);
        EXPECT_EQ(Probe(), (std::map<std::uintptr_t, std::uint32_t>{{PROBE_TIMER_ID, 1}}));
    } else {
        EXPECT_TRUE(Probe().empty());
    }
    EXPECT_EQ(dlg->Text(IDC_STATUS),
              "The current printer port is COM1: ,you can set that after the installation");
    EXPECT_EQ(dlg->Text(IDC_INSTALL), kFinishCaption);
    EXPECT_TRUE(dlg->IsEnabled(IDC_INSTALL));
    EXPECT_EQ(dlg->ProgressPos(IDC_PROGRESS), 100);
    EXPECT_EQ(PortsValue("COM1:"), before1);
    EXPECT_EQ(PortsValue("COM2:"), before2);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, SerialPromptAnswers,
    testing::Values(
        PromptCase{"Yes at once", [](sim::SimDialog& p) { p.Click(IDC_SERIAL_YES); }, 0x1205, 19200},
        PromptCase{"Yes at 115200",
                   [](sim::SimDialog& p) {
                       p.SelectComboItem(IDC_BAUD_RATE, 8);
                       p.Click(IDC_SERIAL_YES);
                   },
                   0x1208, 115200},
        PromptCase{"Yes at 300",
                   [](sim::SimDialog& p) {
                       p.SelectComboItem(IDC_BAUD_RATE, 0);
                       p.Click(IDC_SERIAL_YES);
                   },
                   0x1200, 300},
        PromptCase{"No",
                   [](sim::SimDialog& p) {
                       p.SelectComboItem(IDC_BAUD_RATE, 8);
                       p.Click(IDC_SERIAL_NO);
                   },
                   0xCCCC, 0},
        PromptCase{"Enter", [](sim::SimDialog& p) { p.PressEnter(); }, plat::kIdOk, 0},
        PromptCase{"Escape", [](sim::SimDialog& p) { p.PressEscape(); }, plat::kIdCancel, 0},
        PromptCase{"close box", [](sim::SimDialog& p) { p.Close(); }, plat::kIdCancel, 0}));

struct ProbeCase {
    const char* what;
    int driverIndex;
    std::string query;
};

class SerialProbe : public SerialDetection, public testing::WithParamInterface<ProbeCase> {};

TEST_P(SerialProbe, FindsThePrinterOnTheSecondPort) {
    h.dialog->m_nDriverIndex = GetParam().driverIndex;
    // A label printer is created under the driver's name.
    const std::string printer =
        GetParam().driverIndex >= 30 ? dlg->Text(IDC_DRIVER_COMBO) : std::string(kPrinter);
    if (printer != kPrinter) AddPrinter(printer, "COM1:");
    h.dialog->m_strPrinterName = printer;
    h.win.serial().AddPort(1);
    h.win.serial().AddPort(2, sim::StatusAnsweringPrinter());
    h.Record();
    ConfigureAnswering([](sim::SimDialog& p) {
        p.SelectComboItem(IDC_BAUD_RATE, 4);
        p.Click(IDC_SERIAL_YES);
    });

    Tick();
    EXPECT_EQ(h.win.serial().Settings(1).state.baudRate, 9600u);
    EXPECT_TRUE(dlg->WaitUntil([&] { return h.win.serial().Written(1) == GetParam().query; }));
    Tick();
    EXPECT_FALSE(h.win.serial().IsOpen(1));
    ASSERT_TRUE(dlg->WaitUntil([&] { return h.dialog->m_bSerialReply.load(); }));
    EXPECT_EQ(h.win.serial().Written(2), GetParam().query);
    Tick();

    Calls expected = {"EnumPrintersA", Progress(50), "SetTimer 1 1", "SetDlgItemTextA 1012 &Finish",
                      Status("The current printer port is COM1: ,you can set that after the "
                             "installation"),
                      Progress(100), Status("Checking COM1:"), "SetTimer 1 700",
                      Status("Checking COM2:"), "SetTimer 1 700", "KillTimer 1",
                      Status("The available printer port:  COM2:")};
    Append(expected, PortWrites(printer, "COM2:"));
    Append(expected, {"RegOpenKeyExA HKLM\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion"
                      "\\Ports 0x2",
                      "RegSetValueExA COM2: 1 10", Progress(80)});
    // The printer list was taken before the probe: the printers on COM
    // ports keep theirs, the new one is not set back to COM1:.
    Append(expected, PortWrites("Other", "COM2:"));
    if (printer != kPrinter) Append(expected, PortWrites(kPrinter, "COM1:"));
    Append(expected, {Progress(90), "OpenSCManagerA ServicesActive 0xF003F", "ControlService 1",
                      "StartServiceA", Progress(100)});
    EXPECT_EQ(h.Recorded(kSerialCalls), expected);
    EXPECT_EQ(PortsValue("COM2:"), "9600,n,8,1");
    EXPECT_EQ(PortOf(printer), "COM2:");
    EXPECT_EQ(h.win.serial().OpenHandleCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Classes, SerialProbe,
                         testing::Values(ProbeCase{"receipt", 0, kReceiptQuery},
                                         ProbeCase{"last receipt", 29, kReceiptQuery},
                                         ProbeCase{"label", 30, kLabelQuery}));

TEST_F(SerialDetection, NoAnswerEndsWithTheFirstPort) {
    h.win.serial().AddPort(1);
    h.win.serial().AddPort(2);
    const auto before = PortsValue("COM1:");
    ConfigureAnswering([](sim::SimDialog& p) { p.Click(IDC_SERIAL_YES); });
    for (int tick = 0; tick < 3; ++tick) Tick();
    EXPECT_EQ(dlg->Text(IDC_STATUS),
              "Unable to detect available printer.The current printer port is COM1:");
    EXPECT_TRUE(Probe().empty());
    EXPECT_EQ(PortOf(kPrinter), "COM1:");
    EXPECT_EQ(PortsValue("COM1:"), before);
    EXPECT_EQ(h.win.serial().OpenHandleCount(), 0u);
}

TEST_F(SerialDetection, AnUnopenablePortIsSkippedWithinATick) {
    h.win.serial().AddPort(1);
    h.win.serial().SetBusy(1, true);
    h.win.serial().AddPort(2);
    ConfigureAnswering([](sim::SimDialog& p) { p.Click(IDC_SERIAL_YES); });
    Tick();
    EXPECT_EQ(dlg->Text(IDC_STATUS), "Checking COM1:");
    EXPECT_EQ(Probe(), (std::map<std::uintptr_t, std::uint32_t>{{PROBE_TIMER_ID, 1}}));
    Tick();
    EXPECT_EQ(dlg->Text(IDC_STATUS), "Checking COM2:");
    EXPECT_EQ(Probe(), (std::map<std::uintptr_t, std::uint32_t>{{PROBE_TIMER_ID, 700}}));
    EXPECT_TRUE(dlg->MessageBoxLog().empty());
}

TEST_F(SerialDetection, AReplyFromBeforeTheProbeIsNotCredited) {
    h.win.serial().AddPort(1);
    h.win.serial().AddPort(2);
    h.dialog->m_bSerialReply = true;
    ConfigureAnswering([](sim::SimDialog& p) { p.Click(IDC_SERIAL_YES); });
    Tick();
    EXPECT_EQ(dlg->Text(IDC_STATUS), "Checking COM1:");
    // Nor is one that arrives while the port before is closed: each port
    // starts with no reply.
    h.win.SetCallHook([this](std::string_view op) {
        if (op == "CloseHandle") h.dialog->m_bSerialReply = true;
    });
    Tick();
    h.win.SetCallHook(nullptr);
    Tick();
    EXPECT_EQ(dlg->Text(IDC_STATUS),
              "Unable to detect available printer.The current printer port is COM1:");
}

// The only port is confirmed at once: the printer moves, the spooler
// restarts, the port's settings (the prompt's preselected rate) are written,
// the other printers on COM ports keep theirs, and the spooler restarts again.
TEST_F(SerialDetection, OnePortIsConfiguredWithoutAPrompt) {
    h.dialog->m_saSerialPorts = {"COM2:"};
    h.Record();
    h.dialog->ConfigureSerialPort();
    dlg->WaitIdle();
    EXPECT_TRUE(h.ui.Dialogs(IDD_SERIAL_PROMPT).empty());
    const Calls restart = {"OpenSCManagerA ServicesActive 0xF003F", "ControlService 1",
                           "StartServiceA"};
    Calls expected = {"EnumPrintersA", Progress(50)};
    Append(expected, PortWrites(kPrinter, "COM2:"));
    Append(expected, restart);
    Append(expected, {"RegOpenKeyExA HKLM\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion"
                      "\\Ports 0x2",
                      "RegSetValueExA COM2: 1 11"});
    Append(expected, PortWrites("Other", "COM2:"));
    expected.push_back(Progress(90));
    Append(expected, restart);
    Append(expected, {"SetDlgItemTextA 1012 &Finish",
                      Status("The current printer port is COM2:,you can configure after the "
                             "installation"),
                      Progress(100)});
    EXPECT_EQ(h.Recorded(kSerialCalls), expected);
    EXPECT_EQ(PortOf(kPrinter), "COM2:");
    EXPECT_EQ(PortsValue("COM2:"), "19200,n,8,1");
}

TEST_F(SerialDetection, AFailedPortsWriteIsReportedAndTheRestGoesOn) {
    h.dialog->m_saSerialPorts = {"COM1:"};
    dlg->SetAutoAnswer(plat::kIdOk);
    // The writes before it are the printer's own port values: fail the
    // Ports value only.
    int writes = 0;
    h.win.SetCallHook([&](std::string_view op) {
        if (op == "RegSetValueExA" && ++writes == 6) {
            h.win.FailNext("RegSetValueExA", plat::err::kAccessDenied);
        }
    });
    h.dialog->ConfigureSerialPort();
    h.win.SetCallHook(nullptr);
    dlg->WaitIdle();
    const auto boxes = dlg->MessageBoxLog();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, kPortsWriteFailedText);
    EXPECT_EQ(dlg->Text(IDC_INSTALL), kFinishCaption);
}

TEST_F(SerialDetection, ClosingWhileTheProbeWaitsLeavesNothingRunning) {
    h.win.serial().AddPort(1);
    h.win.serial().AddPort(2);
    ConfigureAnswering([](sim::SimDialog& p) { p.Click(IDC_SERIAL_YES); });
    Tick();
    ASSERT_TRUE(h.win.serial().IsOpen(1));
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(h.CloseAndWait(2s));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    EXPECT_FALSE(h.win.serial().IsOpen(1));
    EXPECT_EQ(h.win.serial().OpenHandleCount(), 0u);
}

}  // namespace
