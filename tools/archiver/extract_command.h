// The one command the stand-in archiver library accepts, and the command
// lines it gives 7za.exe. Portable: no Windows header, so the parsing can be
// tested on its own.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace archiver {

// "x -y \"<archive>\" -o\"<output folder>\" [-hide]": extract everything
// with stored paths into the output folder, overwriting without a question.
struct ExtractCommand {
    std::string archive;
    std::string outputDir;
};

// Parses the caller's command. Words are separated by blanks; double quotes
// group a word and are removed, as the library's command syntax has it. The
// words "x" (first) and "-y", one archive and one "-o" folder are required,
// "-hide" is optional, each at most once. Returns nothing for any other
// command, and for paths that 7za.exe would read as something else: empty,
// holding a quote, a wildcard, or a control character.
std::optional<ExtractCommand> ParseExtractCommand(std::string_view cmdLine);

// Command lines for 7za.exe (its own path first). The archive follows "--" so
// that a name starting with "-" or "@" is never read as a switch or a list
// file. The listing is printed in UTF-8 so that every name reads as stored.
std::string ListCommandLine(const std::string& sevenZaPath, const ExtractCommand& command);
std::string ExtractCommandLine(const std::string& sevenZaPath, const ExtractCommand& command);

}  // namespace archiver
