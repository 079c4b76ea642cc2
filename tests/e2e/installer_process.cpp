#include "installer_process.h"

#include <vector>

namespace e2e {

namespace {
constexpr DWORD kKillWaitMs = 10000;
}

InstallerProcess::~InstallerProcess() {
    if (Running()) Kill();
}

bool InstallerProcess::Start(const std::string& program, const std::string& workingDir,
                             std::string* error) {
    // CreateProcessA may write into the command line, so it gets its own
    // writable copy.
    std::string commandLine = "\"" + program + "\"";
    std::vector<char> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back('\0');
    const std::string dir = workingDir.empty() ? FolderOf(program) : workingDir;

    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(program.c_str(), buffer.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        dir.empty() ? nullptr : dir.c_str(), &startup, &info)) {
        if (error) {
            *error = "CreateProcess(" + program + ") in \"" + dir +
                     "\" failed, last error " + std::to_string(GetLastError());
        }
        return false;
    }
    CloseHandle(info.hThread);
    process_ = Own(info.hProcess);
    id_ = info.dwProcessId;
    return true;
}

bool InstallerProcess::Running() const {
    return process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

bool InstallerProcess::WaitForExit(DWORD timeoutMs) const {
    return !process_ || WaitForSingleObject(process_.get(), timeoutMs) == WAIT_OBJECT_0;
}

DWORD InstallerProcess::ExitCode() const {
    DWORD code = STILL_ACTIVE;
    if (process_ && !GetExitCodeProcess(process_.get(), &code)) code = STILL_ACTIVE;
    return code;
}

void InstallerProcess::Kill() {
    if (!process_) return;
    TerminateProcess(process_.get(), 255);
    WaitForSingleObject(process_.get(), kKillWaitMs);
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

}  // namespace e2e
