// What a run from the command line reaches besides the installer's own
// platform: the console it was started from, its own files (log, result,
// /config), a box of its own, and whether a network printer answers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace plat {

class ICommandLineHost {
public:
    virtual ~ICommandLineHost() = default;

    // Writes `text` to the standard output the program was given, or else
    // to the console of the process that started it (attached on first
    // use). False when there is neither.
    virtual bool PrintToConsole(const std::string& text) = 0;
    // Appends `text` to file `path` in one write, so that runs writing to
    // the same file never mix their lines; the file is created when missing
    // and never cut short. Leaves the thread's last error as it was. False
    // when the file cannot be written.
    virtual bool AppendToFile(const std::string& path, const std::string& text) = 0;
    // The whole of file `path` into `*text`; false when it cannot be read
    // or holds more than `maxBytes`.
    virtual bool ReadWholeFile(const std::string& path, std::size_t maxBytes, std::string* text) = 0;
    // Replaces file `path` with `text`, turned from the ANSI code page into
    // UTF-8, so that a reader finds the old file or the new one whole, never
    // a part: written beside it, then moved over it. False, and `path` as it
    // was, when that fails.
    virtual bool WriteWholeFile(const std::string& path, const std::string& text) = 0;
    // `path` as a full path, relative to the current directory, with "."
    // and ".." resolved; "" when it has none.
    virtual std::string FullPathName(const std::string& path) = 0;
    // Whether `host` (an IPv4 address or a host name) accepts a TCP
    // connection on `port` within `timeoutMs`.
    virtual bool TcpConnects(const std::string& host, std::uint32_t port, std::uint32_t timeoutMs) = 0;
    // The system's temporary folder, ending in a backslash; "" when unknown.
    virtual std::string TempFolder() = 0;
    // A message box of no window; returns the button pressed.
    virtual int ShowMessageBox(const std::string& text, const std::string& caption,
                               std::uint32_t type) = 0;
};

}  // namespace plat
