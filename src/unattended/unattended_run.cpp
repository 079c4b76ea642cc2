#include "unattended/unattended_run.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdlib>
#include <thread>

#include "app/globals.h"
#include "dialogs/serial_prompt_dlg.h"
#include "ports/port_kinds.h"
#include "unattended/logging_platform.h"
#include "unattended/printer_removal.h"

namespace {

constexpr std::chrono::milliseconds kPoll{50};
constexpr const char* kFinishCaption = "&Finish";
// The status a serial installation ends with when no port answered.
constexpr const char* kSerialNotDetected = "Unable to detect available printer";
constexpr const char* kKindNames[kPortKindCount] = {"serial", "USB", "parallel", "TCP/IP"};

std::string Lower(std::string text) {
    for (char& ch : text) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return text;
}

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

// Whether `ports` holds `name`, compared without case, and for COM ports
// also without the colon the list adds.
bool ListHolds(const std::vector<std::string>& ports, const std::string& name) {
    const std::string wanted = Lower(name);
    return std::any_of(ports.begin(), ports.end(), [&](const std::string& port) {
        const std::string have = Lower(port);
        return have == wanted || have == wanted + ":";
    });
}

// The first outcome that is a failure, else "not finished".
ExitCode FirstFailure(const std::vector<ExitCode>& outcomes) {
    for (ExitCode outcome : outcomes) {
        if (outcome != ExitCode::kFallbackPort) return outcome;
    }
    return ExitCode::kNotFinished;
}

int BaudRateIndex(int baudRate) {
    for (int i = 0; i < CSerialPromptDlg::kBaudRateCount; ++i) {
        if (std::atoi(CSerialPromptDlg::kBaudRates[i]) == baudRate) return i;
    }
    return CSerialPromptDlg::kPreselected;
}

}  // namespace

CUnattendedRun::CUnattendedRun(plat::Platform& platform, plat::ICommandLineHost& host, CRunLog& log,
                               const CommandRequest& request)
    : m_platform(platform), m_host(host), m_log(log), m_request(request) {}

ExitCode CUnattendedRun::Run() {
    CAnsweringUserInterface ui(m_platform.ui, m_log,
                               ChildAnswers{m_request.portName, BaudRateIndex(m_request.baudRate)},
                               IDC_STATUS, IDC_INSTALL);
    ui.KeepDialogsHidden(m_request.quiet);
    CLoggingPlatform logging(m_platform, ui, m_log);
    g_nMsgUpdateData = ui.RegisterWindowMessageA(kUpdateDataMessageName);
    CInstallerDlg dialog(logging.platform());

    std::atomic<ExitCode> code{ExitCode::kNotFinished};
    std::thread driver([&] { code = Drive(ui, dialog, logging.platform()); });
    dialog.DoModal();
    driver.join();
    return code;
}

ExitCode CUnattendedRun::Drive(CAnsweringUserInterface& ui, CInstallerDlg& dialog,
                               plat::Platform& platform) {
    if (!ui.WaitForDialog(kDialogWait)) {
        m_log.Write("the installer dialog did not open");
        return ExitCode::kNotFinished;
    }
    if (!WaitUntil([&] { return dialog.StartupFinished() || ui.DialogEnded(); }, kStartupWait) ||
        ui.DialogEnded()) {
        m_log.Write("the start-up did not end");
        ui.RunOnDialog([&] { dialog.OnClose(); });
        ui.WaitForDialogEnd(kEndWait);
        return ExitCode::kNotFinished;
    }

    ExitCode code = ExitCode::kNotFinished;
    bool installing = false;
    ui.RunOnDialog([&] { code = Begin(ui, dialog, platform, &installing); });
    if (installing) {
        // A serial probe goes on, one port per timer tick, after Install
        // has returned.
        if (!WaitUntil([&] { return !ui.TimersActive() || ui.DialogEnded(); }, kProbeWait)) {
            m_log.Write("the port probe did not end");
        }
        // A refused driver or monitor ends the dialog during Install.
        code = FirstFailure(ui.Outcomes());
        ui.RunOnDialog([&] { code = Conclude(ui, dialog); });
    } else {
        ui.RunOnDialog([&] { dialog.OnClose(); });
    }
    if (!ui.WaitForDialogEnd(kEndWait)) m_log.Write("the installer dialog did not close");
    return code;
}

ExitCode CUnattendedRun::Begin(CAnsweringUserInterface& ui, CInstallerDlg& dialog,
                               plat::Platform& platform, bool* installing) {
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
        return ExitCode::kNoPackage;
    }
    if (m_request.action == CommandAction::kList) {
        ListDrivers(drivers);
        return ExitCode::kDone;
    }
    return StartInstall(window, dialog, drivers, installing);
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

ExitCode CUnattendedRun::StartInstall(plat::IDialogWindow& window, CInstallerDlg& dialog,
                                      const std::vector<std::string>& drivers, bool* installing) {
    // The name as given, else the first that differs from it only in case.
    auto found = std::find(drivers.begin(), drivers.end(), m_request.driverName);
    if (found == drivers.end()) {
        found = std::find_if(drivers.begin(), drivers.end(), [&](const std::string& name) {
            return Lower(name) == Lower(m_request.driverName);
        });
    }
    if (found == drivers.end()) {
        m_log.Write("\"" + m_request.driverName + "\" is not a driver of the package (see /list)");
        return ExitCode::kUnknownDriver;
    }
    const std::string driver = *found;
    const std::optional<int> position = dialog.FindDriverIndex(driver);
    const bool label = position && *position >= dialog.CatalogueGroups().Total();
    if (label && !m_request.printerName.empty() && m_request.printerName != driver) {
        m_log.Write("bad command line: a label printer takes its driver's name, so /printer \"" +
                    m_request.printerName + "\" cannot be used");
        return ExitCode::kBadCommandLine;
    }
    const int row = ChoosePortRow(window, dialog);
    if (row < 0) return ExitCode::kNoSuchPort;
    if (m_request.baudRate != 0 && row != kPortSerial) {
        m_log.Write("/baud is not used: the printer is not on a serial port");
    }

    // What a person does: pick the driver (which proposes the printer's
    // name), type a name, set the tick and choose the row.
    window.ComboSetCurSel(IDC_DRIVER_COMBO, static_cast<int>(found - drivers.begin()));
    dialog.OnCommand(IDC_DRIVER_COMBO, plat::kCbnSelChange);
    if (!m_request.printerName.empty()) window.SetDlgItemTextA(IDC_PRINTER_NAME, m_request.printerName);
    window.CheckDlgButton(IDC_SET_DEFAULT, m_request.setDefault ? plat::kBstChecked : plat::kBstUnchecked);
    const std::uint32_t mask = plat::kLvisSelected | plat::kLvisFocused;
    for (int r = 0; r < window.ListGetItemCount(IDC_PORT_LIST); ++r) {
        window.ListSetItemState(IDC_PORT_LIST, r, r == row ? mask : 0, mask);
    }
    m_log.Write("install: driver \"" + driver + "\", printer \"" +
                (label ? driver : window.GetDlgItemTextA(IDC_PRINTER_NAME)) + "\", " + kKindNames[row] +
                " port" + (m_request.portName.empty() ? "" : " \"" + m_request.portName + "\"") +
                ", default printer " + (m_request.setDefault ? "yes" : "no"));
    if (!window.IsDlgItemEnabled(IDC_INSTALL)) {
        m_log.Write("the Install button cannot be used");
        return ExitCode::kNotFinished;
    }
    *installing = true;
    dialog.OnCommand(IDC_INSTALL, plat::kBnClicked);
    return ExitCode::kNotFinished;
}

int CUnattendedRun::ChoosePortRow(plat::IDialogWindow& window, CInstallerDlg& dialog) {
    int row = m_request.portKind;
    const std::string& name = m_request.portName;
    if (!name.empty()) {
        if (ListHolds(dialog.m_saParallelPorts, name)) {
            row = kPortParallel;
        } else if (ListHolds(dialog.m_saTcpipPorts, name)) {
            row = kPortTcpip;
        } else if (ListHolds(dialog.m_saUsbPorts, name) || ListHolds(dialog.m_saSerialPorts, name)) {
            const bool usb = ListHolds(dialog.m_saUsbPorts, name);
            m_log.Write("\"" + name + "\" is a " + (usb ? "USB" : "serial") +
                        " port: the installer finds the port of such a printer itself; give /port " +
                        (usb ? "usb" : "serial"));
            return -1;
        } else {
            m_log.Write("there is no port \"" + name + "\"");
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

ExitCode CUnattendedRun::Conclude(CAnsweringUserInterface& ui, CInstallerDlg& dialog) {
    plat::IDialogWindow& window = *ui.DialogWindow();
    const std::vector<ExitCode> outcomes = ui.Outcomes();
    if (window.GetDlgItemTextA(IDC_INSTALL) != kFinishCaption) {
        dialog.OnClose();
        return FirstFailure(outcomes);
    }
    const bool fallback =
        std::find(outcomes.begin(), outcomes.end(), ExitCode::kFallbackPort) != outcomes.end() ||
        window.GetDlgItemTextA(IDC_STATUS).rfind(kSerialNotDetected, 0) == 0;
    // "&Finish" ends the dialog, which removes the working files.
    dialog.OnCommand(IDC_INSTALL, plat::kBnClicked);
    return fallback ? ExitCode::kFallbackPort : ExitCode::kDone;
}
