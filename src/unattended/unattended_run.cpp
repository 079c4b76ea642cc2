#include "unattended/unattended_run.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <thread>

#include "app/box_texts.h"
#include "app/globals.h"
#include "dialogs/serial_prompt_dlg.h"
#include "ports/port_kinds.h"
#include "unattended/logging_platform.h"
#include "unattended/printer_removal.h"
#include "unattended/tcpip_port.h"

namespace {

constexpr std::chrono::milliseconds kPoll{50};
constexpr const char* kKindNames[kPortKindCount] = {"serial", "USB", "parallel", "TCP/IP"};
// How long a network printer is given to answer before its port is made
// anyway.
constexpr std::uint32_t kNetworkAnswerMs = 2000;

// Polls `done` until it holds or `bound` has passed; returns whether it held.
template <class Condition>
bool WaitUntil(Condition done, std::chrono::milliseconds bound) {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) return done();
        std::this_thread::sleep_for(kPoll);
    }
    return true;
}

// Whether `ports` holds `name` (SamePortName).
bool ListHolds(const std::vector<std::string>& ports, const std::string& name) {
    return std::any_of(ports.begin(), ports.end(), [&](const std::string& port) { return SamePortName(port, name); });
}

int BaudRateIndex(int baudRate) {
    for (int i = 0; i < CSerialPromptDlg::kBaudRateCount; ++i) {
        if (std::atoi(CSerialPromptDlg::kBaudRates[i]) == baudRate) return i;
    }
    return CSerialPromptDlg::kPreselected;
}

// The installation's report once no step of it runs: read on the dialog's
// thread, or, when the dialog has ended, after its thread has let it go.
InstallReport ReadReport(CAnsweringUserInterface& ui, CInstallerDlg& dialog) {
    InstallReport report;
    if (ui.RunOnDialog([&] { report = dialog.m_installReport; })) return report;
    ui.WaitForDialogEnd(CUnattendedRun::kEndWait);
    return dialog.m_installReport;
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

}  // namespace

CUnattendedRun::CUnattendedRun(plat::Platform& platform, plat::ICommandLineHost& host, CRunLog& log,
                               const CommandRequest& request, std::vector<PrinterRequest> printers)
    : m_platform(platform), m_host(host), m_log(log), m_request(request), m_printers(std::move(printers)) {
    for (const PrinterRequest& printer : m_printers) {
        PrinterResult result;
        result.name = printer.printerName.empty() ? printer.driverName : printer.printerName;
        result.driver = printer.driverName;
        m_results.push_back(result);
    }
}

Outcome CUnattendedRun::Run() {
    CAnsweringUserInterface ui(m_platform.ui, m_log, IDC_STATUS, IDC_INSTALL);
    ui.KeepDialogsHidden(m_request.quiet);
    CLoggingPlatform logging(m_platform, ui, m_log);
    g_nMsgUpdateData = ui.RegisterWindowMessageA(kUpdateDataMessageName);
    CInstallerDlg dialog(logging.platform());

    std::atomic<Outcome> outcome{Outcome::kNotFinished};
    std::thread driver([&] { outcome = Drive(ui, dialog, logging.platform()); });
    dialog.DoModal();
    driver.join();
    return outcome;
}

Outcome CUnattendedRun::Drive(CAnsweringUserInterface& ui, CInstallerDlg& dialog, plat::Platform& platform) {
    if (!ui.WaitForDialog(kDialogWait)) {
        m_log.Write("the installer dialog did not open");
        return Outcome::kNotFinished;
    }
    const auto ended = [&] { return ui.ClosedByPerson() ? Outcome::kCancelled : Outcome::kNotFinished; };
    if (!WaitUntil([&] { return dialog.StartupFinished() || ui.DialogEnded(); }, kStartupWait) ||
        ui.DialogEnded()) {
        if (!ui.ClosedByPerson()) m_log.Write("the start-up did not end");
        ui.RunOnDialog([&] { dialog.OnClose(); });
        ui.WaitForDialogEnd(kEndWait);
        return Ended(ended());
    }

    std::optional<Outcome> early;
    if (!ui.RunOnDialog([&] { early = Begin(ui, dialog, platform); })) early = ended();
    Outcome outcome = early.value_or(Outcome::kDone);
    for (std::size_t i = 0; !early && i < m_printers.size(); ++i) {
        const Outcome one = InstallOne(ui, dialog, platform, i);
        outcome = i == 0 ? one : Worse(outcome, one, m_request.requirePort);
    }
    // "&Finish" ends the dialog, which removes the working files.
    ui.RunOnDialog([&] {
        if (ui.DialogWindow()->GetDlgItemTextA(IDC_INSTALL) == kFinishCaption) {
            dialog.OnCommand(IDC_INSTALL, plat::kBnClicked);
        } else {
            dialog.OnClose();
        }
    });
    if (!ui.WaitForDialogEnd(kEndWait)) m_log.Write("the installer dialog did not close");
    return Ended(outcome);
}

Outcome CUnattendedRun::Ended(Outcome outcome) {
    if (outcome == Outcome::kCancelled) m_log.Write("the window was closed before the run had finished");
    return outcome;
}

std::optional<Outcome> CUnattendedRun::Begin(CAnsweringUserInterface& ui, CInstallerDlg& dialog,
                                             plat::Platform& platform) {
    if (m_request.action == CommandAction::kRemove) {
        return RemovePrinter(platform, m_request.removePrinter,
                             dialog.m_bWow64 ? "Windows x64" : "Windows NT x86", m_log);
    }
    plat::IDialogWindow& window = *ui.DialogWindow();
    std::vector<std::string> drivers;
    const int count = window.ComboGetCount(IDC_DRIVER_COMBO);
    for (int i = 0; i < count; ++i) drivers.push_back(window.ComboGetLBText(IDC_DRIVER_COMBO, i));
    if (drivers.empty()) {
        m_log.Write("the driver list is empty: DriverData.Drv or 7-zip32.dll is missing or unreadable");
        return Outcome::kNoPackage;
    }
    if (m_request.action == CommandAction::kList) {
        ListDrivers(drivers);
        return Outcome::kDone;
    }
    return MatchDrivers(dialog, drivers);
}

std::optional<Outcome> CUnattendedRun::MatchDrivers(CInstallerDlg& dialog, const std::vector<std::string>& drivers) {
    for (std::size_t i = 0; i < m_printers.size(); ++i) {
        PrinterRequest& printer = m_printers[i];
        const std::string where =
            printer.line > 0 ? m_request.configFile + " line " + std::to_string(printer.line) + ": " : "";
        // The name as given, else the first that differs from it only in case.
        auto found = std::find(drivers.begin(), drivers.end(), printer.driverName);
        if (found == drivers.end()) {
            found = std::find_if(drivers.begin(), drivers.end(),
                                 [&](const std::string& name) { return SameText(name, printer.driverName); });
        }
        if (found == drivers.end()) {
            m_log.Write("bad command line: " + where + Quoted(printer.driverName) +
                        " is not a driver of the package (see /list)");
            return Outcome::kUnknownDriver;
        }
        printer.driverName = *found;
        const std::optional<int> position = dialog.FindDriverIndex(*found);
        const bool label = position && *position >= dialog.CatalogueGroups().Total();
        if (label && !printer.printerName.empty() && printer.printerName != *found) {
            m_log.Write("bad command line: " + where + "a label printer takes its driver's name, so " +
                        Quoted(printer.printerName) + " cannot be used");
            return Outcome::kBadCommandLine;
        }
        m_results[i].driver = *found;
        m_results[i].name = label || printer.printerName.empty() ? *found : printer.printerName;
    }
    return std::nullopt;
}

void CUnattendedRun::ListDrivers(const std::vector<std::string>& drivers) {
    std::string text;
    for (const std::string& driver : drivers) {
        m_log.Write("driver: \"" + driver + "\"");
        text += driver + "\r\n";
    }
    if (m_host.PrintToConsole(text)) return;
    if (m_log.IsOpen()) {
        m_log.Write("no console to print to: the driver names are in this log");
    } else if (!m_request.quiet) {
        m_host.ShowMessageBox(text, "Drivers", plat::kMbOk | plat::kMbIconInformation);
    }
}

Outcome CUnattendedRun::InstallOne(CAnsweringUserInterface& ui, CInstallerDlg& dialog, plat::Platform& platform,
                                   std::size_t index) {
    PrinterResult& result = m_results[index];
    const std::string which =
        m_printers.size() > 1 ? "printer " + std::to_string(index + 1) + " " + Quoted(result.name) : "the printer";
    std::optional<Outcome> refused;
    if (!ui.RunOnDialog([&] { refused = StartInstall(ui, dialog, platform, index); })) {
        refused = ui.ClosedByPerson() ? Outcome::kCancelled : Outcome::kNotFinished;
        m_log.Write("the installer ended before " + which + " was installed");
    }
    if (refused) {
        result.outcome = *refused;
        return *refused;
    }

    // Install has returned; a serial probe goes on, one port per timer tick,
    // until it reports where the printer is.
    const bool settled = WaitUntil(
        [&] {
            bool done = true;  // an ended dialog does nothing more
            ui.RunOnDialog([&] {
                done = dialog.m_installReport.outcome != InstallOutcome::kNotFinished || !ui.TimersActive();
            });
            return done;
        },
        kInstallWait);
    if (!settled) m_log.Write("the port probe did not end in " + std::to_string(kInstallWait.count()) + " s");

    const InstallReport report = ReadReport(ui, dialog);
    const Outcome outcome = OutcomeOf(report, ui.ClosedByPerson());
    for (StepFailure failure : report.failures) m_log.Write(std::string("failed step: ") + ::Describe(failure));
    if (!report.printer.empty()) result.name = report.printer;
    if (!report.driver.empty()) result.driver = report.driver;
    result.environment = report.environment;
    result.port = report.port;
    result.portConfirmed = report.portConfirmed;
    result.isDefault = report.defaultPrinter;
    result.outcome = outcome;
    m_log.Write(which + ": " + ::Describe(report.outcome) +
                (report.port.empty() ? "" : "; port " + Quoted(report.port) +
                                                (report.portConfirmed ? " (confirmed)" : " (not confirmed)")) +
                "; default printer " + (report.defaultPrinter ? "yes" : "no"));
    if (outcome == Outcome::kFallbackPort && m_request.requirePort) {
        m_log.Write(which + " stays installed on its fallback port; /requireport makes that a failure");
    }
    return outcome;
}

std::optional<Outcome> CUnattendedRun::StartInstall(CAnsweringUserInterface& ui, CInstallerDlg& dialog,
                                                    plat::Platform& platform, std::size_t index) {
    PrinterRequest& printer = m_printers[index];
    plat::IDialogWindow& window = *ui.DialogWindow();
    if (!window.IsDlgItemEnabled(IDC_INSTALL)) {
        m_log.Write("the Install button cannot be used");
        return Outcome::kNotFinished;
    }
    if (!printer.tcpipHost.empty()) {
        const std::string address = printer.tcpipHost + ":" + std::to_string(printer.tcpipPort);
        const TcpipPortFound port =
            FindOrAddTcpipPort(platform.spooler, platform.system, printer.tcpipHost, printer.tcpipPort);
        if (port.portName.empty()) {
            m_log.Write("no TCP/IP port for " + address + ": " + port.error);
            return Outcome::kNoSuchPort;
        }
        m_log.Write((port.created ? "made the TCP/IP port " : "uses the TCP/IP port ") + Quoted(port.portName) +
                    " for " + address);
        // A printer is often off while its terminal is set up: the port
        // stays either way.
        m_log.Write(m_host.TcpConnects(printer.tcpipHost, printer.tcpipPort, kNetworkAnswerMs)
                        ? address + " answers"
                        : address + " does not answer (the printer may be off); the port is used all the same");
        printer.portName = port.portName;
        if (port.created) dialog.EnumeratePorts();
    }
    const int row = ChoosePortRow(window, dialog, printer);
    if (row < 0) return Outcome::kNoSuchPort;
    if (printer.baudRate != 0 && row != kPortSerial) {
        m_log.Write("/baud is not used: the printer is not on a serial port");
    }
    ui.SetChildAnswers(ChildAnswers{printer.portName, BaudRateIndex(printer.baudRate)});
    // Each printer starts as the program's first installation does, also
    // after another printer has finished.
    g_bPortFound = true;
    if (window.GetDlgItemTextA(IDC_INSTALL) == kFinishCaption) window.SetDlgItemTextA(IDC_INSTALL, kInstallCaption);

    // What a person does: pick the driver (which proposes the printer's
    // name), type a name, set the tick and choose the row.
    const int driverRow = window.ComboGetCount(IDC_DRIVER_COMBO);
    for (int i = 0; i < driverRow; ++i) {
        if (window.ComboGetLBText(IDC_DRIVER_COMBO, i) == printer.driverName) {
            window.ComboSetCurSel(IDC_DRIVER_COMBO, i);
            break;
        }
    }
    dialog.OnCommand(IDC_DRIVER_COMBO, plat::kCbnSelChange);
    if (!printer.printerName.empty()) window.SetDlgItemTextA(IDC_PRINTER_NAME, printer.printerName);
    window.CheckDlgButton(IDC_SET_DEFAULT, printer.setDefault ? plat::kBstChecked : plat::kBstUnchecked);
    const std::uint32_t mask = plat::kLvisSelected | plat::kLvisFocused;
    for (int r = 0; r < window.ListGetItemCount(IDC_PORT_LIST); ++r) {
        window.ListSetItemState(IDC_PORT_LIST, r, r == row ? mask : 0, mask);
    }
    std::string line = "install: driver " + Quoted(printer.driverName) + ", printer " +
                       Quoted(m_results[index].name) + ", " + kKindNames[row] + " port";
    if (!printer.portName.empty()) {
        line += ' ';
        line += Quoted(printer.portName);
    }
    m_log.Write(line + ", default printer " + (printer.setDefault ? "yes" : "no"));
    dialog.OnCommand(IDC_INSTALL, plat::kBnClicked);
    return std::nullopt;
}

int CUnattendedRun::ChoosePortRow(plat::IDialogWindow& window, CInstallerDlg& dialog, const PrinterRequest& printer) {
    int row = printer.portKind;
    const std::string& name = printer.portName;
    if (!name.empty()) {
        if (ListHolds(dialog.m_saParallelPorts, name)) {
            row = kPortParallel;
        } else if (ListHolds(dialog.m_saTcpipPorts, name)) {
            row = kPortTcpip;
        } else if (ListHolds(dialog.m_saUsbPorts, name) || ListHolds(dialog.m_saSerialPorts, name)) {
            const bool usb = ListHolds(dialog.m_saUsbPorts, name);
            m_log.Write(Quoted(name) + " is a " + (usb ? "USB" : "serial") +
                        " port: the installer finds the port of such a printer itself; give /port " +
                        (usb ? "usb" : "serial"));
            return -1;
        } else {
            m_log.Write("there is no port " + Quoted(name));
            return -1;
        }
    }
    if (row < 0) {
        // The row the start-up proposed.
        row = kPortSerial;
        for (int r = 0; r < window.ListGetItemCount(IDC_PORT_LIST); ++r) {
            if (window.ListGetItemState(IDC_PORT_LIST, r, plat::kLvisSelected) == plat::kLvisSelected) {
                row = r;
                break;
            }
        }
    }
    // Without a port of its kind, a parallel printer would be refused, and a
    // TCP/IP printer would open the port monitor's own window to ask for a
    // new port, which nobody could answer.
    if ((row == kPortParallel && dialog.m_saParallelPorts.empty()) ||
        (row == kPortTcpip && dialog.m_saTcpipPorts.empty())) {
        m_log.Write(std::string("there is no ") + kKindNames[row] + " port");
        return -1;
    }
    return row;
}
