// Installations against their floor, as a person runs them: the first
// receipt driver of the package on the USB row with 1, 4 and 16 USB ports
// (nobody on line, Cancel at the box), against as many bare spooler
// restarts; or on the serial row with the simulated printer behind the
// last of three COM ports, against the pauses the installation prescribes
// there (the receipt installation's settle pause, then the probe's answer
// window on each port) and one bare restart.
//
//   install_bench.exe usb --dist DIR [--ports 1,4,16] [--runs R] [--label TEXT]
//   install_bench.exe serial --dist DIR [--runs R] [--label TEXT]
//
// USB: the prefix gets exactly N USB ports before each run; the time runs
// from the click on Install to the "Fail to select port" box, which comes
// after the installer has tried every port (on Windows 10 one spooler
// restart per port; the prefix must report Windows 10). Serial: the time
// runs from "&Yes" in the serial prompt until the installer is done with
// the port it found. Each run's printer is removed afterwards. Prints the
// medians and spreads, the installer's peak working set and rows of the
// figures table. Exit status 1 when a run failed.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "app/box_texts.h"
#include "dialog_probe.h"
#include "launch.h"
#include "printer_probe.h"
#include "remote_list_view.h"
#include "spooler_cycles.h"
#include "stats.h"

namespace {

constexpr DWORD kReadyTimeoutMs = 120000;
constexpr DWORD kStepTimeoutMs = 300000;
constexpr DWORD kPollMs = 2;
constexpr char kPromptCaption[] = "Prompt(automatically select the available serial port) ";
constexpr char kPortsKey[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Ports";
constexpr char kWindowsKey[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows";
// The serial probe gives each port it could open this long to answer; it
// starts after the receipt installation's settle pause.
constexpr double kAnswerWindowMs = 700;
constexpr double kSettlePauseMs = 500;
constexpr int kSerialPorts = 3;

// Exactly `count` USB ports, USB001 on; and the key Windows keeps the
// default printer in, which a fresh prefix lacks.
bool SetUsbPorts(int count) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kPortsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &key, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    std::vector<std::string> old;
    char name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = sizeof name;
        if (RegEnumValueA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        if (_strnicmp(name, "USB", 3) == 0) old.emplace_back(name, length);
    }
    for (const std::string& port : old) RegDeleteValueA(key, port.c_str());
    bool ok = true;
    for (int n = 1; n <= count; ++n) {
        std::snprintf(name, sizeof name, "USB%03d", n);
        ok = ok && RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1) ==
                       ERROR_SUCCESS;
    }
    RegCloseKey(key);
    HKEY windows = nullptr;
    ok = ok && RegCreateKeyExA(HKEY_CURRENT_USER, kWindowsKey, 0, nullptr, 0, KEY_SET_VALUE,
                               nullptr, &windows, nullptr) == ERROR_SUCCESS;
    if (windows != nullptr) RegCloseKey(windows);
    return ok;
}

// Polls until `done` holds; false when the installer ended, showed a box
// other than `allowed`, or the bound ran out.
template <class Condition>
bool WatchUntil(const bench::Child& child, const std::vector<std::string>& allowed,
                Condition done, DWORD pollMs = kPollMs) {
    const double deadline = bench::NowMs() + kStepTimeoutMs;
    std::vector<std::string> expected = allowed;
    expected.push_back(bench::kDialogCaption);
    for (int polls = 1; bench::NowMs() < deadline; ++polls) {
        if (done()) return true;
        if (polls % 50 == 0) {
            const std::string why = e2e::WhyWatchEnds(child.Handle(), child.Id(), expected);
            if (!why.empty()) {
                std::fprintf(stderr, "install_bench: %s\n", why.c_str());
                return false;
            }
        }
        Sleep(pollMs);
    }
    std::fprintf(stderr, "install_bench: a step took longer than %lu s\n",
                 static_cast<unsigned long>(kStepTimeoutMs / 1000));
    return false;
}

// The status line as stored with the window: read without a message to
// the installer, so that frequent polls do not keep its dialog busy.
std::string StatusOf(HWND dialog) {
    char text[512] = {};
    WCHAR wide[512] = {};
    const int length = InternalGetWindowText(GetDlgItem(dialog, IDC_STATUS), wide, 512);
    if (length <= 0) return "";
    WideCharToMultiByte(CP_ACP, 0, wide, length, text, sizeof text - 1, nullptr, nullptr);
    return text;
}

// One installer run up to a usable Install with port row `row` chosen.
struct ReadyInstaller {
    bench::Child child;
    HWND dialog = nullptr;
    std::string printer;
};

bool StartReady(const std::string& dist, int row, ReadyInstaller& run, bool tellSystem) {
    if (!run.child.Start(dist + "\\installer.exe", "", dist, false) ||
        bench::WaitForUsableInstall(run.child, kReadyTimeoutMs, &run.dialog) < 0) {
        std::fprintf(stderr, "install_bench: installer.exe did not become usable\n");
        return false;
    }
    if (tellSystem) std::printf("installer: \"%s\"\n", StatusOf(run.dialog).c_str());
    run.printer = e2e::ReadWindowText(GetDlgItem(run.dialog, IDC_PRINTER_NAME)).value_or("");
    if (!e2e::RemoteListView(GetDlgItem(run.dialog, IDC_PORT_LIST), run.child.Id()).SelectItem(row)) {
        std::fprintf(stderr, "install_bench: port row %d could not be chosen\n", row);
        return false;
    }
    return true;
}

// "&Finish", the end of the program, and the printer removed again.
bool Finish(ReadyInstaller& run) {
    HWND button = GetDlgItem(run.dialog, IDC_INSTALL);
    if (!WatchUntil(run.child, {}, [&] {
            return e2e::ReadWindowText(button).value_or("") == kFinishCaption &&
                   IsWindowEnabled(button);
        }, 20)) {
        return false;
    }
    if (!bench::PressAndWaitForExit(run.child, run.dialog, IDC_INSTALL, 60000)) {
        std::fprintf(stderr, "install_bench: installer.exe did not end after \"&Finish\"\n");
        return false;
    }
    e2e::RemovePrinter(run.printer);
    return true;
}

// Click on Install to the "no USB port answered" box; negative on failure.
// `*peak` is the installer's peak working set at the box; `*bare` the time
// of as many bare restarts made while the box waits, with the new printer
// on its port as the installer's restarts had it.
double UsbRun(const std::string& dist, int ports, bool first, SIZE_T* peak, double* bare) {
    if (!SetUsbPorts(ports)) {
        std::fprintf(stderr, "install_bench: the USB ports could not be set\n");
        return -1;
    }
    ReadyInstaller run;
    if (!StartReady(dist, 1, run, first)) return -1;
    const double start = bench::NowMs();
    PostMessageA(GetDlgItem(run.dialog, IDC_INSTALL), BM_CLICK, 0, 0);
    HWND box = nullptr;
    if (!WatchUntil(run.child, {kNoUsbPortCaption}, [&] {
            box = e2e::FindProcessWindow(run.child.Id(), kNoUsbPortCaption);
            return box != nullptr && IsWindowVisible(box);
        })) {
        return -1;
    }
    const double ms = bench::NowMs() - start;
    *peak = run.child.PeakWorkingSet();
    *bare = bench::BareSpoolerRestarts(ports);
    if (!e2e::Dismiss(box, IDCANCEL) || !Finish(run)) return -1;
    return ms;
}

// "&Yes" in the serial prompt to the installer done with the port it
// found; negative on failure. `*found` is the last status line, `*bare` a
// bare restart made then, the printer still installed.
double SerialRun(const std::string& dist, bool first, std::string* found, double* bare) {
    ReadyInstaller run;
    if (!StartReady(dist, 0, run, first)) return -1;
    PostMessageA(GetDlgItem(run.dialog, IDC_INSTALL), BM_CLICK, 0, 0);
    HWND prompt = nullptr;
    if (!WatchUntil(run.child, {kPromptCaption}, [&] {
            prompt = e2e::FindProcessWindow(run.child.Id(), kPromptCaption);
            return prompt != nullptr && IsWindowVisible(prompt);
        })) {
        return -1;
    }
    const double start = bench::NowMs();
    PostMessageA(GetDlgItem(prompt, IDC_SERIAL_YES), BM_CLICK, 0, 0);
    // The status names the port before the last spooler restart; the
    // dialog answers again once that is done.
    if (!WatchUntil(run.child, {kPromptCaption}, [&] {
            *found = StatusOf(run.dialog);
            return found->rfind("The available printer port:", 0) == 0 ||
                   found->rfind("Unable to detect", 0) == 0;
        }, 5)) {
        return -1;
    }
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(run.dialog, WM_NULL, 0, 0, SMTO_NORMAL, kStepTimeoutMs, &ignored);
    const double ms = bench::NowMs() - start;
    *bare = bench::BareSpoolerRestarts(1);
    if (!Finish(run)) return -1;
    return ms;
}

std::vector<int> ParseCounts(const std::string& list) {
    std::vector<int> counts;
    std::stringstream ss(list);
    std::string item;
    while (std::getline(ss, item, ',')) {
        if (std::atoi(item.c_str()) > 0) counts.push_back(std::atoi(item.c_str()));
    }
    return counts;
}

int RunUsb(const std::string& dist, const std::vector<int>& counts, int runs,
           const std::string& label) {
    std::vector<bench::Runs> installer(counts.size()), bare(counts.size());
    bench::Runs slopeRatio, peakMb;
    for (int run = 0; run < runs; ++run) {
        for (std::size_t c = 0; c < counts.size(); ++c) {
            SIZE_T peak = 0;
            double floor = -1;
            const double ms = UsbRun(dist, counts[c], run == 0 && c == 0, &peak, &floor);
            if (ms < 0 || floor < 0) return 1;
            installer[c].Add(ms);
            bare[c].Add(floor);
            if (peak > 0 && c + 1 == counts.size()) peakMb.Add(peak / (1024.0 * 1024.0));
            std::printf("run %d, %d USB ports: installer %.0f ms to the box, %d bare restarts "
                        "%.0f ms\n", run + 1, counts[c], ms, counts[c], floor);
        }
        // The cost of one more port: the slope between the fewest and the
        // most ports, the installation's own steps cancel out.
        const std::size_t last = counts.size() - 1;
        const int extra = counts[last] - counts[0];
        if (extra > 0) {
            const double perPort =
                (installer[last].Values().back() - installer[0].Values().back()) / extra;
            const double barePerPort = (bare[last].Values().back() - bare[0].Values().back()) / extra;
            if (barePerPort > 0) slopeRatio.Add(perPort / barePerPort);
        }
    }
    for (std::size_t c = 0; c < counts.size(); ++c) {
        const std::string ports = std::to_string(counts[c]) + " USB port" + (counts[c] > 1 ? "s" : "");
        std::printf("%s: installer %s to the box, bare restarts %s\n", ports.c_str(),
                    installer[c].Ms().c_str(), bare[c].Ms().c_str());
        bench::PrintRow("USB row, " + ports + ", Windows 10 path: Install to the box / " +
                            std::to_string(counts[c]) + " bare spooler restarts (" + label + ")",
                        bench::Ratios(installer[c], bare[c]).Times() + "; " + installer[c].Ms() +
                            " against " + bare[c].Ms(),
                        "(see per port)");
    }
    if (!slopeRatio.Empty()) {
        bench::PrintRow("USB row: the installer's cost of one more port / one bare restart (" +
                            label + ")",
                        slopeRatio.Times(), "<= 1.10x");
    }
    if (!peakMb.Empty()) {
        bench::PrintRow("installer.exe peak working set, start-up and a " +
                            std::to_string(counts.back()) + "-port USB installation (" + label + ")",
                        peakMb.Format(" MB", 1), "<= 20 MB");
    }
    return 0;
}

int RunSerial(const std::string& dist, int runs, const std::string& label) {
    bench::Runs installer, floor;
    std::string found;
    for (int run = 0; run < runs; ++run) {
        double restart = -1;
        const double ms = SerialRun(dist, run == 0, &found, &restart);
        if (ms < 0 || restart < 0) return 1;
        installer.Add(ms);
        const double pauses = kSettlePauseMs + kSerialPorts * kAnswerWindowMs;
        floor.Add(pauses + restart);
        std::printf("run %d: \"&Yes\" to done %.0f ms (%s), floor %.0f ms\n", run + 1, ms,
                    found.c_str(), pauses + restart);
    }
    bench::PrintRow("serial row, 3 ports, printer on the last: \"&Yes\" to done / (500 ms "
                    "settle pause + 3 x 700 ms answer windows + 1 bare restart) (" + label + ")",
                    bench::Ratios(installer, floor).Times() + "; " + installer.Ms() +
                        " against " + floor.Ms(),
                    "(no goal set)");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || (std::strcmp(argv[1], "usb") != 0 && std::strcmp(argv[1], "serial") != 0)) {
        std::fprintf(stderr, "usage: install_bench.exe usb|serial --dist DIR [--ports 1,4,16] "
                             "[--runs R] [--label TEXT]\n");
        return 2;
    }
    std::string dist, label = "this build";
    std::vector<int> counts{1, 4, 16};
    int runs = 5;
    for (int i = 2; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--dist") == 0) dist = argv[i + 1];
        else if (std::strcmp(argv[i], "--ports") == 0) counts = ParseCounts(argv[i + 1]);
        else if (std::strcmp(argv[i], "--runs") == 0) runs = std::atoi(argv[i + 1]);
        else if (std::strcmp(argv[i], "--label") == 0) label = argv[i + 1];
    }
    if (dist.empty() || counts.empty() || runs < 1) {
        std::fprintf(stderr, "install_bench: --dist is needed, --ports and --runs positive\n");
        return 2;
    }
    return std::strcmp(argv[1], "usb") == 0 ? RunUsb(dist, counts, runs, label)
                                            : RunSerial(dist, runs, label);
}
