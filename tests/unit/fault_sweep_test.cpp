// Every platform call a whole installation reaches after Install, failed in
// turn: its first call once, and every call for good, with a generic error
// and with the errors the installer tells apart. Each run must come to rest
// within a bound, show only texts the installer has, claim success only
// with the new printer in place, stage nothing outside the driver folders,
// leave no thread behind, and still be usable: a retry after a refusal
// finishes, and Finish or the close box ends the program. Prints a table of
// call sites x outcomes for each kind of installation.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <mutex>
#include <set>

#include "app/box_texts.h"
#include "install/catalogue.h"
#include "install_support.h"
#include "ports/port_kinds.h"
#include "unattended/outcomes.h"

namespace {

using namespace std::chrono_literals;

struct Scenario {
    const char* name;
    const char* driver;  // also the printer's name
    int row;
    bool wow64;
};

void PrintTo(const Scenario& scenario, std::ostream* os) { *os << scenario.name; }

// Each row with each kind of printer, each kind on both word sizes.
const Scenario kScenarios[] = {
    {"ReceiptUsb64", "Driver 0", kPortUsb, true},
    {"ReceiptSerial32", "Driver 0", kPortSerial, false},
    {"ReceiptParallel64", "Driver 0", kPortParallel, true},
    {"ReceiptTcpip32", "Driver 0", kPortTcpip, false},
    {"LabelUsb32", "Driver 30", kPortUsb, false},
    {"LabelSerial64", "Driver 30", kPortSerial, true},
    {"LabelParallel32", "Driver 30", kPortParallel, false},
    {"LabelTcpip64", "Driver 30", kPortTcpip, true},
};

struct Fault {
    std::string op;
    std::uint32_t error = 0;
    bool forGood = false;
};

// Calls that cannot fail on Windows.
const std::set<std::string, std::less<>> kCannotFail = {"Sleep", "GetTickCount"};
constexpr std::uint32_t kGenericError = plat::err::kAccessDenied;
// The errors the installer tells apart, each failed for good.
const std::multimap<std::string, std::uint32_t, std::less<>> kNamedErrors = {
    {"AddPrinterA", plat::err::kUnknownPort},
    {"AddPrinterA", plat::err::kModNotFound},
    {"AddMonitorA", plat::err::kPrintMonitorAlreadyInstalled},
    {"GetPrinterDriverDirectoryA", 122},  // the buffer is too small
    {"RegCreateKeyExA", 1021},            // the key must be volatile
    {"RegEnumValueA", plat::err::kMoreData},
};

// The start of every text the installer shows in a box.
const char* const kKnownTexts[] = {
    kDefaultPrinterNotSetText, kPortsWriteFailedText, kMonitorRefusedText, kRegistryReadFailedText,
    kUnknownDriverBefore, kFolderTooLongBefore, kNoParallelPortText, kNoUsbPortText,
    kSpoolerStatusUnknownText, "The service \"Spooler\"", "WARNING:  ", "Failed to add the driver ",
    kNoUsefulPortText, kMissingFilesText, "Error AddPrinter ", kNoSystemFolderText,
    "The printer driver folder of Windows could not be found",
};

// What the sweep sees and accepts: behaviour left as it is. An entry that is
// no longer seen is reported, so that it goes once the behaviour changes.
struct KnownFinding {
    const char* op;
    const char* problem;  // the start of the problem a run reports
    const char* what;
};
const KnownFinding kKnownFindings[] = {
    {"EnumPortsA", "the retry did not finish",
     "left as it is: a failed listing empties the parallel and TCP/IP lists until the next one"},
};

struct RunRecord {
    std::string outcome;  // the button's caption at rest, or "ended"
    int exitCode = -1;    // what an unattended run of it would exit with
    bool boxShown = false;
    std::vector<std::string> problems;
    std::vector<std::string> ops;  // every call after Install, in order
};

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

std::set<std::string> FilesBelow(const std::filesystem::path& root) {
    std::set<std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        if (entry.is_regular_file()) files.insert(Lower(entry.path().lexically_relative(root).generic_string()));
    }
    return files;
}

// What an installation may leave: files in the spooler's driver folders
// and the language monitor's DLL.
bool MayStay(const std::string& file) {
    return file.rfind("c/windows/system32/spool/drivers/", 0) == 0 ||
           file == Lower(std::string("c/windows/syswow64/") + g_apszLabelFilesX64[0]) ||
           file == Lower(std::string("c/windows/system32/") + g_apszLabelFilesX86[0]);
}

void CheckRest(InstallerHarness& h, const Scenario& s, RunRecord& run) {
    sim::SimDialog& dlg = *h.window;
    for (const sim::MessageBoxInfo& box : dlg.MessageBoxLog()) {
        run.boxShown = true;
        const auto starts = [&box](const char* text) { return box.text.rfind(text, 0) == 0; };
        if (std::none_of(std::begin(kKnownTexts), std::end(kKnownTexts), starts)) {
            run.problems.push_back("a box the installer has no text for: " + box.text);
        }
    }
    // The report names how the installation ended, as the button shows it,
    // and success only with the new printer in place.
    const InstallReport& report = h.dialog->m_installReport;
    const bool finished = !dlg.HasEnded() && dlg.Text(IDC_INSTALL) == kFinishCaption;
    const bool completed =
        report.outcome == InstallOutcome::kInstalled || report.outcome == InstallOutcome::kFallbackPort;
    if (finished != completed) {
        run.problems.push_back(std::string("the report says \"") + Describe(report.outcome) + "\" at " +
                               (dlg.HasEnded() ? "the end" : "\"" + dlg.Text(IDC_INSTALL) + "\""));
    }
    run.exitCode = ExitCodeOf(OutcomeOf(report, false), false);
    const auto printer = h.win.spooler().Printer(s.driver);
    if ((finished || run.exitCode == 0) && (!printer || printer->driverName == "Old driver")) {
        run.problems.push_back("finished without the new printer");
    }
    if (dlg.HasEnded()) return;
    if (!dlg.IsEnabled(IDC_INSTALL)) run.problems.push_back("the button is not usable");
}

RunRecord RunOnce(const Scenario& s, const Fault* fault) {
    RunRecord run;
    const std::size_t threads = ThreadCount();
    {
        InstallerHarness h(false, "");
        PlaceReceiptPackage(h);
        h.win.system().SetWow64(s.wow64);
        PlaceEveryKindOfPort(h, s.driver);
        sim::SimDialog& dlg = h.Start();
        if (!h.WaitStartup()) {
            run.problems.push_back("the start-up did not end");
            return run;
        }
        const std::set<std::string> before = FilesBelow(h.win.HostRoot());
        const auto items = dlg.ComboItems(IDC_DRIVER_COMBO);
        dlg.SelectComboItem(IDC_DRIVER_COMBO,
                            static_cast<int>(std::find(items.begin(), items.end(), s.driver) - items.begin()));
        dlg.SelectListRow(IDC_PORT_LIST, s.row);
        dlg.WaitIdle();

        std::mutex mutex;
        h.win.SetCallHook([&](std::string_view op) {
            std::lock_guard<std::mutex> lock(mutex);
            run.ops.emplace_back(op);
        });
        if (fault != nullptr && fault->forGood) h.win.FailAlways(fault->op, fault->error);
        if (fault != nullptr && !fault->forGood) h.win.FailNext(fault->op, fault->error);
        dlg.Click(IDC_INSTALL);
        if (!RunToRest(h, 10s)) run.problems.push_back("no rest within 10 s");
        h.win.SetCallHook(nullptr);
        h.win.ClearFaults();
        CheckRest(h, s, run);
        run.outcome = dlg.HasEnded() ? "ended" : dlg.Text(IDC_INSTALL);

        // Usable: a refused installation finishes when tried again.
        if (run.outcome == kReinstallCaption || run.outcome == kInstallCaption) {
            dlg.Click(IDC_INSTALL);
            if (!RunToRest(h, 10s) || dlg.HasEnded() || dlg.Text(IDC_INSTALL) != kFinishCaption) {
                run.problems.push_back("the retry did not finish");
            }
        }
        if (!dlg.HasEnded() && dlg.Text(IDC_INSTALL) == kFinishCaption) {
            dlg.Click(IDC_INSTALL);
        } else {
            dlg.Close();
        }
        if (!h.WaitEnded(5s)) run.problems.push_back("the program did not end");
        if (!dlg.Misuses().empty()) run.problems.push_back("misused " + dlg.Misuses().front());
        for (const std::string& file : FilesBelow(h.win.HostRoot())) {
            if (before.count(file) == 0 && !MayStay(file)) run.problems.push_back("left " + file);
        }
    }
    const auto deadline = std::chrono::steady_clock::now() + 2s;
    while (ThreadCount() > threads && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(1ms);
    }
    if (ThreadCount() > threads) run.problems.push_back("a thread was left running");
    return run;
}

const KnownFinding* Known(const Fault& fault, const std::string& problem) {
    for (const KnownFinding& known : kKnownFindings) {
        if (fault.op == known.op && problem.rfind(known.problem, 0) == 0) return &known;
    }
    return nullptr;
}

class FaultSweep : public testing::TestWithParam<Scenario> {};

TEST_P(FaultSweep, EveryCallFailedInTurn) {
    const RunRecord clean = RunOnce(GetParam(), nullptr);
    ASSERT_TRUE(clean.problems.empty()) << clean.problems.front();
    ASSERT_EQ(clean.outcome, kFinishCaption);

    // The call sites in the order the installation first reaches them.
    std::vector<std::string> sites;
    std::map<std::string, int> calls;
    for (const std::string& op : clean.ops) {
        if (kCannotFail.count(op) == 0 && calls[op]++ == 0) sites.push_back(op);
    }
    std::vector<Fault> faults;
    for (const std::string& op : sites) {
        if (calls[op] > 1) faults.push_back(Fault{op, kGenericError, false});
        faults.push_back(Fault{op, kGenericError, true});
        for (auto [it, end] = kNamedErrors.equal_range(op); it != end; ++it) {
            faults.push_back(Fault{op, it->second, true});
        }
    }

    struct Row {
        int runs = 0, finished = 0, retry = 0, refused = 0, ended = 0, silent = 0, known = 0, code0 = 0, failed = 0;
    };
    std::map<std::string, Row> table;
    std::set<const KnownFinding*> seen;
    for (const Fault& fault : faults) {
        const RunRecord run = RunOnce(GetParam(), &fault);
        Row& row = table[fault.op];
        ++row.runs;
        row.finished += run.outcome == kFinishCaption;
        row.retry += run.outcome == kReinstallCaption;
        row.refused += run.outcome == kInstallCaption;
        row.ended += run.outcome == "ended";
        row.silent += run.outcome != kFinishCaption && !run.boxShown;
        row.code0 += run.exitCode == 0;
        row.failed += run.exitCode == kExitFailed;
        bool known = false;
        for (const std::string& problem : run.problems) {
            if (const KnownFinding* finding = Known(fault, problem)) {
                seen.insert(finding);
                known = true;
            } else {
                ADD_FAILURE() << fault.op << (fault.forGood ? " for good" : " once") << " with "
                              << fault.error << ": " << problem;
            }
        }
        row.known += known;
    }
    for (const KnownFinding& finding : kKnownFindings) {
        if (calls.count(finding.op) != 0 && seen.count(&finding) == 0) {
            ADD_FAILURE() << "a known finding is no longer seen, take it off the list: " << finding.what;
        }
    }

    std::printf("%-30s %5s %9s %10s %8s %6s %7s %6s %6s %6s\n", GetParam().name, "runs", "finished",
                "Reinstall", "Install", "ended", "no box", "known", "exit 0", "1603");
    for (const std::string& op : sites) {
        const Row& r = table[op];
        std::printf("%-30s %5d %9d %10d %8d %6d %7d %6d %6d %6d\n", op.c_str(), r.runs, r.finished, r.retry,
                    r.refused, r.ended, r.silent, r.known, r.code0, r.failed);
    }
}

INSTANTIATE_TEST_SUITE_P(Installations, FaultSweep, testing::ValuesIn(kScenarios),
                         [](const testing::TestParamInfo<Scenario>& p) { return std::string(p.param.name); });

}  // namespace
