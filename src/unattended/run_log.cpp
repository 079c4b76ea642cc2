#include "unattended/run_log.h"

#include <cstdio>

CRunLog::CRunLog(plat::ICommandLineHost& host, plat::ISystem& system)
    : m_host(host), m_system(system), m_startTick(system.GetTickCount()) {}

bool CRunLog::Open(const std::string& path, const std::string& firstLine) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_host.AppendToFile(path, Line(firstLine))) return false;
    m_path = path;
    return true;
}

bool CRunLog::IsOpen() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return !m_path.empty();
}

std::string CRunLog::Path() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_path;
}

void CRunLog::Write(const std::string& text) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_path.empty()) m_host.AppendToFile(m_path, Line(text));
}

std::string CRunLog::Line(const std::string& text) const {
    // Unsigned arithmetic, so the tick count may wrap during the run.
    const std::uint32_t elapsed = m_system.GetTickCount() - m_startTick;
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "[%5u.%03u s] ", static_cast<unsigned>(elapsed / 1000),
                  static_cast<unsigned>(elapsed % 1000));
    std::string line = stamp;
    for (char ch : text) {
        if (ch == '\r') {
            line += "\\r";
        } else if (ch == '\n') {
            line += "\\n";
        } else {
            line += ch;
        }
    }
    return line + "\r\n";
}
