#include "ready_run.h"

namespace e2e {

std::string Quoted(const std::vector<std::string>& texts) {
    std::string all;
    for (const auto& t : texts) all += (all.empty() ? "\"" : ", \"") + t + "\"";
    return all.empty() ? "(none)" : all;
}

ReadyRun::ReadyRun() : session_(TheOptions().installer, TheOptions().workingDir) {
    if (!session_.Started()) {
        problem_ = session_.StartError();
    } else if (!session_.WaitForDialog()) {
        problem_ = std::string("no visible window \"") + kDialogCaption + "\"";
    } else {
        const StartupObservation seen = session_.WatchStartup();
        if (!seen.ready) {
            problem_ = "Install still disabled " + std::to_string(kReadyTimeoutMs) +
                       " ms after the dialog appeared" +
                       (seen.problem.empty() ? "" : " (" + seen.problem + ")") +
                       "; status texts seen: " + Quoted(seen.statusTexts);
        }
    }
}

ReadyRun::~ReadyRun() {
    // Closing removes the working files from drive C:, which a kill would
    // leave for the next run to find; without a dialog the session's
    // process owner ends it hard. The close box, since Cancel is disabled
    // once an installation was tried.
    if (session_.Process().Running() && session_.Dialog() != nullptr) {
        session_.Close(CloseWay::CloseBox);
        session_.WaitForExit();
    }
}

}  // namespace e2e
