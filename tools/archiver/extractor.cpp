#include "extractor.h"

#include <windows.h>

#include <string>

#include "extract_command.h"
#include "hidden_process.h"
#include "listing.h"
#include "result_codes.h"
#include "unique_handle.h"

namespace archiver {
namespace {

constexpr DWORD kListTimeoutMs = 2 * 60 * 1000;
constexpr DWORD kExtractTimeoutMs = 10 * 60 * 1000;
// A listing longer than this is not read to the end, so it is refused: some
// 3500 entries, twenty times what the sample package holds. Under Wine 7za.exe
// lists about 200 KB a second, so a hostile archive is refused within
// seconds rather than minutes.
constexpr std::size_t kListingLimit = 1024 * 1024;
constexpr DWORD kLongestPath = 32768;

void CopyOut(const std::string& text, char* output, std::uint32_t outputSize) {
    if (output == nullptr || outputSize == 0) return;
    std::size_t count = text.size() < outputSize - 1 ? text.size() : outputSize - 1;
    text.copy(output, count);
    output[count] = '\0';
}

int Fail(int code, const std::string& why, char* output, std::uint32_t outputSize) {
    CopyOut("7-zip32: " + why + "\r\n", output, outputSize);
    return code;
}

// The folder this library was loaded from, with a trailing backslash; empty
// when it cannot be told.
std::string OwnFolder() {
    HMODULE self = nullptr;
    if (!GetModuleHandleExA(
            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            reinterpret_cast<LPCSTR>(&OwnFolder), &self)) {
        return {};
    }
    std::string path(MAX_PATH, '\0');
    for (;;) {
        DWORD length = GetModuleFileNameA(self, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        if (path.size() >= kLongestPath) return {};
        path.resize(path.size() * 2);
    }
    std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool IsFile(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

}  // namespace

int RunExtraction(const char* cmdLine, char* output, std::uint32_t outputSize,
                  const Notify& notify) {
    CopyOut("", output, outputSize);
    auto command = cmdLine == nullptr ? std::nullopt : ParseExtractCommand(cmdLine);
    if (!command) {
        return Fail(kBadCommand, "only \"x -y <archive> -o<folder> [-hide]\" is supported",
                    output, outputSize);
    }
    // Held open without write or delete sharing until 7za.exe is done, so the
    // archive that is extracted is the one that was checked.
    UniqueHandle archiveLock(CreateFileA(command->archive.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!IsOpen(archiveLock)) {
        return Fail(kArchiveMissing, "cannot open the archive " + command->archive, output,
                    outputSize);
    }
    const std::string sevenZa = OwnFolder() + "7za.exe";
    if (!IsFile(sevenZa)) {
        return Fail(kHelperMissing, "7za.exe is not beside the library", output, outputSize);
    }

    // Nothing is extracted before every entry has been seen to be safe.
    // A listing past the limit is refused whole, so 7za.exe is stopped there.
    ProcessOutcome listing = RunHidden(sevenZa, ListCommandLine(sevenZa, *command),
                                       kListTimeoutMs, kListingLimit, /*stopWhenCut=*/true);
    if (!listing.started) {
        return Fail(kHelperMissing, "7za.exe did not start", output, outputSize);
    }
    if (listing.timedOut) {
        return Fail(kTimedOut, "listing the archive took too long", output, outputSize);
    }
    if (listing.exitCode != 0 || listing.outputCut) {
        return Fail(kUnreadableArchive, "cannot list the archive\r\n" + listing.output, output,
                    outputSize);
    }
    auto entries = ParseTechnicalListing(listing.output);
    if (!entries) {
        return Fail(kUnreadableArchive, "cannot read the archive's listing", output, outputSize);
    }
    if (auto unsafe = FindUnsafeEntry(*entries)) {
        return Fail(kUnsafeEntry, "refused the archive: " + *unsafe, output, outputSize);
    }

    if (notify && !notify(Moment::kBegin, command->archive.c_str(), command->outputDir.c_str())) {
        return Fail(kCancelled, "stopped by the owner window", output, outputSize);
    }
    ProcessOutcome extraction = RunHidden(sevenZa, ExtractCommandLine(sevenZa, *command),
                                          kExtractTimeoutMs, outputSize);
    // Nothing is left to stop at the end, so the callback's answer is not used.
    if (notify) notify(Moment::kEnd, command->archive.c_str(), command->outputDir.c_str());

    if (!extraction.started) {
        return Fail(kHelperMissing, "7za.exe did not start", output, outputSize);
    }
    if (extraction.timedOut) {
        return Fail(kTimedOut, "the extraction took too long and was stopped", output,
                    outputSize);
    }
    CopyOut(extraction.output, output, outputSize);
    return extraction.exitCode == 0 ? kSuccess : static_cast<int>(extraction.exitCode);
}

}  // namespace archiver
