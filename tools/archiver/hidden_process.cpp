#include "hidden_process.h"

#include <vector>

#include "unique_handle.h"

namespace archiver {
namespace {

// Moves what the pipe holds now into the outcome without blocking; returns
// whether there was anything.
bool DrainPipe(HANDLE pipe, std::size_t keepBytes, ProcessOutcome& outcome) {
    char chunk[4096];
    DWORD available = 0;
    bool drained = false;
    while (PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) && available > 0) {
        DWORD got = 0;
        DWORD want = available < sizeof(chunk) ? available : static_cast<DWORD>(sizeof(chunk));
        if (!ReadFile(pipe, chunk, want, &got, nullptr) || got == 0) break;
        drained = true;
        std::size_t room = keepBytes - outcome.output.size();
        if (got > room) outcome.outputCut = true;
        outcome.output.append(chunk, got < room ? got : room);
    }
    return drained;
}

}  // namespace

ProcessOutcome RunHidden(const std::string& program, const std::string& commandLine, DWORD timeoutMs,
                         std::size_t keepBytes, bool stopWhenCut, HANDLE stop) {
    ProcessOutcome outcome;

    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inheritable, 0)) return outcome;
    UniqueHandle pipeRead(readEnd);
    UniqueHandle pipeWrite(writeEnd);
    // Only the child's end is inherited; ours must not keep the pipe open in it.
    SetHandleInformation(pipeRead.get(), HANDLE_FLAG_INHERIT, 0);

    UniqueHandle nul(CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 &inheritable, OPEN_EXISTING, 0, nullptr));

    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
    startup.wShowWindow = SW_HIDE;
    startup.hStdInput = IsOpen(nul) ? nul.get() : nullptr;
    startup.hStdOutput = pipeWrite.get();
    startup.hStdError = pipeWrite.get();

    // CreateProcessA may write into the command line, so it gets its own copy.
    std::vector<char> mutableLine(commandLine.begin(), commandLine.end());
    mutableLine.push_back('\0');
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(program.c_str(), mutableLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                        nullptr, nullptr, &startup, &info)) {
        return outcome;
    }
    outcome.started = true;
    UniqueHandle process(info.hProcess);
    UniqueHandle thread(info.hThread);
    pipeWrite.reset();

    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        // While it prints, the pipe is read again at once: a full pipe holds
        // the program up.
        const bool drained = DrainPipe(pipeRead.get(), keepBytes, outcome);
        if (WaitForSingleObject(process.get(), drained ? 0 : 20) == WAIT_OBJECT_0) break;
        const bool cut = stopWhenCut && outcome.outputCut;
        const bool told = stop != nullptr && WaitForSingleObject(stop, 0) == WAIT_OBJECT_0;
        if (GetTickCount64() >= deadline || cut || told) {
            TerminateProcess(process.get(), 1);
            WaitForSingleObject(process.get(), 5000);
            outcome.stopped = told && !cut;
            outcome.timedOut = !cut && !told;
            break;
        }
    }
    DrainPipe(pipeRead.get(), keepBytes, outcome);
    if (!outcome.timedOut && !outcome.stopped &&
        !GetExitCodeProcess(process.get(), &outcome.exitCode)) {
        outcome.exitCode = 1;
    }
    return outcome;
}

}  // namespace archiver
