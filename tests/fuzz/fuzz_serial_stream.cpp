// Bytes from a COM port into the serial channel, in chunks the input picks:
// each byte reaches the owner window once, in order, with the port number,
// and nothing but the enabled events comes besides.
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

#include "platform/sim/sim_ui.h"
#include "platform/sim/sim_windows.h"
#include "serial/serial_channel.h"
#include "serial/serial_messages.h"

namespace {

constexpr int kPort = 3;

// The owner window: takes the channel's notices on the monitor thread and
// does nothing else.
class Owner final : public plat::IDialogWindow {
public:
    std::string bytes;
    std::size_t expected = 0;
    bool stray = false;

    std::intptr_t SendMessageA(std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (msg == WM_SERIAL_BYTE && lParam == kPort && wParam <= 0xFF) {
            bytes.push_back(static_cast<char>(wParam));
        } else if (msg != WM_SERIAL_EVENT_CHAR || lParam != kPort) {
            stray = true;
        }
        // Waking the waiter only for the last byte keeps the two threads
        // from trading a wake-up per byte.
        if (bytes.size() >= expected || stray) m_cv.notify_all();
        return 0;
    }
    // Waits until the expected bytes have come; false after five seconds.
    bool WaitBytes() {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_cv.wait_for(lock, std::chrono::seconds(5), [&] { return bytes.size() >= expected || stray; });
    }
    std::mutex& Mutex() { return m_mutex; }

    bool WaitServingSends(const std::function<bool()>& done, std::uint32_t timeoutMs) override {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (!done()) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        }
        return true;
    }
    plat::WindowHandle GetSafeHwnd() override { return nullptr; }
    std::string GetDlgItemTextA(int) override { return {}; }
    void SetDlgItemTextA(int, const std::string&) override {}
    void EnableDlgItem(int, bool) override {}
    bool IsDlgItemEnabled(int) override { return false; }
    void CheckDlgButton(int, std::uint32_t) override {}
    std::uint32_t IsDlgButtonChecked(int) override { return 0; }
    void ComboResetContent(int) override {}
    int ComboAddString(int, const std::string&) override { return -1; }
    int ComboSetCurSel(int, int) override { return -1; }
    int ComboGetCurSel(int) override { return -1; }
    int ComboGetCount(int) override { return 0; }
    std::string ComboGetLBText(int, int) override { return {}; }
    void ListDeleteAllItems(int) override {}
    int ListGetColumnCount(int) override { return 0; }
    bool ListDeleteColumn(int, int) override { return false; }
    std::uint32_t ListGetExtendedStyle(int) override { return 0; }
    void ListSetExtendedStyle(int, std::uint32_t) override {}
    int ListInsertColumn(int, int, const std::string&, int) override { return -1; }
    bool ListSetColumnWidth(int, int, int) override { return false; }
    int ListInsertItem(int, int, const std::string&) override { return -1; }
    bool ListDeleteItem(int, int) override { return false; }
    bool ListSetItemText(int, int, int, const std::string&) override { return false; }
    std::string ListGetItemText(int, int, int) override { return {}; }
    bool ListSetItemState(int, int, std::uint32_t, std::uint32_t) override { return false; }
    std::uint32_t ListGetItemState(int, int, std::uint32_t) override { return 0; }
    int ListGetItemCount(int) override { return 0; }
    void ProgressSetPos(int, int) override {}
    int ProgressGetPos(int) override { return 0; }
    bool SetTimer(std::uintptr_t, std::uint32_t) override { return false; }
    bool KillTimer(std::uintptr_t) override { return false; }
    int MessageBoxA(const std::string&, const std::string&, std::uint32_t) override {
        std::abort();  // nothing fails here, so nothing is reported
    }
    void EndDialog(std::intptr_t) override {}
    std::intptr_t RunModalChild(int, plat::IDialogHandler&) override { return -1; }

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static sim::SimWindows windows;
    static sim::SimUserInterface ui;
    static plat::Platform platform = sim::MakePlatform(windows, ui);
    static Owner owner;
    static CSerialChannel channel(platform);
    static bool open = false;
    if (size == 0) return 0;
    // The first byte: the chunk size, and whether the port opens anew.
    if (!open || data[0] == 0xFF) {
        if (!open) windows.serial().AddPort(kPort);
        // Open stops the monitor that ran before.
        open = channel.Open(&owner, kPort, 9600, 'N', 8, 1, plat::kEvRxChar | plat::kEvRxFlag, 512);
        const int waits = windows.serial().WaitCommEventCount(kPort);
        if (!open || !channel.StartMonitor()) std::abort();
        // Past the purge the new monitor starts with.
        while (windows.serial().WaitCommEventCount(kPort) == waits) std::this_thread::yield();
    }
    const std::size_t chunk = 1 + data[0] % 16;
    const std::string stream(reinterpret_cast<const char*>(data) + 1, size - 1);
    {
        std::lock_guard<std::mutex> lock(owner.Mutex());
        owner.bytes.clear();
        owner.expected = stream.size();
    }
    for (std::size_t at = 0; at < stream.size(); at += chunk) {
        windows.serial().Deliver(kPort, stream.substr(at, chunk));
    }
    if (!owner.WaitBytes()) std::abort();
    std::lock_guard<std::mutex> lock(owner.Mutex());
    if (owner.bytes != stream || owner.stray) std::abort();
    return 0;
}
