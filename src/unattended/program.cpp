#include "unattended/program.h"

#include "app/installer_app.h"
#include "unattended/command_line.h"
#include "unattended/config_file.h"
#include "unattended/installation_lock.h"
#include "unattended/outcomes.h"
#include "unattended/printer_check.h"
#include "unattended/result_file.h"
#include "unattended/run_log.h"
#include "unattended/unattended_run.h"

namespace {

constexpr const char* kBusyText =
    "Another installation by this installer is running.\r\n"
    "Wait until it has finished, then start the installer again.";

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

// One run from the command line, from its words to its exit code.
class CommandLineRun {
public:
    CommandLineRun(plat::Platform& platform, plat::ICommandLineHost& host, const std::string& commandLine)
        : m_platform(platform),
          m_host(host),
          m_commandLine(commandLine),
          m_parsed(ParseCommandLine(SplitCommandLine(commandLine))),
          m_request(m_parsed.request),
          m_title(ProgramTitle(platform.system)),
          m_log(host, platform.system) {}

    int Run() {
        CheckOwnFiles();
        OpenLog();
        return Finish(Work());
    }

private:
    // A log or result file among the working files would be deleted by the
    // clean-up at the end of the run.
    void CheckOwnFiles() {
        for (std::string* path : {&m_request.logFile, &m_request.resultFile}) {
            if (!m_parsed.error.empty() || path->empty()) continue;
            if (InWorkingFiles(m_host.FullPathName(*path))) {
                m_parsed.error = "\"" + *path + "\" lies among the working files the installer deletes";
                path->clear();
            }
        }
    }

    // The log asked for, else with /quiet the temporary folder's; a log that
    // cannot be written goes there too, saying so.
    void OpenLog() {
        const std::string temp = m_host.TempFolder().empty() ? "" : m_host.TempFolder() + kQuietLogName;
        const std::string firstLine = "installer " + m_commandLine;
        if (!m_request.logFile.empty()) {
            if (m_log.Open(m_request.logFile, firstLine)) return;
            m_logFallbackFrom = m_request.logFile;
        } else if (!m_request.quiet) {
            return;
        }
        if (!temp.empty() && m_log.Open(temp, firstLine) && !m_logFallbackFrom.empty()) {
            m_log.Write("the log file \"" + m_logFallbackFrom + "\" cannot be written: this log is used instead");
        }
    }

    Outcome Work() {
        if (!m_parsed.error.empty()) return Refuse(m_parsed.error);
        switch (m_request.action) {
        case CommandAction::kUsage:
            if (!m_host.PrintToConsole(UsageText())) {
                if (m_log.IsOpen()) {
                    WriteUsage(m_log);
                } else if (!m_request.quiet) {
                    m_host.ShowMessageBox(UsageText(), m_title, plat::kMbOk | plat::kMbIconInformation);
                }
            }
            return Outcome::kDone;
        case CommandAction::kVerify: return Verify();
        default: break;
        }

        std::vector<PrinterRequest> printers;
        if (m_request.action == CommandAction::kInstall) printers.push_back(m_request.printer);
        if (m_request.action == CommandAction::kConfig) {
            std::string text;
            if (!m_host.ReadWholeFile(m_request.configFile, kMaxConfigFileSize, &text)) {
                return Refuse("the file \"" + m_request.configFile + "\" cannot be read, or is larger than " +
                              std::to_string(kMaxConfigFileSize / 1024) + " KB");
            }
            ConfigFile config = ParseConfigFile(text);
            if (!config.error.empty()) return Refuse(m_request.configFile + ": " + config.error);
            printers = std::move(config.printers);
        }
        const bool installs = m_request.action != CommandAction::kList;
        if (installs && !MayInstallDrivers()) return Outcome::kNoRights;

        CInstallationLock lock(m_platform.system);
        if (!lock.Take(m_request.waitSeconds, &m_log)) {
            m_log.Write("another installation by this installer is running" +
                        std::string(m_request.waitSeconds > 0 ? " and did not end in " +
                                                                    std::to_string(m_request.waitSeconds) + " s"
                                                              : ""));
            return Outcome::kBusy;
        }
        CUnattendedRun run(m_platform, m_host, m_log, m_request, std::move(printers));
        const Outcome outcome = run.Run();
        m_printers = run.Printers();
        return outcome;
    }

    // A refused command line: the reason and the usage in the log, and in a
    // box unless /quiet.
    Outcome Refuse(const std::string& error) {
        m_log.Write("bad command line: " + error);
        WriteUsage(m_log);
        if (!m_request.quiet) {
            m_host.ShowMessageBox(error + "\r\n\r\n" + UsageText(), m_title, plat::kMbOk | plat::kMbIconError);
        }
        return Outcome::kBadCommandLine;
    }

    Outcome Verify() {
        const PrinterCheck check = CheckPrinter(m_platform.spooler, m_platform.system, m_request.verifyPrinter,
                                                m_request.verifyDriver, m_request.verifyPort);
        m_log.Write("verify: " + check.line);
        m_host.PrintToConsole(check.line + "\r\n");
        return check.found ? Outcome::kFound : Outcome::kNotFound;
    }

    // Whether this run may install printer drivers, asked before anything
    // changes: an administrator's rights (elevated, where user account
    // control is on), and the print server's leave to administer it, which
    // a policy can withhold.
    bool MayInstallDrivers() {
        bool administrator = false;
        if (!m_platform.system.CheckAdministratorsMembership(&administrator)) {
            m_log.Write("the rights of this run cannot be read (error " +
                        std::to_string(m_platform.system.GetLastError()) + ")");
            return false;
        }
        if (!administrator) {
            m_log.Write("this run lacks an administrator's rights: start it elevated (\"Run as administrator\")");
            return false;
        }
        plat::ISpooler& spooler = m_platform.spooler;
        const plat::Handle server = spooler.OpenPrinterA("", plat::PrinterDefaults{"", plat::kServerAccessAdminister});
        if (server == nullptr) {
            const std::uint32_t error = m_platform.system.GetLastError();
            if (error == plat::err::kAccessDenied) {
                m_log.Write("the print server refuses this run the right to install printer drivers");
                return false;
            }
            // The spooler may not run yet; the start-up starts it.
            return true;
        }
        spooler.ClosePrinter(server);
        return true;
    }

    // The log's last line and the result file.
    int Finish(Outcome outcome) {
        const int exitCode = ExitCodeOf(outcome, m_request.requirePort);
        const OutcomeInfo& info = Info(outcome);
        m_log.Write("result " + std::to_string(exitCode) + " (" + info.name + "): " + info.text);
        if (!m_request.resultFile.empty()) {
            RunResult result;
            result.outcome = outcome;
            result.exitCode = exitCode;
            result.printers = m_printers;
            result.log = m_log.Path();
            result.logFallbackFrom = m_logFallbackFrom;
            if (!m_host.WriteWholeFile(m_request.resultFile, ResultJson(result))) {
                m_log.Write("the result file \"" + m_request.resultFile + "\" cannot be written");
            }
        }
        return exitCode;
    }

    plat::Platform& m_platform;
    plat::ICommandLineHost& m_host;
    const std::string m_commandLine;
    ParsedCommandLine m_parsed;
    CommandRequest& m_request;
    const std::string m_title;
    CRunLog m_log;
    std::string m_logFallbackFrom;
    std::vector<PrinterResult> m_printers;
};

}  // namespace

int RunProgram(plat::Platform& platform, plat::ICommandLineHost& host, const std::string& commandLine) {
    if (!SplitCommandLine(commandLine).empty()) return CommandLineRun(platform, host, commandLine).Run();

    // The dialog as a person uses it, unless another installation runs.
    CInstallationLock lock(platform.system);
    if (!lock.Take(0, nullptr)) {
        host.ShowMessageBox(kBusyText, ProgramTitle(platform.system), plat::kMbOk | plat::kMbIconWarning);
        return kExitBusy;
    }
    CInstallerApp app(platform);
    app.InitInstance();
    return 0;
}
