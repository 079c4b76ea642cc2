#include "platform/sim/sim_templates.h"

#include <algorithm>

#include "platform/ui.h"
#include "resources/resource.h"

namespace sim {
namespace {

using K = ControlKind;

DialogTemplate InstallerDialog() {
    return DialogTemplate{
        IDD_INSTALLER_DIALOG,
        "Configure & Install v1.4",
        "Arial Narrow",
        10,
        343,
        222,
        {
            {IDC_DRIVER_LABEL, K::kStatic, "Driver Name:", 7, 9, 49, 8, 0},
            {IDC_DRIVER_COMBO, K::kCombo, "", 58, 6, 105, 68, ctl::kDropDownList | ctl::kVScroll},
            {IDC_PRINTER_LABEL, K::kStatic, "Printer Name:", 169, 9, 53, 8, 0},
            {IDC_PRINTER_NAME, K::kEdit, "", 223, 6, 102, 14, ctl::kBorder | ctl::kAutoHScroll},
            {IDC_SET_DEFAULT, K::kCheck, "Set Default Printer", 7, 22, 92, 10, ctl::kAutoCheck},
            {IDC_PORT_GROUP, K::kGroup, "Specify Port", 7, 37, 329, 133, 0},
            {IDC_PORT_HINT, K::kStatic,
             "Specify the port that you are using.\r\nThe program will help you to configure "
             "the printer port during installation.",
             26, 51, 310, 20, 0},
            {IDC_PORT_LIST, K::kListView, "", 10, 71, 320, 97,
             ctl::kReport | ctl::kSingleSel | ctl::kShowSelAlways | ctl::kBorder},
            {IDC_PROGRESS, K::kProgress, "", 7, 174, 329, 14, ctl::kBorder},
            {IDC_INSTALL, K::kButton, "&Install", 217, 192, 50, 14,
             ctl::kDefaultButton | ctl::kDisabled},
            {plat::kIdCancel, K::kButton, "&Cancel", 284, 192, 50, 14, 0},
            {IDC_STATUS, K::kStatic, "Driver install Program", 7, 209, 301, 8, 0},
        },
    };
}

constexpr std::uint32_t kPortListFlags =
    ctl::kReport | ctl::kSingleSel | ctl::kShowSelAlways | ctl::kBorder;

DialogTemplate TcpipPortDialog() {
    return DialogTemplate{
        IDD_TCPIP_PORT_DIALOG,
        "Configure TCP/IP PrinterPort",
        "Arial Narrow",
        10,
        260,
        116,
        {
            {IDC_PORT_LIST, K::kListView, "", 7, 15, 246, 57, kPortListFlags},
            {IDC_ADD_PORT, K::kButton, "&Add Port", 149, 75, 44, 11, 0},
            {IDC_PORT_PROMPT, K::kStatic, "Please select/create a TCP/IP printer port", 8, 4, 186, 8, 0},
            {IDC_CHOOSE_PORT, K::kButton, "OK", 73, 97, 52, 14, 0},
            {IDC_CONFIGURE_PORT, K::kButton, "&ConfigurePort", 199, 75, 54, 11, 0},
            {IDC_DELETE_PORT, K::kButton, "&Delete Port", 11, 75, 50, 11, 0},
            {IDC_DISMISS_PORT, K::kButton, "Cancel", 134, 97, 52, 14, 0},
        },
    };
}

DialogTemplate ParallelPortDialog() {
    return DialogTemplate{
        IDD_PARALLEL_PORT_DIALOG,
        "Select A Parallel Port",
        "Arial Narrow",
        10,
        260,
        97,
        {
            {IDC_PORT_LIST, K::kListView, "", 7, 15, 246, 57, kPortListFlags},
            {IDC_PORT_PROMPT, K::kStatic, "Please select a port from the following ports", 8, 4, 245, 8, 0},
            {IDC_CHOOSE_PORT, K::kButton, "&Ok", 74, 78, 52, 14, 0},
            {IDC_DISMISS_PORT, K::kButton, "&Cancel", 135, 78, 52, 14, 0},
        },
    };
}

DialogTemplate SerialPromptDialog() {
    return DialogTemplate{
        IDD_SERIAL_PROMPT,
        "Prompt(automatically select the available serial port) ",
        "Arial Narrow",
        10,
        254,
        97,
        {
            {IDC_SERIAL_YES, K::kButton, "&Yes", 69, 76, 50, 14, 0},
            {IDC_BAUD_RATE, K::kCombo, "", 43, 34, 55, 58, ctl::kDropDownList | ctl::kVScroll},
            {kNoControlId, K::kStatic, "Baudrate:", 10, 36, 32, 8, 0},
            {kNoControlId, K::kStatic, "bps", 100, 36, 13, 8, 0},
            {IDC_SERIAL_NO, K::kButton, "&No", 132, 76, 50, 14, 0},
            {kNoControlId, K::kGroup, "Do you need the Program to select the available serial port?",
             4, 6, 246, 64, 0},
            {kNoControlId, K::kStatic,
             "1.If \"Yes\",please select the baud rate(That must match the printer device)", 10, 23,
             237, 8, 0},
            {kNoControlId, K::kStatic, "2.If \"No\",you can set printer port after finish install.",
             10, 50, 145, 8, 0},
        },
    };
}

std::vector<DialogTemplate> BuildTemplates() {
    std::vector<DialogTemplate> all{InstallerDialog(), TcpipPortDialog(), ParallelPortDialog(),
                                    SerialPromptDialog()};
    std::sort(all.begin(), all.end(),
              [](const DialogTemplate& a, const DialogTemplate& b) { return a.id < b.id; });
    return all;
}

}  // namespace

const std::vector<DialogTemplate>& AllDialogTemplates() {
    static const std::vector<DialogTemplate> all = BuildTemplates();
    return all;
}

const DialogTemplate* FindDialogTemplate(int templateId) {
    for (const DialogTemplate& t : AllDialogTemplates()) {
        if (t.id == templateId) return &t;
    }
    return nullptr;
}

const char* ControlKindName(ControlKind kind) {
    switch (kind) {
        case K::kStatic: return "static";
        case K::kCombo: return "combo box";
        case K::kEdit: return "edit box";
        case K::kCheck: return "check box";
        case K::kGroup: return "group box";
        case K::kListView: return "list view";
        case K::kProgress: return "progress bar";
        case K::kButton: return "push button";
    }
    return "?";
}

}  // namespace sim
