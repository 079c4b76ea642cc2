// Closing the installer at the worst moments of an installation, many
// times over with a seeded random moment each: during a spooler restart,
// during the USB detection (its Retry box included), while a port dialog
// goes away, and while the serial probe's monitor thread is delivering a
// flood of notices. Every run must end within a bound, leave no working
// file, no open port and no thread behind, and never misuse the dialog.
// Under AddressSanitizer the rounds add up to a thousand.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <random>

#include "install_support.h"
#include "ports/port_kinds.h"

namespace {

using namespace std::chrono_literals;

#if defined(__SANITIZE_ADDRESS__)
constexpr int kRounds = 250;
#elif defined(__SANITIZE_THREAD__)
constexpr int kRounds = 8;
#else
constexpr int kRounds = 25;
#endif

using Step = std::function<void(InstallerHarness&, std::mt19937&)>;

struct Moment {
    const char* name;
    int row;  // -1: the parallel and the TCP/IP row in turn
    Step setUp;  // before the start-up
    Step arm;    // before Install: a call hook that closes the dialog
    Step act;    // after Install: the user, closing at the moment
};

void PrintTo(const Moment& moment, std::ostream* os) { *os << moment.name; }

void Nothing(InstallerHarness&, std::mt19937&) {}

// Closes the dialog from inside the `n`th call of any of `ops`: the close
// arrives while that step runs.
void CloseAtCall(InstallerHarness& h, std::vector<std::string> ops, int n) {
    auto seen = std::make_shared<std::atomic<int>>(0);
    h.win.SetCallHook([&h, ops, n, seen](std::string_view op) {
        if (std::find(ops.begin(), ops.end(), op) != ops.end() && ++*seen == n) h.window->Close();
    });
}

// Answers whatever is open and closes until the program ends.
bool CloseUntilEnded(InstallerHarness& h, std::chrono::milliseconds timeout) {
    h.ui.SetAutoAnswer(plat::kIdCancel);
    h.window->SetAutoAnswer(plat::kIdCancel);
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!h.WaitEnded(20ms)) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        h.window->AnswerMessageBox(plat::kIdCancel);
        for (int id : {IDD_PARALLEL_PORT_DIALOG, IDD_TCPIP_PORT_DIALOG, IDD_SERIAL_PROMPT}) {
            if (sim::SimDialog* d = h.ui.WaitForDialog(id, 0ms)) d->Close();
        }
        h.window->Close();
    }
    return true;
}

const Moment kMoments[] = {
    {"SpoolerRestart", kPortUsb,
     [](InstallerHarness& h, std::mt19937&) { h.win.spooler().SetDeviceOnPort("USB002", true); },
     [](InstallerHarness& h, std::mt19937& random) {
         CloseAtCall(h, {"ControlService", "StartServiceA", "QueryServiceStatus"},
                     std::uniform_int_distribution<int>(1, 14)(random));
     },
     Nothing},
    {"UsbDetection", kPortUsb, Nothing,
     [](InstallerHarness& h, std::mt19937& random) {
         CloseAtCall(h, {"RegOpenKeyExA", "RegSetValueExA", "RegQueryValueExA"},
                     std::uniform_int_distribution<int>(1, 40)(random));
     },
     // Nobody answers on any USB port: Retry a few times, then Cancel.
     [](InstallerHarness& h, std::mt19937& random) {
         for (int retries = std::uniform_int_distribution<int>(0, 3)(random); retries >= 0; --retries) {
             if (!h.window->WaitMessageBox(1s)) break;
             h.window->AnswerMessageBox(retries > 0 ? plat::kIdRetry : plat::kIdCancel);
         }
     }},
    {"PortDialog", -1,
     [](InstallerHarness& h, std::mt19937&) { h.win.spooler().AddPort("IP_1", "Standard TCP/IP Port"); },
     Nothing,
     // The port dialog goes by one of its three ways, the close box of the
     // installer follows at once.
     [](InstallerHarness& h, std::mt19937& random) {
         sim::SimDialog* d = nullptr;
         h.window->WaitUntil([&] {
             d = h.ui.WaitForDialog(IDD_PARALLEL_PORT_DIALOG, 0ms);
             if (d == nullptr) d = h.ui.WaitForDialog(IDD_TCPIP_PORT_DIALOG, 0ms);
             return d != nullptr;
         }, 2s);
         if (d == nullptr || !d->WaitIdle()) return;
         const int way = std::uniform_int_distribution<int>(0, 2)(random);
         way == 0 ? d->Close() : d->Click(way == 1 ? IDC_DISMISS_PORT : IDC_CHOOSE_PORT);
         std::this_thread::sleep_for(std::chrono::microseconds(
             std::uniform_int_distribution<int>(0, 300)(random)));
         h.window->Close();
     }},
    {"SerialProbe", kPortSerial,
     [](InstallerHarness& h, std::mt19937&) {
         h.win.registry().SetString(plat::RootKey::LocalMachine, "HARDWARE\\DEVICEMAP\\SERIALCOMM",
                                    "\\Device\\Serial1", "COM2");
         h.win.serial().AddPort(1);
         h.win.serial().AddPort(2, sim::StatusAnsweringPrinter(std::string(4000, '\x12')));
     },
     Nothing,
     // Yes at the prompt; the probe ticks to COM2, whose printer answers
     // with a flood; the close box comes while the notices arrive.
     [](InstallerHarness& h, std::mt19937& random) {
         sim::SimDialog* prompt = h.ui.WaitForDialog(IDD_SERIAL_PROMPT, 2s);
         if (prompt == nullptr || !prompt->WaitIdle()) return;
         prompt->Click(IDC_SERIAL_YES);
         for (int tick = 0; tick < 2; ++tick) {
             if (!h.window->WaitIdle() || !h.window->FireTimer(PROBE_TIMER_ID)) return;
         }
         h.window->WaitUntil([&h] { return h.win.serial().Written(2).size() > 0; }, 1s);
         std::this_thread::sleep_for(std::chrono::microseconds(
             std::uniform_int_distribution<int>(0, 3000)(random)));
         h.window->Close();
     }},
};

class CloseDuringInstall : public testing::TestWithParam<Moment> {};

TEST_P(CloseDuringInstall, EndsCleanlyEveryTime) {
    const Moment& moment = GetParam();
    int hangs = 0;
    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE(round);
        std::mt19937 random(static_cast<unsigned>(round));
        const std::size_t threads = ThreadCount();
        {
            InstallerHarness h(false, "");
            PlaceOneReceiptDriver(h);
            h.win.system().SetVersion(plat::kVerPlatformWin32Nt, 10, 0, 19041);
            for (const char* port : {"USB001", "USB002"}) {
                h.win.spooler().AddPort(port, "Virtual printer port for USB");
            }
            moment.setUp(h, random);
            sim::SimDialog& dlg = h.Start();
            ASSERT_TRUE(h.WaitStartup());
            moment.arm(h, random);
            ASSERT_TRUE(dlg.SelectListRow(IDC_PORT_LIST, moment.row >= 0
                                                             ? moment.row
                                                             : kPortParallel + round % 2));
            ASSERT_TRUE(dlg.Click(IDC_INSTALL));
            moment.act(h, random);
            if (!CloseUntilEnded(h, 10s)) {
                ++hangs;
                ADD_FAILURE() << "did not end";
                continue;
            }
            h.win.SetCallHook(nullptr);
            for (const char* path : {"C:\\Ticket", "C:\\Barcode", "C:\\DriverName.cfg"}) {
                EXPECT_FALSE(h.win.files().Exists(path)) << path;
            }
            EXPECT_TRUE(dlg.Misuses().empty()) << dlg.Misuses().front();
            EXPECT_TRUE(dlg.WaitUntil([&h] { return h.win.serial().OpenHandleCount() == 0; }, 2s));
        }
        const auto deadline = std::chrono::steady_clock::now() + 2s;
        while (ThreadCount() > threads && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(1ms);
        }
        EXPECT_LE(ThreadCount(), threads) << "a thread outlived the program";
    }
    std::printf("%s: %d runs, %d hangs\n", moment.name, kRounds, hangs);
}

INSTANTIATE_TEST_SUITE_P(Moments, CloseDuringInstall, testing::ValuesIn(kMoments),
                         [](const testing::TestParamInfo<Moment>& p) { return std::string(p.param.name); });

}  // namespace
