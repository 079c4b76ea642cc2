// The console, files, box and network test of a run from the command line,
// on Windows.
#pragma once

#include "platform/command_line_host.h"
#include "platform/win32/win32_windows.h"

namespace plat::win32 {

class Win32CommandLineHost final : public ICommandLineHost {
public:
    Win32CommandLineHost() = default;
    ~Win32CommandLineHost() override;
    Win32CommandLineHost(const Win32CommandLineHost&) = delete;
    Win32CommandLineHost& operator=(const Win32CommandLineHost&) = delete;

    bool PrintToConsole(const std::string& text) override;
    bool AppendToFile(const std::string& path, const std::string& text) override;
    bool ReadWholeFile(const std::string& path, std::size_t maxBytes, std::string* text) override;
    bool WriteWholeFile(const std::string& path, const std::string& text) override;
    std::string FullPathName(const std::string& path) override;
    // Through ws2_32, loaded for this call only, so that the program does
    // not import it.
    bool TcpConnects(const std::string& host, std::uint32_t port, std::uint32_t timeoutMs) override;
    std::string TempFolder() override;
    int ShowMessageBox(const std::string& text, const std::string& caption, std::uint32_t type) override;

private:
    // The handle the console output goes to; null when there is none.
    HANDLE Output();

    bool m_looked = false;
    HANDLE m_output = nullptr;
    HANDLE m_console = nullptr;  // opened here, so closed here
};

}  // namespace plat::win32
