// Runs the installer dialog against the simulated Windows, on a thread of
// its own as the real program runs it, and lets a test hold the start-up
// worker at any platform call.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "app/installer_dlg.h"
#include "platform/sim/sim_ui.h"
#include "platform/sim/sim_windows.h"

// Blocks the first call of one operation made off the dialog's thread until
// released.
class Gate {
public:
    explicit Gate(std::string op) : m_op(std::move(op)) {}
    // Called from the platform hook.
    void Pass(std::string_view op);
    bool WaitReached(std::chrono::milliseconds timeout = std::chrono::seconds(10));
    void Release();
    void SetExemptThread(std::thread::id id) { m_exempt.store(id); }

private:
    std::string m_op;
    std::atomic<std::thread::id> m_exempt{};
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_reached = false;
    bool m_released = false;
};

class InstallerHarness {
public:
    static constexpr const char* kDefaultDriverList =
        "[Receipt0]\r\nPrintName1=SK200K8 Receipt\r\nPrintName2=SK200K8 Second\r\n"
        "[Receipt1]\r\nPrintName1=SK200350I8 Receipt\r\n";

    // A simulated 64-bit Windows 7 with the program and the archiver in
    // "C:\dist", which is also the current directory, and a driver package
    // there holding `driverList` (no package when `withPackage` is false).
    explicit InstallerHarness(bool withPackage = true,
                              const std::string& driverList = kDefaultDriverList);
    ~InstallerHarness();
    InstallerHarness(const InstallerHarness&) = delete;
    InstallerHarness& operator=(const InstallerHarness&) = delete;

    // Opens the dialog on its own thread; returns once it shows.
    sim::SimDialog& Start();
    // Waits for the start-up worker to end.
    bool WaitStartup(std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // Closes the dialog with its close box and waits for the program to end.
    bool CloseAndWait(std::chrono::milliseconds timeout = std::chrono::seconds(10));
    bool WaitEnded(std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // Holds the worker at the first call of `op`.
    Gate& HoldAt(const std::string& op);
    // Starts the call log afresh; Recorded gives the entries made since
    // that begin with an entry of `keep` ("Op" or "Op detail") and with none
    // of `drop`.
    void Record() { win.faults().Log().Start(); }
    std::vector<std::string> Recorded(const std::vector<std::string>& keep,
                                      const std::vector<std::string>& drop = {});

    sim::SimWindows win;
    sim::SimUserInterface ui;
    plat::Platform platform;
    std::unique_ptr<CInstallerDlg> dialog;
    sim::SimDialog* window = nullptr;

private:
    std::thread m_app;
    std::atomic<bool> m_ended{false};
    std::unique_ptr<Gate> m_gate;
};
