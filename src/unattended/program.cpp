#include "unattended/program.h"

#include "app/installer_app.h"
#include "unattended/command_line.h"
#include "unattended/exit_codes.h"
#include "unattended/run_log.h"
#include "unattended/unattended_run.h"

namespace {

// The title of the program's own boxes: the program file's base name.
std::string ProgramTitle(plat::ISystem& system) {
    std::string name = system.GetModuleFileNameA();
    name = name.substr(name.find_last_of("\\/") + 1);
    return name.substr(0, name.find_last_of('.'));
}

// The usage, one log line per line of text.
void WriteUsage(CRunLog& log) {
    const std::string usage = UsageText();
    std::string::size_type start = 0;
    while (start < usage.size()) {
        const std::string::size_type end = usage.find("\r\n", start);
        log.Write(usage.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) break;
        start = end + 2;
    }
}

ExitCode Finish(CRunLog& log, ExitCode code) {
    log.Write("result " + std::to_string(static_cast<int>(code)) + ": " + Describe(code));
    return code;
}

}  // namespace

int RunProgram(plat::Platform& platform, plat::ICommandLineHost& host, const std::string& commandLine) {
    const std::vector<std::string> words = SplitCommandLine(commandLine);
    if (words.empty()) {
        CInstallerApp app(platform);
        app.InitInstance();
        return 0;
    }

    CRunLog log(host, platform.system);
    const ParsedCommandLine parsed = ParseCommandLine(words);
    const CommandRequest& request = parsed.request;
    const std::string title = ProgramTitle(platform.system);
    std::string logPath = request.logFile;
    if (logPath.empty() && request.quiet && !host.TempFolder().empty()) {
        logPath = host.TempFolder() + kQuietLogName;
    }
    if (!logPath.empty() && !log.Open(logPath, "installer " + commandLine)) {
        if (!request.quiet) {
            host.ShowMessageBox("The log file \"" + logPath + "\" cannot be written.", title,
                                plat::kMbOk | plat::kMbIconError);
        }
        return static_cast<int>(ExitCode::kBadCommandLine);
    }

    if (!parsed.error.empty()) {
        log.Write("bad command line: " + parsed.error);
        WriteUsage(log);
        if (!request.quiet) {
            host.ShowMessageBox(parsed.error + "\r\n\r\n" + UsageText(), title,
                                plat::kMbOk | plat::kMbIconError);
        }
        return static_cast<int>(Finish(log, ExitCode::kBadCommandLine));
    }
    if (request.action == CommandAction::kUsage) {
        if (!host.PrintToConsole(UsageText())) {
            if (log.IsOpen()) {
                WriteUsage(log);
            } else if (!request.quiet) {
                host.ShowMessageBox(UsageText(), title, plat::kMbOk | plat::kMbIconInformation);
            }
        }
        return static_cast<int>(Finish(log, ExitCode::kDone));
    }
    CUnattendedRun run(platform, host, log, request);
    return static_cast<int>(Finish(log, run.Run()));
}
