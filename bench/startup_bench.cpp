// The installer's start-up against its floors: from process start to a
// usable Install button, for installer.exe with the package beside it,
// against a trivial program showing the same dialog plus
//  - 7za.exe alone extracting the same package (a process start with its
//    dialog, and one archiver run), and
//  - the prescribed waits around the library call (10 + 100 + 10 ms) plus the
//    library alone extracting the package in this bare program (the work an
//    in-process extraction cannot avoid).
// Its peak working set against the trivial dialog's.
//
//   startup_bench.exe --dist DIR --trivial PROGRAM --sevenza 7ZA.EXE [--runs R] [--label TEXT]
//   startup_bench.exe --dist DIR --trace
//
// --trace: one start-up of installer.exe, printing when each status line
// appeared, to tell where its time goes.
//
// The four are run in turn, R times, in this prefix. Prints the medians
// and spreads and a row of the figures table (TEXT names the build and the
// Windows). Exit status 1 when a run failed.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "dialog_probe.h"
#include "launch.h"
#include "platform/archiver_api.h"
#include "spooler_cycles.h"
#include "stats.h"

namespace {

constexpr DWORD kReadyTimeoutMs = 120000;
constexpr DWORD kExitTimeoutMs = 30000;
constexpr char kScratch[] = "C:\\bench-7za";
constexpr char kLibraryScratch[] = "C:\\bench-library";
// The installer's fixed waits around its library call: 10 ms after loading,
// 100 ms before the call, 10 ms after it.
constexpr double kPrescribedWaitsMs = 120;

// Start to usable Install, then Cancel; negative when it failed.
// `*peakMb`: its peak working set then, in MB; `*shownMs`: when its dialog
// was first on screen.
double DialogRun(const std::string& program, const std::string& folder, const char* what,
                 double* peakMb, double* shownMs) {
    bench::Child child;
    if (!child.Start(program, "", folder, false)) {
        std::fprintf(stderr, "startup_bench: %s did not start\n", what);
        return -1;
    }
    HWND dialog = nullptr;
    const double ms = bench::WaitForUsableInstall(child, kReadyTimeoutMs, &dialog, shownMs);
    if (ms < 0) {
        std::fprintf(stderr, "startup_bench: %s did not become usable\n", what);
        return -1;
    }
    *peakMb = child.PeakWorkingSet() / (1024.0 * 1024.0);
    if (!bench::PressAndWaitForExit(child, dialog, IDCANCEL, kExitTimeoutMs)) {
        std::fprintf(stderr, "startup_bench: %s did not end after Cancel\n", what);
        return -1;
    }
    return ms;
}

// 7za.exe alone on the package.
double ArchiverRun(const std::string& sevenZa, const std::string& folder) {
    return bench::TimedSevenZaExtraction(sevenZa, folder + "\\DriverData.Drv", kScratch);
}

// One start-up, its status lines as they come, each with its time.
int Trace(const std::string& dist) {
    bench::Child child;
    if (!child.Start(dist + "\\installer.exe", "", dist, false)) return 1;
    std::string last = "?";
    HWND dialog = nullptr;
    while (bench::NowMs() - child.StartedAt() < kReadyTimeoutMs) {
        if (dialog == nullptr) dialog = e2e::FindProcessWindow(child.Id(), bench::kDialogCaption);
        if (dialog != nullptr) {
            WCHAR text[256] = {};
            InternalGetWindowText(GetDlgItem(dialog, IDC_STATUS), text, 256);
            char narrow[256] = {};
            WideCharToMultiByte(CP_ACP, 0, text, -1, narrow, sizeof narrow - 1, nullptr, nullptr);
            if (last != narrow) {
                last = narrow;
                std::printf("%6.0f ms  \"%s\"\n", bench::NowMs() - child.StartedAt(), narrow);
            }
            if (IsWindowEnabled(GetDlgItem(dialog, IDC_INSTALL))) {
                std::printf("%6.0f ms  Install usable\n", bench::NowMs() - child.StartedAt());
                return bench::PressAndWaitForExit(child, dialog, IDCANCEL, kExitTimeoutMs) ? 0 : 1;
            }
        }
        Sleep(1);
    }
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    std::string dist, trivial, sevenZa, label = "this build";
    int runs = 7;
    if (argc == 4 && std::strcmp(argv[1], "--dist") == 0 && std::strcmp(argv[3], "--trace") == 0) {
        return Trace(argv[2]);
    }
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--dist") == 0) dist = argv[i + 1];
        else if (std::strcmp(argv[i], "--trivial") == 0) trivial = argv[i + 1];
        else if (std::strcmp(argv[i], "--sevenza") == 0) sevenZa = argv[i + 1];
        else if (std::strcmp(argv[i], "--runs") == 0) runs = std::atoi(argv[i + 1]);
        else if (std::strcmp(argv[i], "--label") == 0) label = argv[i + 1];
    }
    if (dist.empty() || trivial.empty() || sevenZa.empty() || runs < 1) {
        std::fprintf(stderr, "usage: startup_bench.exe --dist DIR --trivial PROGRAM --sevenza "
                             "7ZA.EXE [--runs R] [--label TEXT]\n");
        return 2;
    }
    // Loaded once: the bare program's own start is the trivial dialog's part.
    HMODULE module = LoadLibraryA((dist + "\\7-zip32.dll").c_str());
    auto sevenZip = module ? reinterpret_cast<plat::SevenZipFn>(
                                 reinterpret_cast<void*>(GetProcAddress(module, "SevenZip")))
                           : nullptr;
    if (sevenZip == nullptr) {
        std::fprintf(stderr, "startup_bench: no SevenZip in %s\\7-zip32.dll\n", dist.c_str());
        return 1;
    }

    const std::string installerExe = dist + "\\installer.exe";
    const std::string package = dist + "\\DriverData.Drv";
    const auto libraryRun = [&] {
        return bench::LibraryRun(sevenZip, package, kLibraryScratch, "startup_bench");
    };
    double dialogMb = 0, installerMb = 0, dialogShown = 0, installerShown = 0;
    // One run of each first, not counted: the prefix's caches warm up.
    if (DialogRun(trivial, dist, "the trivial dialog", &dialogMb, &dialogShown) < 0 ||
        ArchiverRun(sevenZa, dist) < 0 || libraryRun() < 0 ||
        DialogRun(installerExe, dist, "installer.exe", &installerMb, &installerShown) < 0) {
        return 1;
    }
    bench::Runs dialog, archiver, library, floor, inProcessFloor, installer, dialogPeak,
        installerPeak, shown;
    for (int run = 0; run < runs; ++run) {
        const double d = DialogRun(trivial, dist, "the trivial dialog", &dialogMb, &dialogShown);
        const double a = ArchiverRun(sevenZa, dist);
        const double l = libraryRun();
        const double i =
            DialogRun(installerExe, dist, "installer.exe", &installerMb, &installerShown);
        if (d < 0 || a < 0 || l < 0 || i < 0) return 1;
        shown.Add(installerShown);
        if (dialogMb > 0 && installerMb > 0) {
            dialogPeak.Add(dialogMb);
            installerPeak.Add(installerMb);
        }
        dialog.Add(d);
        archiver.Add(a);
        library.Add(l);
        floor.Add(d + a);
        inProcessFloor.Add(d + kPrescribedWaitsMs + l);
        installer.Add(i);
        std::printf("run %d: trivial dialog %.0f ms, 7za.exe %.0f ms, 7-zip32.dll %.0f ms, "
                    "installer %.0f ms (its dialog shown after %.0f ms)\n",
                    run + 1, d, a, l, i, installerShown);
    }
    FreeLibrary(module);
    const bench::Runs ratio = bench::Ratios(installer, floor);
    const bench::Runs inProcessRatio = bench::Ratios(installer, inProcessFloor);
    const bench::Runs peakRatio = bench::Ratios(installerPeak, dialogPeak);
    std::printf("trivial dialog usable:   %s\n", dialog.Ms().c_str());
    std::printf("7za.exe alone:           %s\n", archiver.Ms().c_str());
    std::printf("7-zip32.dll alone:       %s\n", library.Ms().c_str());
    std::printf("floor (the two):         %s\n", floor.Ms().c_str());
    std::printf("in-process floor:        %s\n", inProcessFloor.Ms().c_str());
    std::printf("installer Install usable: %s\n", installer.Ms().c_str());
    std::printf("installer dialog shown:  %s\n", shown.Ms().c_str());
    std::printf("installer / floor:       %s\n", ratio.Times().c_str());
    std::printf("installer / in-process floor: %s\n", inProcessRatio.Times().c_str());
    std::printf("peak working set at a usable Install: installer %s, trivial dialog %s\n",
                installerPeak.Format(" MB", 1).c_str(), dialogPeak.Format(" MB", 1).c_str());
    bench::PrintRow("start-up to a usable Install / (trivial dialog + 7za.exe alone) (" + label + ")",
                    ratio.Times() + "; " + installer.Ms() + " against " + dialog.Ms() + " + " +
                        archiver.Ms(),
                    "<= 1.0x");
    bench::PrintRow("start-up to a usable Install / (trivial dialog + 120 ms prescribed waits + "
                    "7-zip32.dll alone) (" + label + ")",
                    inProcessRatio.Times() + "; " + installer.Ms() + " against " + dialog.Ms() +
                        " + 120 ms + " + library.Ms(),
                    "<= 1.15x");
    // Under Wine a process's working set holds Wine's own libraries: the
    // trivial dialog shows how much of it any dialog program has.
    bench::PrintRow("peak working set at a usable Install: installer.exe / trivial dialog (" +
                        label + ")",
                    peakRatio.Times() + "; " + installerPeak.Format(" MB", 1) + " against " +
                        dialogPeak.Format(" MB", 1),
                    "<= 1.15x");
    return 0;
}
