#include "launch.h"

#include <psapi.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "dialog_probe.h"
#include "spooler_cycles.h"

namespace bench {
namespace {
constexpr DWORD kExtractionTimeoutMs = 600000;
// Fine enough that the poll adds little to what it measures, coarse enough
// that it takes little of the processor the measured program needs.
constexpr DWORD kPollMs = 2;
}  // namespace

Child::~Child() {
    if (m_process == nullptr) return;
    if (WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT) {
        TerminateProcess(m_process, 255);
        WaitForSingleObject(m_process, 10000);
    }
    CloseHandle(m_process);
}

bool Child::Start(const std::string& program, const std::string& arguments,
                  const std::string& folder, bool quiet) {
    std::string line = "\"" + program + "\"" + (arguments.empty() ? "" : " " + arguments);
    std::vector<char> buffer(line.begin(), line.end());
    buffer.push_back('\0');
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE nul = quiet ? CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                                     OPEN_EXISTING, 0, nullptr)
                       : INVALID_HANDLE_VALUE;
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    if (nul != INVALID_HANDLE_VALUE) {
        startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_HIDE;
        startup.hStdInput = startup.hStdOutput = startup.hStdError = nul;
    }
    PROCESS_INFORMATION info{};
    m_startedAt = NowMs();
    const BOOL started = CreateProcessA(program.c_str(), buffer.data(), nullptr, nullptr,
                                        nul != INVALID_HANDLE_VALUE,
                                        quiet ? CREATE_NO_WINDOW : 0, nullptr,
                                        folder.empty() ? nullptr : folder.c_str(), &startup, &info);
    if (nul != INVALID_HANDLE_VALUE) CloseHandle(nul);
    if (!started) return false;
    CloseHandle(info.hThread);
    m_process = info.hProcess;
    m_id = info.dwProcessId;
    return true;
}

bool Child::WaitForExit(DWORD timeoutMs) const {
    return m_process == nullptr || WaitForSingleObject(m_process, timeoutMs) == WAIT_OBJECT_0;
}

SIZE_T Child::PeakWorkingSet() const {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof(counters);
    if (m_process == nullptr || !GetProcessMemoryInfo(m_process, &counters, sizeof(counters))) {
        return 0;
    }
    return counters.PeakWorkingSetSize;
}

double WaitForUsableInstall(const Child& child, DWORD timeoutMs, HWND* dialog,
                            double* shownMs) {
    *dialog = nullptr;
    if (shownMs != nullptr) *shownMs = -1;
    const double deadline = child.StartedAt() + timeoutMs;
    int polls = 0;
    while (NowMs() < deadline) {
        HWND found = e2e::FindProcessWindow(child.Id(), kDialogCaption);
        const bool shown = found != nullptr && IsWindowVisible(found);
        if (shown && shownMs != nullptr && *shownMs < 0) *shownMs = NowMs() - child.StartedAt();
        if (shown && e2e::ControlEnabled(found, IDC_INSTALL)) {
            *dialog = found;
            return NowMs() - child.StartedAt();
        }
        // Now and then: has it ended, or does it show a box nobody answers?
        if (++polls % 50 == 0) {
            const std::string why = e2e::WhyWatchEnds(child.Handle(), child.Id(), {kDialogCaption});
            if (!why.empty()) {
                std::fprintf(stderr, "bench: waiting for a usable Install ended: %s\n",
                             why.c_str());
                return -1;
            }
        }
        Sleep(kPollMs);
    }
    return -1;
}

bool PressAndWaitForExit(const Child& child, HWND dialog, int buttonId, DWORD timeoutMs) {
    PostMessageA(GetDlgItem(dialog, buttonId), BM_CLICK, 0, 0);
    return child.WaitForExit(timeoutMs);
}

std::string OwnFolder() {
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length < MAX_PATH ? length : 0);
    const auto slash = folder.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : folder.substr(0, slash + 1);
}

void RemoveTree(const std::string& path) {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

}  // namespace bench

namespace bench {

double TimedSevenZaExtraction(const std::string& sevenZa, const std::string& archive,
                              const std::string& outputDir) {
    RemoveTree(outputDir);
    Child child;
    DWORD code = 1;
    const std::string arguments = "x -y -bd \"-o" + outputDir + "\" -- \"" + archive + "\"";
    if (!child.Start(sevenZa, arguments, "", true) || !child.WaitForExit(kExtractionTimeoutMs) ||
        !GetExitCodeProcess(child.Handle(), &code) || code != 0) {
        std::fprintf(stderr, "bench: %s failed on %s\n", sevenZa.c_str(), archive.c_str());
        return -1;
    }
    const double ms = NowMs() - child.StartedAt();
    RemoveTree(outputDir);
    return ms;
}

double LibraryRun(plat::SevenZipFn sevenZip, const std::string& archive, const std::string& scratch,
                  const char* who) {
    constexpr std::uint32_t kOutputSize = 16384;
    RemoveTree(scratch);
    const std::string command = "x -y \"" + archive + "\" -o\"" + scratch + "\" -hide";
    std::vector<char> output(kOutputSize + 1, '\0');
    const double start = NowMs();
    const int result = sevenZip(nullptr, command.c_str(), output.data(), kOutputSize);
    const double ms = NowMs() - start;
    RemoveTree(scratch);
    if (result != 0) {
        std::fprintf(stderr, "%s: 7-zip32.dll returned %d: %s\n", who, result, output.data());
        return -1;
    }
    return ms;
}

}  // namespace bench
