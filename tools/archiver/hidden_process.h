// Running a console program without a window and collecting what it prints.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

namespace archiver {

struct ProcessOutcome {
    bool started = false;     // CreateProcess succeeded
    bool timedOut = false;    // killed after the time limit
    DWORD exitCode = 1;       // meaningful when started and not timed out
    std::string output;       // standard output and error, in the order printed
    bool outputCut = false;   // more was printed than `keepBytes`
    bool stopped = false;     // killed because `stop` was set
};

// Runs `program` (a full path, never searched for) with `commandLine` (the
// program's quoted path first) hidden, with standard input on NUL, and waits
// for it at most `timeoutMs`; a program still running then is terminated.
// Keeps the first `keepBytes` bytes it prints and drains the rest, so the
// program never blocks on a full pipe; with `stopWhenCut`, a program that
// prints more is terminated at once instead. A program still running when
// the event `stop` (if any) is set is terminated as well.
ProcessOutcome RunHidden(const std::string& program, const std::string& commandLine,
                         DWORD timeoutMs, std::size_t keepBytes, bool stopWhenCut = false,
                         HANDLE stop = nullptr);

}  // namespace archiver
