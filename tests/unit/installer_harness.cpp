#include "installer_harness.h"

#include "app/globals.h"
#include "archive_writer.h"

void Gate::Pass(std::string_view op) {
    if (op != m_op || std::this_thread::get_id() == m_exempt.load()) return;
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_reached) return;  // only the first call waits
    m_reached = true;
    m_cv.notify_all();
    m_cv.wait_for(lock, std::chrono::seconds(20), [this] { return m_released; });
}

bool Gate::WaitReached(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_cv.wait_for(lock, timeout, [this] { return m_reached; });
}

void Gate::Release() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_released = true;
    m_cv.notify_all();
}

InstallerHarness::InstallerHarness(bool withPackage, const std::string& driverList)
    : platform(sim::MakePlatform(win, ui)) {
    ui.SetCallLog(&win.faults().Log());
    win.system().SetModuleFileName("C:\\dist\\installer.exe");
    win.files().MakeDirectories("C:\\dist");
    win.files().SetCurrentDirectory("C:\\dist");
    win.modules().PlaceArchiver("C:\\dist");
    if (withPackage) {
        WriteArchive(win.files().HostPath("C:\\dist\\DriverData.Drv"), SamplePackage(driverList));
    }
}

InstallerHarness::~InstallerHarness() {
    if (m_gate) m_gate->Release();
    if (m_app.joinable()) {
        if (!m_ended && window != nullptr) window->Close();
        if (!WaitEnded(std::chrono::seconds(20))) ui.AbortAll();
        m_app.join();
    }
    dialog.reset();
    win.faults().SetCallHook(nullptr);
}

sim::SimDialog& InstallerHarness::Start() {
    g_nMsgUpdateData = ui.RegisterWindowMessageA(kUpdateDataMessageName);
    g_bPortFound = true;  // one run of the program each
    dialog = std::make_unique<CInstallerDlg>(platform);
    m_app = std::thread([this] {
        dialog->DoModal();
        m_ended = true;
    });
    if (m_gate) m_gate->SetExemptThread(m_app.get_id());
    window = ui.WaitForDialog(IDD_INSTALLER_DIALOG);
    if (window == nullptr) throw std::runtime_error("the installer dialog did not open");
    return *window;
}

bool InstallerHarness::WaitStartup(std::chrono::milliseconds timeout) {
    return window->WaitUntil([this] { return dialog && dialog->StartupFinished(); }, timeout) &&
           window->WaitIdle(timeout);
}

bool InstallerHarness::WaitEnded(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!m_ended) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

bool InstallerHarness::CloseAndWait(std::chrono::milliseconds timeout) {
    window->Close();
    return WaitEnded(timeout);
}

std::vector<std::string> InstallerHarness::Recorded(const std::vector<std::string>& keep,
                                                   const std::vector<std::string>& drop) {
    auto any = [](const std::vector<std::string>& prefixes, const std::string& entry) {
        for (const std::string& prefix : prefixes) {
            if (entry.rfind(prefix, 0) == 0) return true;
        }
        return false;
    };
    std::vector<std::string> kept;
    for (const std::string& entry : win.faults().Log().Entries()) {
        if (any(keep, entry) && !any(drop, entry)) kept.push_back(entry);
    }
    return kept;
}

Gate& InstallerHarness::HoldAt(const std::string& op) {
    m_gate = std::make_unique<Gate>(op);
    Gate* gate = m_gate.get();
    win.faults().SetCallHook([gate](std::string_view name) { gate->Pass(name); });
    return *gate;
}
