#include "process_list.h"

#include <tlhelp32.h>

#include <algorithm>
#include <iterator>

#include "win_handle.h"

namespace e2e {

std::vector<ProcessEntry> ListProcesses() {
    std::vector<ProcessEntry> list;
    UniqueHandle snapshot = Own(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return list;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32First(snapshot.get(), &entry); more;
         more = Process32Next(snapshot.get(), &entry)) {
        entry.szExeFile[sizeof(entry.szExeFile) - 1] = '\0';
        list.push_back({entry.th32ProcessID, entry.th32ParentProcessID, entry.szExeFile});
    }
    return list;
}

namespace {

// Wine starts its own services and desktop on demand, as children of
// whichever program first needs them (a spooler restart, the first window),
// and they rightly outlive it.
bool IsWineSystemProgram(const std::string& exeName) {
    static const char* const kPrograms[] = {"services.exe", "explorer.exe", "winedevice.exe",
                                            "plugplay.exe", "rpcss.exe",    "svchost.exe",
                                            "conhost.exe"};
    return std::any_of(std::begin(kPrograms), std::end(kPrograms), [&](const char* name) {
        return lstrcmpiA(exeName.c_str(), name) == 0;
    });
}

}  // namespace

std::vector<ProcessEntry> Leftovers(const std::vector<ProcessEntry>& processes, DWORD processId,
                                    const std::string& exeName, const std::vector<DWORD>& keep) {
    std::vector<ProcessEntry> left;
    for (const auto& p : processes) {
        if (std::find(keep.begin(), keep.end(), p.id) != keep.end()) continue;
        const bool sameName = lstrcmpiA(p.exeName.c_str(), exeName.c_str()) == 0;
        const bool child = p.parentId == processId && !IsWineSystemProgram(p.exeName);
        if (p.id == processId || child || sameName) left.push_back(p);
    }
    return left;
}

std::string Describe(const std::vector<ProcessEntry>& processes) {
    std::string text;
    for (const auto& p : processes) {
        if (!text.empty()) text += ", ";
        text += p.exeName + " (pid " + std::to_string(p.id) + ", parent " +
                std::to_string(p.parentId) + ")";
    }
    return text.empty() ? "none" : text;
}

}  // namespace e2e
