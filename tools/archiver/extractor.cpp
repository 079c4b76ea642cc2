#include "extractor.h"

#include <windows.h>

#include <string>

#include "extract_command.h"
#include "extraction.h"
#include "result_codes.h"
#include "unique_handle.h"
#include "win32_output.h"

namespace archiver {
namespace {

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

}  // namespace

int RunExtraction(const char* cmdLine, char* output, std::uint32_t outputSize,
                  const Notify& notify) {
    CopyOut("", output, outputSize);
    auto command = cmdLine == nullptr ? std::nullopt : ParseExtractCommand(cmdLine);
    if (!command) {
        return Fail(kBadCommand, "only \"x -y <archive> -o<folder> [-hide]\" is supported",
                    output, outputSize);
    }
    // Held open without write or delete sharing until the call is done, so
    // the archive that is extracted is the one that was judged.
    UniqueHandle archive(CreateFileA(command->archive.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                     nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!IsOpen(archive)) {
        return Fail(kArchiveMissing, "cannot open the archive " + command->archive, output,
                    outputSize);
    }
    const char* archiveName = command->archive.c_str();
    const char* outputDir = command->outputDir.c_str();
    if (notify && !notify(Moment::kBegin, archiveName, outputDir)) {
        return Fail(kCancelled, "stopped by the owner window", output, outputSize);
    }
    FileSource source(std::move(archive));
    Win32OutputTree tree(command->outputDir);
    const StopCheck keepGoing = [&] {
        return !notify || notify(Moment::kInProcess, archiveName, outputDir);
    };
    const Outcome outcome = ExtractArchive(source, tree, Limits{}, keepGoing);
    // Nothing is left to stop at the end, so the callback's answer is not used.
    if (notify) notify(Moment::kEnd, archiveName, outputDir);
    CopyOut("7-zip32: extracting " + command->archive + " into " + command->outputDir + "\r\n" +
                outcome.text,
            output, outputSize);
    return outcome.code;
}

}  // namespace archiver
