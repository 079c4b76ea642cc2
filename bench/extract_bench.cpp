// Extraction of a large package by the stand-in archiver library, as the
// installer calls it, against 7za.exe run directly on the same package.
//
//   extract_bench.exe --dist DIR --sevenza 7ZA.EXE --package FILE [--runs R] [--label TEXT]
//
// DIR holds 7-zip32.dll; 7ZA.EXE is 7-Zip's command-line program of the
// same width, the floor. The two are run in turn,
// R times, each into a fresh folder on drive C:. Prints the medians and
// spreads and a row of the figures table. Exit status 1 when a run failed.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "launch.h"
#include "platform/archiver_api.h"
#include "spooler_cycles.h"
#include "stats.h"

namespace {

constexpr char kLibraryOut[] = "C:\\bench-library";
constexpr char kDirectOut[] = "C:\\bench-7za";
}  // namespace

int main(int argc, char** argv) {
    std::string dist, package, sevenZa, label = "this build";
    int runs = 5;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--dist") == 0) dist = argv[i + 1];
        else if (std::strcmp(argv[i], "--package") == 0) package = argv[i + 1];
        else if (std::strcmp(argv[i], "--sevenza") == 0) sevenZa = argv[i + 1];
        else if (std::strcmp(argv[i], "--runs") == 0) runs = std::atoi(argv[i + 1]);
        else if (std::strcmp(argv[i], "--label") == 0) label = argv[i + 1];
    }
    if (dist.empty() || package.empty() || sevenZa.empty() || runs < 1) {
        std::fprintf(stderr, "usage: extract_bench.exe --dist DIR --sevenza 7ZA.EXE --package FILE "
                             "[--runs R] [--label TEXT]\n");
        return 2;
    }
    HMODULE library = LoadLibraryA((dist + "\\7-zip32.dll").c_str());
    auto sevenZip = library ? reinterpret_cast<plat::SevenZipFn>(
                                  reinterpret_cast<void*>(GetProcAddress(library, "SevenZip")))
                            : nullptr;
    if (sevenZip == nullptr) {
        std::fprintf(stderr, "extract_bench: no SevenZip in %s\\7-zip32.dll\n", dist.c_str());
        return 1;
    }
    // A first run of each, not counted, brings the package into the cache.
    if (bench::TimedSevenZaExtraction(sevenZa, package, kDirectOut) < 0 ||
        bench::LibraryRun(sevenZip, package, kLibraryOut, "extract_bench") < 0) {
        return 1;
    }
    bench::Runs viaLibrary, direct;
    for (int run = 0; run < runs; ++run) {
        const double d = bench::TimedSevenZaExtraction(sevenZa, package, kDirectOut);
        const double l = bench::LibraryRun(sevenZip, package, kLibraryOut, "extract_bench");
        if (d < 0 || l < 0) return 1;
        direct.Add(d);
        viaLibrary.Add(l);
        std::printf("run %d: 7za.exe %.0f ms, 7-zip32.dll %.0f ms\n", run + 1, d, l);
    }
    const bench::Runs ratio = bench::Ratios(viaLibrary, direct);
    std::printf("7za.exe directly:  %s\n", direct.Ms().c_str());
    std::printf("7-zip32.dll:       %s\n", viaLibrary.Ms().c_str());
    std::printf("ratio:             %s\n", ratio.Times().c_str());
    bench::PrintRow("50 MB package: stand-in 7-zip32.dll / 7za.exe directly (" + label + ")",
                    ratio.Times() + "; " + viaLibrary.Ms() + " against " + direct.Ms(),
                    "<= 1.1x");
    FreeLibrary(library);
    return 0;
}
