// An installer run of a test's own whose start-up has ended (its Install
// button is usable).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "e2e_options.h"
#include "installer_session.h"
#include "working_files.h"

namespace e2e {

// "a", "b" as a list for messages; "(none)" when empty.
std::string Quoted(const std::vector<std::string>& texts);

// Closed with the close box, as a person ends it, when dropped while its
// dialog is still there.
class ReadyRun {
public:
    ReadyRun();
    ReadyRun(const ReadyRun&) = delete;
    ReadyRun& operator=(const ReadyRun&) = delete;
    ~ReadyRun();

    bool Ready() const { return problem_.empty(); }
    const std::string& Problem() const { return problem_; }
    HWND Dialog() const { return session_.Dialog(); }
    HWND Control(int id) const { return GetDlgItem(session_.Dialog(), id); }
    DWORD ProcessId() const { return session_.Id(); }
    InstallerSession& Session() { return session_; }

private:
    InstallerSession session_;
    std::string problem_;
};

}  // namespace e2e

// The tests that use it unpack the driver package, which must lie in the
// installer's working directory.
#define SKIP_WITHOUT_PACKAGE()                                                           \
    do {                                                                                 \
        if (!::e2e::PackageAvailable(::e2e::TheOptions())) {                             \
            GTEST_SKIP() << "no DriverData.Drv in "                                      \
                         << ::e2e::EffectiveWorkingDir(::e2e::TheOptions());             \
        }                                                                                \
    } while (0)
