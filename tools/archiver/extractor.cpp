#include "extractor.h"

#include <windows.h>

#include <string>
#include <thread>

#include "extract_command.h"
#include "hidden_process.h"
#include "listing.h"
#include "result_codes.h"
#include "staging.h"
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

// Why the listing refuses the archive (a result code and the text), or
// kSuccess when every entry it names is safe.
int JudgeListing(const ProcessOutcome& listing, std::string& why) {
    if (!listing.started) {
        why = "7za.exe did not start";
        return kHelperMissing;
    }
    if (listing.timedOut) {
        why = "listing the archive took too long";
        return kTimedOut;
    }
    if (listing.exitCode != 0 || listing.outputCut) {
        why = "cannot list the archive\r\n" + listing.output;
        return kUnreadableArchive;
    }
    auto entries = ParseTechnicalListing(listing.output);
    if (!entries) {
        why = "cannot read the archive's listing";
        return kUnreadableArchive;
    }
    if (auto unsafe = FindUnsafeEntry(*entries)) {
        why = "refused the archive: " + *unsafe;
        return kUnsafeEntry;
    }
    return kSuccess;
}

// What the side-by-side listing and extraction come to: the extracted files
// in place and 7za.exe's result, or a refusal with nothing in place.
int Conclude(int listingVerdict, const std::string& listingWhy, const ProcessOutcome& extraction,
             StagingFolder& staging, char* output, std::uint32_t outputSize) {
    if (listingVerdict != kSuccess) return Fail(listingVerdict, listingWhy, output, outputSize);
    if (!extraction.started) {
        return Fail(kHelperMissing, "7za.exe did not start", output, outputSize);
    }
    if (extraction.stopped) {
        return Fail(kUnreadableArchive, "the extraction was stopped", output, outputSize);
    }
    if (extraction.timedOut) {
        return Fail(kTimedOut, "the extraction took too long and was stopped", output,
                    outputSize);
    }
    // What 7za.exe wrote goes into place also when it failed part way, as
    // it would have written it there itself.
    const std::string unmoved = staging.MoveIntoPlace();
    if (!unmoved.empty()) {
        return Fail(kOutputUnwritable, "cannot write\r\n" + unmoved, output, outputSize);
    }
    CopyOut(extraction.output, output, outputSize);
    return extraction.exitCode == 0 ? kSuccess : static_cast<int>(extraction.exitCode);
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

    if (notify && !notify(Moment::kBegin, command->archive.c_str(), command->outputDir.c_str())) {
        return Fail(kCancelled, "stopped by the owner window", output, outputSize);
    }
    // The listing and the extraction run side by side, each a 7za.exe of its
    // own: the extraction into a private folder inside the output folder,
    // whose contents reach the output folder only once every entry of the
    // listing has been seen to be safe. 7za.exe keeps what it writes inside
    // the folder it is given, so the private one holds all of it.
    StagingFolder staging;
    if (!staging.Make(command->outputDir)) {
        return Fail(kOutputUnwritable, "cannot make a folder in " + command->outputDir, output,
                    outputSize);
    }
    // A listing that refuses the archive stops the extraction beside it at
    // once, and a listing past its limit stops its own 7za.exe, so a hostile
    // archive is refused in seconds rather than extracted whole first.
    UniqueHandle refused(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!refused) {
        return Fail(kOutputUnwritable, "cannot make an event", output, outputSize);
    }
    int listingVerdict = kSuccess;
    std::string listingWhy;
    std::thread lister([&] {
        const ProcessOutcome listing = RunHidden(sevenZa, ListCommandLine(sevenZa, *command),
                                                 kListTimeoutMs, kListingLimit,
                                                 /*stopWhenCut=*/true);
        listingVerdict = JudgeListing(listing, listingWhy);
        if (listingVerdict != kSuccess) SetEvent(refused.get());
    });
    // Joined on every way out, an exception included.
    struct Joiner {
        std::thread& thread;
        ~Joiner() {
            if (thread.joinable()) thread.join();
        }
    } joiner{lister};
    ExtractCommand intoStaging = *command;
    intoStaging.outputDir = staging.Path();
    ProcessOutcome extraction = RunHidden(sevenZa, ExtractCommandLine(sevenZa, intoStaging),
                                          kExtractTimeoutMs, outputSize,
                                          /*stopWhenCut=*/false, refused.get());
    lister.join();
    const int result = Conclude(listingVerdict, listingWhy, extraction, staging, output,
                                outputSize);
    // Nothing is left to stop at the end, so the callback's answer is not used.
    if (notify) notify(Moment::kEnd, command->archive.c_str(), command->outputDir.c_str());
    return result;
}

}  // namespace archiver
