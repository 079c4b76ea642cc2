// The stand-in archiver's command parser: whatever it accepts names a usable
// archive and folder, and the command made from them parses back the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "extract_command.h"

namespace {

bool Usable(const std::string& path) {
    if (path.empty()) return false;
    for (unsigned char c : path) {
        if (c < 0x20 || c == 0x7F || c == '"' || c == '*' || c == '?') return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string line(reinterpret_cast<const char*>(data), size);
    const auto command = archiver::ParseExtractCommand(line);
    if (!command) return 0;
    if (!Usable(command->archive) || !Usable(command->outputDir)) std::abort();
    // The installer's own form of the command.
    const auto again = archiver::ParseExtractCommand("x -y \"" + command->archive + "\" -o\"" +
                                                     command->outputDir + "\" -hide");
    if (!again || again->archive != command->archive || again->outputDir != command->outputDir) {
        std::abort();
    }
    // The command lines for 7za.exe quote both paths whole.
    const std::string list = archiver::ListCommandLine("7za.exe", *command);
    if (list.find("-- \"" + command->archive + "\"") == std::string::npos) std::abort();
    return 0;
}
