// The processes running in this Wine prefix (or on this Windows), to prove
// that nothing the program under test started is left behind.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace e2e {

struct ProcessEntry {
    DWORD id;
    DWORD parentId;
    std::string exeName;
};

// A snapshot of all processes; empty when the snapshot cannot be taken.
std::vector<ProcessEntry> ListProcesses();

// Entries of `processes` that are `processId` itself, its children, or run
// a program named `exeName` (compared without case) other than those in
// `keep`. What is left of a program that should have ended; the Wine
// services and desktop it may have started are not counted.
std::vector<ProcessEntry> Leftovers(const std::vector<ProcessEntry>& processes, DWORD processId,
                                    const std::string& exeName, const std::vector<DWORD>& keep);

// "name (pid 12, parent 8), ..." for failure messages.
std::string Describe(const std::vector<ProcessEntry>& processes);

}  // namespace e2e
