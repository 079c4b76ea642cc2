// Serial devices and events as the serial channel relies on them; the ports
// themselves need a device behind them and are checked end to end.
#include "contract_support.h"

namespace contract {
namespace {

class SerialContract : public ContractTest {
protected:
    plat::ISerial& Serial() { return P().serial; }
};

TEST_F(SerialContract, SettingsTextSetsRateParityDataAndStopBits) {
    struct Case {
        const char* text;
        std::uint32_t baud;
        std::uint8_t parity, byteSize, stopBits;
    };
    for (const Case& c : {Case{"baud=9600 parity=N data=8 stop=1", 9600, 0, 8, 0},
                          Case{"baud=115200 parity=E data=7 stop=2", 115200, 2, 7, 2},
                          Case{"baud=300 parity=O data=8 stop=1", 300, 1, 8, 0}}) {
        SCOPED_TRACE(c.text);
        plat::CommState state;
        state.evtChar = 'q';
        state.fRtsControl = plat::kRtsControlEnable;
        ASSERT_TRUE(Serial().BuildCommDCBA(c.text, &state));
        EXPECT_EQ(state.baudRate, c.baud);
        EXPECT_EQ(state.parity, c.parity);
        EXPECT_EQ(state.byteSize, c.byteSize);
        EXPECT_EQ(state.stopBits, c.stopBits);
        EXPECT_EQ(state.evtChar, 'q') << "what the text does not name stays";
        EXPECT_EQ(state.fRtsControl, plat::kRtsControlEnable);
    }
    plat::CommState state;
    EXPECT_FALSE(Serial().BuildCommDCBA("baud=9600 parity=X data=8 stop=1", &state));
}

TEST_F(SerialContract, APortWithoutDeviceCannotBeOpened) {
    auto got = Call(System(), [&] {
        return Serial().CreateFileA("\\\\.\\COM250", plat::kGenericRead | plat::kGenericWrite, 0,
                                    plat::kOpenExisting, plat::kFileFlagOverlapped);
    });
    EXPECT_TRUE(got.value == plat::kInvalidHandleValue && got.lastError == plat::err::kFileNotFound)
        << "last error " << got.lastError;
}

TEST_F(SerialContract, WaitingOnEventsLowestSignalledWinsAndTimeoutsAreBounded) {
    plat::Handle events[3] = {Serial().CreateEventA(true, false), Serial().CreateEventA(true, false),
                              Serial().CreateEventA(true, false)};
    for (plat::Handle e : events) ASSERT_NE(e, nullptr);
    EXPECT_EQ(Serial().WaitForMultipleObjects(3, events, false, 10), plat::kWaitTimeout);
    ASSERT_TRUE(Serial().SetEvent(events[2]));
    ASSERT_TRUE(Serial().SetEvent(events[1]));
    EXPECT_EQ(Serial().WaitForMultipleObjects(3, events, false, 0), plat::kWaitObject0 + 1);
    EXPECT_EQ(Serial().WaitForMultipleObjects(3, events, false, 0), plat::kWaitObject0 + 1)
        << "a manual-reset event stays signalled";
    ASSERT_TRUE(Serial().ResetEvent(events[1]));
    EXPECT_EQ(Serial().WaitForMultipleObjects(3, events, false, 0), plat::kWaitObject0 + 2);
    for (plat::Handle e : events) EXPECT_TRUE(Serial().CloseHandle(e));
    auto again = Call(System(), [&] { return Serial().CloseHandle(events[0]); });
    EXPECT_FAILED_WITH(again, false, plat::err::kInvalidHandle);
}

}  // namespace
}  // namespace contract
