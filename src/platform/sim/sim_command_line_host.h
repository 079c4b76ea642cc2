// The simulated console, log files and boxes of a run from the command
// line: a console that is there or not, files on the simulated drives, and
// boxes that are recorded and answered OK.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "platform/command_line_host.h"
#include "platform/sim/sim_dialog.h"
#include "platform/sim/sim_files.h"

namespace sim {

class SimCommandLineHost final : public plat::ICommandLineHost {
public:
    // The temporary folder is "C:\windows\Temp\", made here.
    explicit SimCommandLineHost(SimFiles& files);

    bool PrintToConsole(const std::string& text) override;
    // Fails, as CreateFile does, when the file's folder does not exist.
    bool AppendToFile(const std::string& path, const std::string& text) override;
    std::string TempFolder() override;
    int ShowMessageBox(const std::string& text, const std::string& caption, std::uint32_t type) override;

    // Test API.
    void SetConsole(bool present);
    std::string ConsoleText() const;
    std::vector<MessageBoxInfo> Boxes() const;

private:
    SimFiles& m_files;
    mutable std::mutex m_mutex;
    bool m_console = true;
    std::string m_consoleText;
    std::vector<MessageBoxInfo> m_boxes;
};

}  // namespace sim
