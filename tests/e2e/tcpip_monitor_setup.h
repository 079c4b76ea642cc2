// The test port monitor "Standard TCP/IP Port" (tcpip_monitor/) in the
// prefix of a test: installing it, giving it ports and telling it how its
// add, configure and delete calls end. Its ports and settings live in the
// registry of the prefix, so they reach the monitor in whichever process
// the spooler loads it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace e2e {

constexpr char kTcpipMonitorName[] = "Standard TCP/IP Port";
// The monitor DLL, built beside the test programs.
constexpr char kTcpipMonitorDll[] = "tcpipmon_test.dll";

// Copies the DLL from this program's folder into the system folder and adds
// the monitor (once per prefix: a monitor already there counts as added).
// Returns "" on success, else what failed.
std::string InstallTcpipTestMonitor();

// Makes `ports` the monitor's ports (in the order the monitor lists them:
// by name). Returns "" on success, else what failed.
std::string SetTcpipTestPorts(const std::vector<std::string>& ports);

// Sets a DWORD setting (TestAddError, TestConfigureError, TestDeleteError)
// or a string one (TestNextPort); reads TestLastConfigured and
// TestAddCalled.
bool SetTcpipTestMonitorValue(const char* name, DWORD value);
bool SetTcpipTestMonitorText(const char* name, const std::string& value);
std::string TcpipTestMonitorText(const char* name);

}  // namespace e2e
