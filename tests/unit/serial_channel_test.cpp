// The serial channel against simulated COM ports, with a headless dialog as
// its owner window on a thread of its own, as the installer runs it.
#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <string>
#include <vector>

#include "app/box_texts.h"
#include "platform/sim/sim_windows.h"
#include "serial/serial_channel.h"
#include "serial/serial_messages.h"
#include "serial/serial_session.h"
#include "sim/ui_test_support.h"

namespace {

using namespace std::chrono_literals;
using sim::testing::DialogRunner;
using sim::testing::ScriptedHandler;

struct Note {
    std::uint32_t msg;
    std::uintptr_t wParam;
    std::intptr_t lParam;
    bool operator==(const Note&) const = default;
};

class SerialChannelTest : public testing::Test {
protected:
    SerialChannelTest() : platform(sim::MakePlatform(win, ui)) {
        owner.onMessage = [this](std::uint32_t msg, std::uintptr_t wp, std::intptr_t lp) {
            std::lock_guard<std::mutex> lock(mutex);
            notes.push_back(Note{msg, wp, lp});
            if (onNote) onNote(msg);
            return std::intptr_t{0};
        };
        runner = std::make_unique<DialogRunner>(ui, owner);
        window = ui.WaitForDialog(IDD_INSTALLER_DIALOG);
    }
    ~SerialChannelTest() override {
        channel.reset();
        runner.reset();
    }

    bool OpenPort(int number, std::uint32_t mask = 3) {
        return channel->Open(owner.window.load(), number, 9600, 'N', 8, 1, mask, 512);
    }
    // Starts the monitor and waits until it waits for the port, past the
    // purge it starts with.
    bool StartMonitoring(int number) {
        const int waits = win.serial().WaitCommEventCount(number);
        return channel->StartMonitor() &&
               window->WaitUntil([&] { return win.serial().WaitCommEventCount(number) > waits; });
    }
    std::vector<Note> Notes() {
        std::lock_guard<std::mutex> lock(mutex);
        return notes;
    }
    std::size_t CountOf(std::uint32_t msg) {
        std::size_t n = 0;
        for (const Note& note : Notes()) n += note.msg == msg ? 1 : 0;
        return n;
    }

    sim::SimWindows win;
    sim::SimUserInterface ui;
    plat::Platform platform;
    ScriptedHandler owner;
    std::mutex mutex;
    std::vector<Note> notes;
    std::function<void(std::uint32_t)> onNote;
    std::unique_ptr<DialogRunner> runner;
    sim::SimDialog* window = nullptr;
    std::unique_ptr<CSerialChannel> channel = std::make_unique<CSerialChannel>(platform);
};

TEST_F(SerialChannelTest, OpenConfiguresThePortStepByStep) {
    win.serial().AddPort(12);
    win.faults().Log().Start();
    ASSERT_TRUE(channel->Open(owner.window.load(), 12, 4800, 'E', 7, 2, 0x1C3, 64));
    const std::vector<std::string> expected = {
        "CreateEventA", "CreateEventA", "CreateEventA", "CreateEventA", "CreateFileA",
        "SetupComm", "SetCommTimeouts", "SetCommMask", "GetCommState", "BuildCommDCBA",
        "SetCommState", "PurgeComm"};
    EXPECT_EQ(win.faults().Log().Entries(), expected);
    const sim::SerialOpenRecord open = win.serial().Opens().back();
    EXPECT_EQ(open.name, "\\\\.\\COM12");
    EXPECT_EQ(open.access, plat::kGenericRead | plat::kGenericWrite);
    EXPECT_EQ(open.shareMode, 0u);
    EXPECT_EQ(open.creation, plat::kOpenExisting);
    EXPECT_EQ(open.flags, plat::kFileFlagOverlapped);

    const sim::SerialPortSettings s = win.serial().Settings(12);
    EXPECT_EQ(s.inQueue, 2048u);
    EXPECT_EQ(s.outQueue, 2048u);
    for (std::uint32_t t : {s.timeouts.readIntervalTimeout, s.timeouts.readTotalTimeoutMultiplier,
                            s.timeouts.readTotalTimeoutConstant,
                            s.timeouts.writeTotalTimeoutMultiplier,
                            s.timeouts.writeTotalTimeoutConstant}) {
        EXPECT_EQ(t, 1000u);
    }
    EXPECT_EQ(s.mask, 0x1C3u);
    EXPECT_EQ(s.state.baudRate, 4800u);
    EXPECT_EQ(s.state.parity, 2);  // even
    EXPECT_EQ(s.state.byteSize, 7);
    EXPECT_EQ(s.state.stopBits, 2);  // two
    EXPECT_EQ(s.state.evtChar, 'q');
    EXPECT_EQ(s.state.fRtsControl, plat::kRtsControlEnable);
    EXPECT_NE(channel->PortHandle(), nullptr);
}

TEST_F(SerialChannelTest, FailedOpenIsSilentAndTheNextOpenWorks) {
    struct Case {
        const char* what;
        const char* failing;  // nullptr: the port itself refuses
        bool busy;
        bool keepsHandle;
    };
    for (const Case& c : {Case{"missing port", nullptr, false, false},
                          Case{"busy port", nullptr, true, false},
                          Case{"queues refused", "SetupComm", false, true},
                          Case{"settings refused", "SetCommState", false, true},
                          Case{"text refused", "BuildCommDCBA", false, true}}) {
        SCOPED_TRACE(c.what);
        const int number = c.failing || c.busy ? 3 : 4;
        win.serial().AddPort(3);
        win.serial().SetBusy(3, c.busy);
        if (c.failing) win.FailNext(c.failing, plat::err::kInvalidParameter);
        EXPECT_FALSE(OpenPort(number));
        EXPECT_EQ(channel->PortHandle() != nullptr, c.keepsHandle);
        channel->Close();
        EXPECT_EQ(win.serial().OpenHandleCount(), 0u);
        win.serial().SetBusy(3, false);
        EXPECT_TRUE(OpenPort(3));
        channel->Close();
    }
    EXPECT_TRUE(window->MessageBoxLog().empty());
}

TEST_F(SerialChannelTest, EveryByteIsOneNotificationInOrderWithThePortNumber) {
    win.serial().AddPort(11, sim::StatusAnsweringPrinter(std::string("\x12\x00\xFF", 3)));
    ASSERT_TRUE(OpenPort(11));
    ASSERT_TRUE(channel->StartMonitor());
    const std::uint8_t query[] = {0x10, 0x04, 0x01};
    channel->Send(query, 3);
    ASSERT_TRUE(window->WaitUntil([&] { return CountOf(WM_SERIAL_BYTE) == 3; }));

    std::vector<Note> bytes;
    for (const Note& n : Notes()) {
        if (n.msg == WM_SERIAL_BYTE) bytes.push_back(n);
    }
    EXPECT_EQ(bytes, (std::vector<Note>{{WM_SERIAL_BYTE, 0x12, 11}, {WM_SERIAL_BYTE, 0x00, 11},
                                        {WM_SERIAL_BYTE, 0xFF, 11}}));
    // The mask read back holds EV_RXFLAG: its notice follows every port event.
    EXPECT_TRUE(window->WaitUntil([&] { return CountOf(WM_SERIAL_EVENT_CHAR) >= 1; }));
    for (std::uint32_t never : {WM_SERIAL_BREAK, WM_SERIAL_CTS, WM_SERIAL_LINE_ERROR, WM_SERIAL_RING}) {
        EXPECT_EQ(CountOf(never), 0u);
    }
    EXPECT_EQ(win.serial().Written(11), std::string("\x10\x04\x01", 3));
}

TEST_F(SerialChannelTest, EachSendPurgesBeforeItWrites) {
    win.serial().AddPort(2);
    ASSERT_TRUE(OpenPort(2, plat::kEvRxChar));
    win.faults().Log().Start();
    ASSERT_TRUE(StartMonitoring(2));
    win.serial().Deliver(2, "stale");
    ASSERT_TRUE(window->WaitUntil([&] { return CountOf(WM_SERIAL_BYTE) == 5; }));
    const std::uint8_t first[] = {'a', 'b'};
    channel->Send(first, 2);
    ASSERT_TRUE(window->WaitUntil([&] { return win.serial().Written(2) == "ab"; }));
    const std::uint8_t second[] = {'c'};
    channel->Send(second, 1);
    ASSERT_TRUE(window->WaitUntil([&] { return win.serial().Written(2) == "abc"; }));
    std::vector<std::string> calls = win.faults().Log().Entries();
    std::erase_if(calls, [](const std::string& op) { return op != "PurgeComm" && op != "WriteFile"; });
    // Once when the monitor starts, then before each write.
    EXPECT_EQ(calls, (std::vector<std::string>{"PurgeComm", "PurgeComm", "WriteFile", "PurgeComm",
                                               "WriteFile"}));
}

TEST_F(SerialChannelTest, SpuriousEmptyEventsDoNotSpin) {
    win.serial().AddPort(5);
    win.serial().SetSpuriousEvents(5, true);
    ASSERT_TRUE(OpenPort(5));
    ASSERT_TRUE(channel->StartMonitor());
    std::this_thread::sleep_for(300ms);
    // A few waits, then the thread only looks after each pause; re-arming
    // at once would be thousands.
    EXPECT_LE(win.serial().WaitCommEventCount(5), CSerialSession::kEmptyEventsBeforePolling + 1);
    EXPECT_GE(win.faults().CallCount("ClearCommError"), 300 / 30 / 2) << "it still looks";
    EXPECT_EQ(CountOf(WM_SERIAL_EVENT_CHAR), 0u) << "an empty event is no port event";
    // A byte still gets through.
    win.serial().Deliver(5, "x");
    EXPECT_TRUE(window->WaitUntil([&] { return CountOf(WM_SERIAL_BYTE) == 1; }));
}

// The report is a box of its own, owned by no window: the owner's thread
// never waits in it for the monitor thread.
TEST_F(SerialChannelTest, AFailedReadIsReportedOnceAndNotRetriedAtOnce) {
    win.serial().AddPort(3);
    win.serial().SetMessageText(1117, std::string(400, 'x'));
    ui.SetAutoAnswer(plat::kIdOk);
    ASSERT_TRUE(OpenPort(3));
    ASSERT_TRUE(StartMonitoring(3));
    win.FailNext("ReadFile", 1117);
    win.serial().Deliver(3, "z");
    ASSERT_TRUE(window->WaitUntil([&] { return !ui.UnownedBoxes().empty(); }));
    std::this_thread::sleep_for(100ms);

    EXPECT_TRUE(window->MessageBoxLog().empty());
    const std::vector<sim::MessageBoxInfo> boxes = ui.UnownedBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, kSerialErrorCaption);
    EXPECT_EQ(boxes[0].type, plat::kMbIconError);
    // The long system text is cut to the report's 200 characters.
    EXPECT_EQ(boxes[0].text, "WARNING:  ReadFile() Failed with the following error: \n" +
                                 std::string(199 - 55, 'x'));
    EXPECT_EQ(win.faults().CallCount("ReadFile"), 1);
    EXPECT_EQ(CountOf(WM_SERIAL_BYTE), 0u);
}

TEST_F(SerialChannelTest, ReportNamesTheOperationTheErrorAndThePort) {
    win.serial().AddPort(7);
    ui.SetAutoAnswer(plat::kIdOk);
    ASSERT_TRUE(OpenPort(7));
    ASSERT_TRUE(channel->StartMonitor());
    win.FailNext("WriteFile", 31);
    const std::uint8_t query[] = {0x1B, 0x21, 0x3F};
    channel->Send(query, 3);
    ASSERT_TRUE(window->WaitUntil([&] { return !ui.UnownedBoxes().empty(); }));
    EXPECT_EQ(ui.UnownedBoxes()[0].text,
              "WARNING:  WriteFile() Failed with the following error: \n"
              "A device attached to the system is not functioning.\r\n\nPort: 7\n");
}

TEST_F(SerialChannelTest, CloseFromTheOwnersHandlerOfANotificationReturnsAtOnce) {
    win.serial().AddPort(6);
    // The worst moment: the monitor waits in its send to the very thread
    // that closes. Many rounds, each closing on the first byte.
    for (int round = 0; round < 8; ++round) {
        SCOPED_TRACE(round);
        std::atomic<bool> closed{false};
        std::atomic<long long> closeMs{-1};
        std::size_t notesAtClose = 0;
        onNote = [&](std::uint32_t msg) {
            if (msg != WM_SERIAL_BYTE || closed) return;
            closed = true;
            const auto start = std::chrono::steady_clock::now();
            channel->Close();
            closeMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                          std::chrono::steady_clock::now() - start)
                          .count();
            notesAtClose = notes.size();  // the caller holds the lock
        };
        ASSERT_TRUE(OpenPort(6));
        ASSERT_TRUE(StartMonitoring(6));
        win.serial().Deliver(6, std::string(50, 'r'));
        ASSERT_TRUE(window->WaitUntil([&] { return closeMs.load() >= 0; }));
        EXPECT_LT(closeMs.load(), 1000);
        EXPECT_EQ(channel->PortHandle(), nullptr);
        // The let-go thread ends by itself and closes what it held.
        EXPECT_TRUE(window->WaitUntil([&] { return win.serial().OpenHandleCount() == 0; }));
        EXPECT_EQ(Notes().size(), notesAtClose) << "nothing arrives after Close";
        onNote = nullptr;
        std::lock_guard<std::mutex> lock(mutex);
        notes.clear();
    }
}

TEST_F(SerialChannelTest, CloseOnTheOwnersThreadWhileBytesFloodServesTheMonitor) {
    win.serial().AddPort(8);
    for (int round = 0; round < 10; ++round) {
        SCOPED_TRACE(round);
        ASSERT_TRUE(OpenPort(8));
        ASSERT_TRUE(StartMonitoring(8));
        win.serial().Deliver(8, std::string(2000, 'f'));
        std::atomic<bool> done{false};
        owner.onTimer = [&](std::uintptr_t) {
            channel->Close();
            done = true;
        };
        ASSERT_TRUE(window->WaitUntil([&] { return CountOf(WM_SERIAL_BYTE) > 0; }));
        window->SetTimer(9, 1);
        ASSERT_TRUE(window->FireTimer(9));
        ASSERT_TRUE(window->WaitUntil([&] { return done.load(); }, 3s));
        EXPECT_FALSE(win.serial().IsOpen(8)) << "the handshake ended with the port closed";
        EXPECT_EQ(win.serial().OpenHandleCount(), 0u);
        owner.onTimer = nullptr;
        std::lock_guard<std::mutex> lock(mutex);
        notes.clear();
    }
}

TEST_F(SerialChannelTest, CloseWithoutMonitorAndDestructionWithOneRunning) {
    win.serial().AddPort(1);
    channel->Close();  // never opened
    ASSERT_TRUE(OpenPort(1));
    channel->Close();  // no monitor started
    EXPECT_FALSE(win.serial().IsOpen(1));
    ASSERT_TRUE(OpenPort(1));
    ASSERT_TRUE(channel->StartMonitor());
    ASSERT_TRUE(OpenPort(1)) << "a second open stops the first and reopens the port";
    ASSERT_TRUE(channel->StartMonitor());
    channel.reset();
    EXPECT_EQ(win.serial().OpenHandleCount(), 0u);
}

}  // namespace
