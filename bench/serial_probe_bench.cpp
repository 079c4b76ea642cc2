// How much processor time the installer spends while it probes serial
// ports: runs the installer dialog's own probe (the same timer steps and
// serial channel as a serial installation) over the given COM ports and
// prints the process's CPU time against the time the probe took.
//
//   serial_probe_bench.exe --ports COM5:,COM6:,COM7: [--baud 9600] [--label] [--expect COM7:|none]
//
// Exit status 0 when the probe ended as --expect says (a port, or none),
// 1 when it did not, 2 for bad arguments.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "app/globals.h"
#include "app/installer_dlg.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/win32_windows.h"

namespace {

constexpr const char* kFound = "The available printer port: ";
constexpr const char* kNotFound = "Unable to detect available printer.";

double ProcessCpuMs() {
    FILETIME created, exited, kernel, user;
    if (!::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
    auto ms = [](const FILETIME& t) {
        return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) |
                                   t.dwLowDateTime) /
               10000.0;
    };
    return ms(kernel) + ms(user);
}

// The installer dialog without its start-up: the probe starts as the serial
// prompt's "Yes" starts it, and the dialog ends when the probe has ended.
class CProbeBenchDlg : public CInstallerDlg {
public:
    CProbeBenchDlg(plat::Platform& platform, std::vector<std::string> ports, int baudRate,
                   bool label)
        : CInstallerDlg(platform), m_ports(std::move(ports)), m_nRate(baudRate), m_bLabel(label) {}

    bool OnInitDialog() override {
        for (CControl* control : std::initializer_list<CControl*>{&m_btnInstall, &m_progress,
                                                                 &m_cboDriver, &m_lstPort}) {
            control->Bind(m_pWnd);
        }
        CDialog::OnInitDialog();
        m_nReceiptCount1 = 15;
        m_nReceiptCount2 = 7;
        m_nReceiptCount3 = 5;
        m_nReceiptCount4 = 3;
        m_nDriverIndex = m_bLabel ? 30 : 0;
        m_saSerialPorts = m_ports;
        m_nBaudRate = m_nRate;
        m_nProbeIndex = -1;
        m_bSerialReply = false;
        m_start = std::chrono::steady_clock::now();
        m_cpuStart = ProcessCpuMs();
        m_pWnd->SetTimer(PROBE_TIMER_ID, 1);
        return true;
    }

    void OnTimer(std::uintptr_t timerId) override {
        // The last tick configures the port found (registry, spooler
        // restart): the search itself ends where that tick begins.
        const double wallMs = ElapsedMs();
        const double cpuMs = ProcessCpuMs() - m_cpuStart;
        CInstallerDlg::OnTimer(timerId);
        if (m_strStatus.rfind(kFound, 0) == 0 || m_strStatus.rfind(kNotFound, 0) == 0) {
            m_searchWallMs = wallMs;
            m_searchCpuMs = cpuMs;
            m_wallMs = ElapsedMs();
            m_cpuMs = ProcessCpuMs() - m_cpuStart;
            m_strResult = m_strStatus;
            EndDialog(plat::kIdOk);
        }
    }

    std::string m_strResult;
    double m_searchWallMs = 0;
    double m_searchCpuMs = 0;
    double m_wallMs = 0;
    double m_cpuMs = 0;

private:
    double ElapsedMs() const {
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - m_start)
            .count();
    }

    std::vector<std::string> m_ports;
    int m_nRate;
    bool m_bLabel;
    std::chrono::steady_clock::time_point m_start;
    double m_cpuStart = 0;
};

std::vector<std::string> SplitPorts(const std::string& list) {
    std::vector<std::string> ports;
    std::stringstream ss(list);
    std::string port;
    while (std::getline(ss, port, ',')) {
        if (!port.empty()) ports.push_back(port);
    }
    return ports;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> ports;
    int baudRate = 9600;
    bool label = false;
    std::string expect;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--label") {
            label = true;
        } else if (i + 1 < argc && arg == "--ports") {
            ports = SplitPorts(argv[++i]);
        } else if (i + 1 < argc && arg == "--baud") {
            baudRate = std::atoi(argv[++i]);
        } else if (i + 1 < argc && arg == "--expect") {
            expect = argv[++i];
        } else {
            std::fprintf(stderr, "serial_probe_bench: unknown argument %s\n", arg.c_str());
            return 2;
        }
    }
    if (ports.empty() || baudRate <= 0) {
        std::fprintf(stderr, "usage: serial_probe_bench.exe --ports COM5:,COM6: [--baud N] "
                             "[--label] [--expect PORT|none]\n");
        return 2;
    }

    INITCOMMONCONTROLSEX icc{};
    icc.dwSize = sizeof(icc);
    icc.dwICC = ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES;
    ::InitCommonControlsEx(&icc);

    plat::win32::Win32Platform platform;
    g_nMsgUpdateData = platform.platform().ui.RegisterWindowMessageA(kUpdateDataMessageName);
    std::string result;
    double searchCpuMs = 0, searchWallMs = 0, cpuMs = 0, wallMs = 0;
    {
        CProbeBenchDlg dialog(platform.platform(), ports, baudRate, label);
        dialog.DoModal();
        searchCpuMs = dialog.m_searchCpuMs;
        searchWallMs = dialog.m_searchWallMs;
        cpuMs = dialog.m_cpuMs;
        wallMs = dialog.m_wallMs;
        result = dialog.m_strResult;
    }
    auto share = [](double cpu, double wall) { return wall > 0 ? 100.0 * cpu / wall : 0.0; };
    std::printf("probe of %zu ports at %d baud: %s\n", ports.size(), baudRate,
                result.empty() ? "(did not end)" : result.c_str());
    std::printf("installer CPU while probing: %.0f ms in %.0f ms = %.2f %% of one core\n",
                searchCpuMs, searchWallMs, share(searchCpuMs, searchWallMs));
    std::printf("installer CPU with the final configuration (registry, spooler restart): "
                "%.0f ms in %.0f ms = %.2f %% of one core\n",
                cpuMs, wallMs, share(cpuMs, wallMs));
    std::fflush(stdout);
    if (expect.empty()) return result.empty() ? 1 : 0;
    const bool found = result.rfind(kFound, 0) == 0;
    if (expect == "none") return !result.empty() && !found ? 0 : 1;
    return found && result.size() >= expect.size() &&
                   result.compare(result.size() - expect.size(), expect.size(), expect) == 0
               ? 0
               : 1;
}
