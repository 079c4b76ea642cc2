#include "shared_run.h"

#include "e2e_options.h"
#include "process_list.h"
#include "working_files.h"

namespace e2e {

namespace {
std::unique_ptr<SharedRun>& Slot() {
    static std::unique_ptr<SharedRun> run;
    return run;
}
}  // namespace

SharedRun& Shared() {
    auto& run = Slot();
    if (!run) {
        run = std::make_unique<SharedRun>();
        run->session = std::make_unique<InstallerSession>(TheOptions().installer,
                                                          TheOptions().workingDir);
        run->dialogShown = run->session->WaitForDialog();
        run->startup = run->session->WatchStartup();
    }
    return *run;
}

DWORD SharedProcessId() {
    const auto& run = Slot();
    if (!run || !run->session->Process().Running()) return 0;
    return run->session->Id();
}

std::string EndShared() {
    auto& run = Slot();
    if (!run || !run->session->Started()) return "";
    std::string problem;
    const DWORD id = run->session->Id();
    if (run->session->Process().Running()) {
        run->session->Close(CloseWay::CancelButton);
        problem = run->session->WaitForExit();
        if (!problem.empty()) problem = "the shared installer did not end after Cancel: " + problem;
    }
    const auto left = Leftovers(ListProcesses(), id, "installer.exe", {});
    if (problem.empty() && !left.empty()) problem = "left running: " + Describe(left);
    const auto files = PresentWorkingItems();
    if (problem.empty() && !files.empty()) problem = "working files left on C: " + Join(files);
    run.reset();  // kills what is still there
    return problem;
}

}  // namespace e2e
