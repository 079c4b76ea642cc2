// What a run from the command line reports through besides the dialog: the
// console it was started from, its log file, and a box of its own.
#pragma once

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
    // Appends `text` to file `path`, which is created when missing and never
    // cut short. Leaves the thread's last error as it was. False when the
    // file cannot be written.
    virtual bool AppendToFile(const std::string& path, const std::string& text) = 0;
    // The system's temporary folder, ending in a backslash; "" when unknown.
    virtual std::string TempFolder() = 0;
    // A message box of no window; returns the button pressed.
    virtual int ShowMessageBox(const std::string& text, const std::string& caption,
                               std::uint32_t type) = 0;
};

}  // namespace plat
