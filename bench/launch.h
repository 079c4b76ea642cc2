// Programs the Windows benchmarks start and watch: a child process with a
// chosen folder, the installer's dialog becoming usable, and its end. Every
// wait has a bound.
#pragma once

#include <windows.h>

#include <string>

#include "installer_session.h"
#include "platform/archiver_api.h"

namespace bench {

using e2e::kDialogCaption;


class Child {
public:
    Child() = default;
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    // A child still running is ended, so a failed run leaves nothing behind.
    ~Child();

    // Starts `program` with `arguments` in `folder`. `quiet`: no console
    // window, output to NUL. False when CreateProcess failed.
    bool Start(const std::string& program, const std::string& arguments,
               const std::string& folder, bool quiet);
    HANDLE Handle() const { return m_process; }
    DWORD Id() const { return m_id; }
    // When Start was called, on the NowMs clock.
    double StartedAt() const { return m_startedAt; }
    // True when the process ended within `timeoutMs`.
    bool WaitForExit(DWORD timeoutMs) const;
    // The peak working set in bytes; 0 when it cannot be read.
    SIZE_T PeakWorkingSet() const;

private:
    HANDLE m_process = nullptr;
    DWORD m_id = 0;
    double m_startedAt = 0;
};

// Waits until `child` shows the dialog of the installer's caption with a
// usable Install button; milliseconds since the child's start, or a
// negative value when it ended, showed a box or did not get there within
// `timeoutMs`. `*dialog` is the dialog; `*shownMs`, when asked for, the
// milliseconds until it was first seen on screen.
double WaitForUsableInstall(const Child& child, DWORD timeoutMs, HWND* dialog,
                            double* shownMs = nullptr);

// Presses `buttonId` of `dialog` as a click arrives and waits until `child`
// has ended; false when it did not within `timeoutMs`.
bool PressAndWaitForExit(const Child& child, HWND dialog, int buttonId, DWORD timeoutMs);

// The folder of the running program, with a trailing backslash.
std::string OwnFolder();

// Removes `path` and all below it; quiet when it is not there.
void RemoveTree(const std::string& path);

// Runs `sevenZa` hidden on `archive` into the fresh folder `outputDir` with
// the switches the stand-in library gives it (no progress indicator), as
// the floor of an extraction; the milliseconds from its start to its end,
// or a negative value when it failed. The folder is removed afterwards.
double TimedSevenZaExtraction(const std::string& sevenZa, const std::string& archive,
                              const std::string& outputDir);

// Milliseconds the archiver library takes to extract `archive` into
// `scratch` (emptied before and after), called as the installer calls it;
// negative, with the library's output on stderr under `who`, when it fails.
double LibraryRun(plat::SevenZipFn sevenZip, const std::string& archive, const std::string& scratch,
                  const char* who);

}  // namespace bench
