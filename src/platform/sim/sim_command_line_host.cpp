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
    const std::string full = FullPathName(path);
    if (full.empty() || !m_files.IsDirectory(full.substr(0, full.find_last_of('\\') + 1))) return false;
    return m_files.WriteFile(full, m_files.ReadFile(full).value_or("") + text);
}

bool SimCommandLineHost::ReadWholeFile(const std::string& path, std::size_t maxBytes, std::string* text) {
    const std::optional<std::string> bytes = m_files.ReadFile(path);
    if (!bytes || bytes->size() > maxBytes) return false;
    *text = *bytes;
    return true;
}

bool SimCommandLineHost::WriteWholeFile(const std::string& path, const std::string& text) {
    std::lock_guard<std::mutex> lock(m_mutex);
    const std::string full = FullPathName(path);
    if (full.empty() || !m_files.IsDirectory(full.substr(0, full.find_last_of('\\') + 1))) return false;
    return m_files.WriteFile(full, text);
}

std::string SimCommandLineHost::FullPathName(const std::string& path) {
    return m_files.FullPath(path).value_or("");
}

bool SimCommandLineHost::TcpConnects(const std::string& host, std::uint32_t port, std::uint32_t) {
    std::lock_guard<std::mutex> lock(m_mutex);
    const std::string address = host + ":" + std::to_string(port);
    m_connections.push_back(address);
    return m_answering.count(address) != 0;
}

void SimCommandLineHost::SetAnswering(const std::string& address) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_answering.insert(address);
}

std::vector<std::string> SimCommandLineHost::Connections() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_connections;
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
