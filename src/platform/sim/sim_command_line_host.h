// The simulated console, log files and boxes of a run from the command
// line: a console that is there or not, files on the simulated drives, and
// boxes that are recorded and answered OK.
#pragma once

#include <mutex>
#include <set>
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
    bool ReadWholeFile(const std::string& path, std::size_t maxBytes, std::string* text) override;
    // Fails, as the move does, when the file's folder does not exist.
    bool WriteWholeFile(const std::string& path, const std::string& text) override;
    std::string FullPathName(const std::string& path) override;
    // Only the addresses SetAnswering names answer.
    bool TcpConnects(const std::string& host, std::uint32_t port, std::uint32_t timeoutMs) override;
    std::string TempFolder() override;
    int ShowMessageBox(const std::string& text, const std::string& caption, std::uint32_t type) override;

    // Test API.
    void SetConsole(bool present);
    // A printer answers at "host:port".
    void SetAnswering(const std::string& address);
    // The connections asked for, "host:port", in order.
    std::vector<std::string> Connections() const;
    std::string ConsoleText() const;
    std::vector<MessageBoxInfo> Boxes() const;

private:
    SimFiles& m_files;
    mutable std::mutex m_mutex;
    bool m_console = true;
    std::string m_consoleText;
    std::vector<MessageBoxInfo> m_boxes;
    std::set<std::string> m_answering;
    std::vector<std::string> m_connections;
};

}  // namespace sim
