// How the installer restarts the print spooler: its own restart (the one
// each USB port and each serial installation ends with) against a bare
// stop-and-start by the same service calls, and how many status queries
// its waits make per second.
//
//   restart_bench.exe [--runs R] [--cycles N] [--label TEXT]
//
// Each run restarts the spooler N times the bare way, then N times through
// the installer's own code; the runs alternate so that both see the same
// load. Prints the medians and spreads and two rows of the figures table
// (TEXT names the build and the Windows in them). Exit status 1 when a
// restart failed.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/installer_dlg.h"
#include "platform/win32/win32_platform.h"
#include "spooler_cycles.h"
#include "stats.h"

namespace {

// The real service calls, counting the status queries.
class CountingServices : public plat::IServices {
public:
    plat::Handle OpenSCManagerA(const char* machine, const char* database,
                                std::uint32_t access) override {
        return m_real.OpenSCManagerA(machine, database, access);
    }
    plat::Handle OpenServiceA(plat::Handle scm, const char* name, std::uint32_t access) override {
        return m_real.OpenServiceA(scm, name, access);
    }
    bool QueryServiceStatus(plat::Handle service, plat::ServiceStatus* status) override {
        ++m_nQueries;
        return m_real.QueryServiceStatus(service, status);
    }
    bool ControlService(plat::Handle service, std::uint32_t control,
                        plat::ServiceStatus* status) override {
        return m_real.ControlService(service, control, status);
    }
    bool StartServiceA(plat::Handle service) override { return m_real.StartServiceA(service); }
    bool CloseServiceHandle(plat::Handle handle) override {
        return m_real.CloseServiceHandle(handle);
    }

    long m_nQueries = 0;

private:
    plat::win32::Win32Services m_real;
};

}  // namespace

int main(int argc, char** argv) {
    int runs = 5, cycles = 4;
    std::string label = "this build";
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--runs") == 0) runs = std::atoi(argv[i + 1]);
        else if (std::strcmp(argv[i], "--cycles") == 0) cycles = std::atoi(argv[i + 1]);
        else if (std::strcmp(argv[i], "--label") == 0) label = argv[i + 1];
    }
    if (runs < 1 || cycles < 1) {
        std::fprintf(stderr, "usage: restart_bench.exe [--runs R] [--cycles N] [--label TEXT]\n");
        return 2;
    }

    plat::win32::Win32Spooler spooler;
    plat::win32::Win32Registry registry;
    CountingServices services;
    plat::win32::Win32Files files;
    plat::win32::Win32System system;
    plat::win32::Win32Modules modules;
    plat::win32::Win32UserInterface ui;
    plat::win32::Win32Serial serial;
    plat::Platform platform{spooler, registry, services, files, system, modules, ui, serial};
    // No window: the restart's boxes, if any, are left out.
    CInstallerDlg dialog(platform);

    // A first restart, not counted, so that the spooler and its process
    // are warm for both.
    if (bench::BareSpoolerRestarts(1) < 0) {
        std::fprintf(stderr, "restart_bench: the spooler cannot be restarted here\n");
        return 1;
    }
    bench::Runs bare, installer, queryRate;
    for (int run = 0; run < runs; ++run) {
        const double bareMs = bench::BareSpoolerRestarts(cycles);
        if (bareMs < 0) {
            std::fprintf(stderr, "restart_bench: a bare restart failed\n");
            return 1;
        }
        bare.Add(bareMs / cycles);
        services.m_nQueries = 0;
        const double start = bench::NowMs();
        for (int i = 0; i < cycles; ++i) dialog.RestartService("Spooler", plat::RestartMode::kRestart);
        const double ms = bench::NowMs() - start;
        installer.Add(ms / cycles);
        queryRate.Add(ms > 0 ? services.m_nQueries * 1000.0 / ms : 0);
        std::printf("run %d: bare %.0f ms, installer %.0f ms per restart, %ld status queries\n",
                    run + 1, bareMs / cycles, ms / cycles, services.m_nQueries);
    }
    std::printf("bare restart:         %s\n", bare.Ms().c_str());
    std::printf("installer's restart:  %s\n", installer.Ms().c_str());
    std::printf("ratio:                %s\n", bench::Ratios(installer, bare).Times().c_str());
    std::printf("status queries:       %s per second\n", queryRate.Format("", 1).c_str());
    bench::PrintRow("spooler restart by the installer / bare stop-and-start (" + label + ")",
                    bench::Ratios(installer, bare).Times() + "; " + installer.Ms() + " against " +
                        bare.Ms(),
                    "(the USB row's per-port goal)");
    bench::PrintRow("service status queries per second during a restart (" + label + ")",
                    queryRate.Format("/s", 1), "<= 20/s");
    return 0;
}
