#include "platform/sim/sim_command_line_host.h"

namespace sim {

namespace {
constexpr const char* kTempFolder = "C:\\windows\\Temp\\";
}  // namespace

SimCommandLineHost::SimCommandLineHost(SimFiles& files) : m_files(files) {
    m_files.MakeDirectories(kTempFolder);
}

bool SimCommandLineHost::PrintToConsole(const std::string& text) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_console) return false;
    m_consoleText += text;
    return true;
}

bool SimCommandLineHost::AppendToFile(const std::string& path, const std::string& text) {
    std::lock_guard<std::mutex> lock(m_mutex);
    // A bare name lies in the current directory.
    const std::string::size_type slash = path.find_last_of('\\');
    const std::string folder = slash == std::string::npos ? m_files.CurrentDirectory() : path.substr(0, slash + 1);
    const std::string full = slash == std::string::npos ? folder + "\\" + path : path;
    if (!m_files.IsDirectory(folder)) return false;
    return m_files.WriteFile(full, m_files.ReadFile(full).value_or("") + text);
}

std::string SimCommandLineHost::TempFolder() { return kTempFolder; }

int SimCommandLineHost::ShowMessageBox(const std::string& text, const std::string& caption,
                                       std::uint32_t type) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_boxes.push_back(MessageBoxInfo{text, caption, type, plat::kIdOk});
    return plat::kIdOk;
}

void SimCommandLineHost::SetConsole(bool present) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_console = present;
}

std::string SimCommandLineHost::ConsoleText() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_consoleText;
}

std::vector<MessageBoxInfo> SimCommandLineHost::Boxes() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_boxes;
}

}  // namespace sim
