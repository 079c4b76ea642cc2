// Extraction of a large package by the simulated Windows' archiver library
// (libarchive, what the native tests unpack with) against the host's own
// `7za x` on the same package.
//
//   extract_native_bench --package FILE --sevenza PATH [--runs R]
//
// The two are run in turn, R times, each into a fresh folder. Prints the
// medians and spreads and a row of the figures table. Exit status 1 when a
// run failed.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "platform/sim/sim_windows.h"
#include "stats.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
constexpr std::uint32_t kOutputSize = 16384;

double NowMs() {
    return std::chrono::duration<double, std::milli>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

double SimulatorRun(sim::SimWindows& windows) {
    const fs::path out = windows.files().HostPath("C:\\out");
    std::error_code ignored;
    fs::remove_all(out, ignored);
    std::vector<char> output(kOutputSize + 1, '\0');
    const double start = NowMs();
    const int result = windows.archiver().Run(nullptr, "x -y \"C:\\pkg\\package.7z\" -o\"C:\\out\" -hide",
                                              output.data(), kOutputSize);
    const double ms = NowMs() - start;
    fs::remove_all(out, ignored);
    if (result != 0) {
        std::fprintf(stderr, "extract_native_bench: the simulator's library returned %d: %s\n",
                     result, output.data());
        return -1;
    }
    return ms;
}

double SevenZaRun(const std::string& sevenZa, const fs::path& package, const fs::path& out) {
    std::error_code ignored;
    fs::remove_all(out, ignored);
    const std::string target = "-o" + out.string();
    std::vector<std::string> words{sevenZa, "x", "-y", "-bd", package.string(), target};
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    const double start = NowMs();
    pid_t child = 0;
    int status = 1;
    const bool ran = posix_spawn(&child, sevenZa.c_str(), &actions, nullptr, argv.data(), environ) == 0 &&
                     waitpid(child, &status, 0) == child;
    const double ms = NowMs() - start;
    posix_spawn_file_actions_destroy(&actions);
    fs::remove_all(out, ignored);
    if (!ran || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "extract_native_bench: %s failed\n", sevenZa.c_str());
        return -1;
    }
    return ms;
}

}  // namespace

int main(int argc, char** argv) {
    std::string package, sevenZa;
    int runs = 5;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--package") == 0) package = argv[i + 1];
        else if (std::strcmp(argv[i], "--sevenza") == 0) sevenZa = argv[i + 1];
        else if (std::strcmp(argv[i], "--runs") == 0) runs = std::atoi(argv[i + 1]);
    }
    if (package.empty() || sevenZa.empty() || runs < 1) {
        std::fprintf(stderr, "usage: extract_native_bench --package FILE --sevenza PATH [--runs R]\n");
        return 2;
    }
    sim::SimWindows windows;
    const fs::path inside = windows.files().HostPath("C:\\pkg\\package.7z");
    std::error_code error;
    fs::create_directories(inside.parent_path(), error);
    fs::copy_file(package, inside, fs::copy_options::overwrite_existing, error);
    if (error || !windows.archiver().Attach()) {
        std::fprintf(stderr, "extract_native_bench: cannot place the package: %s\n",
                     error.message().c_str());
        return 1;
    }
    const fs::path direct = windows.HostRoot() / "direct";
    if (SevenZaRun(sevenZa, package, direct) < 0 || SimulatorRun(windows) < 0) return 1;
    bench::Runs simulator, native;
    for (int run = 0; run < runs; ++run) {
        const double n = SevenZaRun(sevenZa, package, direct);
        const double s = SimulatorRun(windows);
        if (n < 0 || s < 0) return 1;
        native.Add(n);
        simulator.Add(s);
        std::printf("run %d: 7za x %.0f ms, simulator's reader %.0f ms\n", run + 1, n, s);
    }
    const bench::Runs ratio = bench::Ratios(simulator, native);
    std::printf("7za x:              %s\n", native.Ms().c_str());
    std::printf("simulator's reader: %s\n", simulator.Ms().c_str());
    std::printf("ratio:              %s\n", ratio.Times().c_str());
    bench::PrintRow("50 MB package, natively: the simulator's reader (libarchive) / 7za x",
                    ratio.Times() + "; " + simulator.Ms() + " against " + native.Ms(),
                    "(no goal set)");
    windows.archiver().Detach();
    return 0;
}
