// The log of a run from the command line: one line per event, each with the
// time since the run began, appended to a file and never cut short.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

#include "platform/command_line_host.h"
#include "platform/system.h"

class CRunLog {
public:
    // The run's time counts from now.
    CRunLog(plat::ICommandLineHost& host, plat::ISystem& system);
    CRunLog(const CRunLog&) = delete;
    CRunLog& operator=(const CRunLog&) = delete;

    // Writes the following lines to `path`, starting with `firstLine`.
    // False (and no file) when the file cannot be written.
    bool Open(const std::string& path, const std::string& firstLine);
    bool IsOpen() const;
    std::string Path() const;

    // "[  12.345 s] text": carriage returns and line feeds in `text` are
    // written as \r and \n, so that an event stays on one line. Any thread;
    // does nothing while no file is open.
    void Write(const std::string& text);

private:
    std::string Line(const std::string& text) const;

    plat::ICommandLineHost& m_host;
    plat::ISystem& m_system;
    const std::uint32_t m_startTick;
    mutable std::mutex m_mutex;
    std::string m_path;
};
