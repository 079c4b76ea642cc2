// The program under test as a child process: started with a chosen working
// directory, and never left behind when the owner goes away.
#pragma once

#include <windows.h>

#include <string>

#include "win_handle.h"

namespace e2e {

class InstallerProcess {
public:
    InstallerProcess() = default;
    InstallerProcess(const InstallerProcess&) = delete;
    InstallerProcess& operator=(const InstallerProcess&) = delete;
    // Ends the process if it still runs, so a failed test leaves nothing
    // behind for the next one.
    ~InstallerProcess();

    // Starts `program` with `workingDir` as its current directory (empty:
    // the program's own folder). Returns false and sets `error` when
    // CreateProcess fails.
    bool Start(const std::string& program, const std::string& workingDir, std::string* error);

    DWORD Id() const { return id_; }
    HANDLE Handle() const { return process_.get(); }
    bool Running() const;
    // Waits at most `timeoutMs` for the process to end; true when it ended.
    bool WaitForExit(DWORD timeoutMs) const;
    // The exit code once ended, STILL_ACTIVE before.
    DWORD ExitCode() const;
    // Ends the process hard (test clean-up after a failure) and waits for it
    // a bounded time.
    void Kill();

private:
    UniqueHandle process_;
    DWORD id_ = 0;
};

// The folder part of a Windows path ("C:\a\b.exe" -> "C:\a"), or "" when it
// has none.
std::string FolderOf(const std::string& path);

}  // namespace e2e
