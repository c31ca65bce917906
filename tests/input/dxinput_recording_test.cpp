// What DXInput passes to the platform, in which order, and what it does after
// each kind of failure, checked against a recording platform.
#include <gtest/gtest.h>

#include <climits>

#include "input/DXInput.h"
#include "tests/support/Checks.h"
#include "tests/support/RecordingPlatform.h"

namespace vexo::test {
namespace {

constexpr HWND kWindow = 0x1234;

bool StartsWith(const std::string& s, const std::string& p) { return s.rfind(p, 0) == 0; }
bool Contains(const std::string& s, const std::string& p) { return s.find(p) != std::string::npos; }

class DXInputRecording : public ::testing::Test {
   protected:
    void SetUp() override { platform.AddWindow(kWindow, RECT{0, 0, 640, 480}, 640, 480); }

    RecordingPlatform platform;
    ScopedPlatform scope{platform};
    State& rec = *platform.st;
};

// The calls one joystick slot makes when everything succeeds.
std::vector<std::string> SlotCalls(int diNo, int enumNo, int itemNo, int joyNo, int slot,
                                   const std::string& guid, HWND hwnd) {
    const std::string di = "di" + std::to_string(diNo), en = "enum" + std::to_string(enumNo),
                      item = "item" + std::to_string(itemNo), joy = "joy" + std::to_string(joyNo);
    return {
        "DX.DirectInputCreate()",
        di + ".GetDIEnumDevices(4, 1)",
        en + ".GetItem(" + std::to_string(slot + 1) + ")",
        item + ".GetGuidInstance()",
        "~" + item,
        di + ".CreateDevice(" + guid + ")",
        joy + ".SetCommonDataFormat(3)",
        joy + ".SetCooperativeLevel(" + std::to_string(hwnd) + ", 10)",
        joy + ".SetProperty(DIPROP_DEADZONE, long size=20 header=0 obj=0 how=1 data=1000)",
        joy + ".SetProperty(DIPROP_DEADZONE, long size=20 header=0 obj=4 how=1 data=1000)",
        joy + ".SetProperty(DIPROP_SATURATION, long size=20 header=0 obj=0 how=1 data=9000)",
        joy + ".SetProperty(DIPROP_SATURATION, long size=20 header=0 obj=4 how=1 data=9000)",
        joy + ".SetProperty(DIPROP_RANGE, range size=24 header=0 obj=0 how=0 min=0 max=65535)",
        "Host.DoEvents()",
        joy + ".Acquire()",
        joy + ".GetDeviceStateJoystick()",
        joy + ".Poll()",
        "Host.DoEvents()",
    };
}

TEST_F(DXInputRecording, CreationMakesOnlyTheRootAndDestructionReleasesEverythingWithoutClosing) {
    {
        DXInput in;
        EXPECT_EQ(rec.log, (std::vector<std::string>{"Host.CreateDirectX7()"}));
        EXPECT_EQ(rec.AliveTotal(), 1);
        rec.joysticks = {"{J1}"};
        in.DIKeyBordSetup(kWindow);
        EXPECT_EQ(in.DIJoyStickSetup(1, kWindow), 0);
        EXPECT_EQ(rec.AliveTotal(), 6);  // root, keyboard input + device, joystick input + enumeration + device
        rec.log.clear();
    }
    EXPECT_EQ(rec.AliveTotal(), 0);
    // Nothing but releases: no Unacquire, no other call.
    for (auto& e : rec.log) EXPECT_TRUE(StartsWith(e, "~")) << e;
    EXPECT_EQ(rec.log.size(), 6u);
}

TEST_F(DXInputRecording, KeyboardSetupCallsInOrderAndRaisesTheFirstFailureKeepingEarlierSteps) {
    DXInput in;
    in.DIKeyBordSetup(kWindow);
    EXPECT_EQ(rec.log,
              (std::vector<std::string>{"Host.CreateDirectX7()", "DX.DirectInputCreate()",
                                        "di1.CreateDevice(GUID_SysKeyboard)", "kbd2.SetCommonDataFormat(1)",
                                        "kbd2.SetCooperativeLevel(4660, 10)", "kbd2.Acquire()"}));

    // A second set-up whose cooperative level fails: the error reaches the
    // caller, the first objects are gone, the new ones stay and are read.
    rec.ClearFailures();
    rec.FailWhen([](const std::string& c) {
        return Contains(c, "SetCooperativeLevel") ? status::DIERR_HANDLE : 0;
    });
    rec.log.clear();
    EXPECT_EQ(ErrorOf([&] { in.DIKeyBordSetup(999); }), status::DIERR_HANDLE);
    EXPECT_EQ(rec.log, (std::vector<std::string>{
                           "DX.DirectInputCreate()", "~di1", "di3.CreateDevice(GUID_SysKeyboard)", "~kbd2",
                           "kbd4.SetCommonDataFormat(1)", "kbd4.SetCooperativeLevel(999, 10)"}));
    rec.ClearFailures();
    rec.log.clear();
    rec.keys.key[57] = 0x80;
    EXPECT_EQ(in.DIUpdate(), ERR_SUBSCRIPT);  // no joystick tables yet
    EXPECT_EQ(rec.log, (std::vector<std::string>{"kbd4.GetDeviceStateKeyboard()"}));
    EXPECT_EQ(in.DIGetKeyState(57), 1);
}

TEST_F(DXInputRecording, JoystickSetupCallsEveryStepWithTheRecordsInOrder) {
    DXInput in;
    rec.joysticks = {"{J1}", "{J2}"};
    rec.log.clear();
    EXPECT_EQ(in.DIJoyStickSetup(2, kWindow), 0);
    std::vector<std::string> expected = SlotCalls(1, 2, 3, 4, 0, "{J1}", kWindow);
    auto slot1 = SlotCalls(5, 6, 7, 8, 1, "{J2}", kWindow);
    expected.insert(expected.end(), slot1.begin(), slot1.end());
    EXPECT_EQ(rec.log, expected);

    // The snapshot taken during set-up is what the readers see.
    rec.joyStates["{J1}"].x = 50000;
    rec.joyStates["{J2}"].y = 100;
    EXPECT_EQ(in.DIJoyStickSetup(2, kWindow), 0);
    EXPECT_EQ(in.DIGetX(0), 1);
    EXPECT_EQ(in.DIGetY(1), -1);
}

TEST_F(DXInputRecording, StepSevenReportsOnlyTheFourNumbersAndTheCurrentErrorCarriesAcrossSlots) {
    rec.joysticks = {"{J1}", "{J2}"};
    // A failing Y dead zone at slot 0.
    for (int32_t st : {int32_t(5), int32_t(445), status::hr(0x80070015), status::hr(0x80070002)}) {
        DXInput in;
        rec.ClearFailures();
        rec.FailWhen([st](const std::string& c) {
            return Contains(c, "DEADZONE") && Contains(c, "obj=4") ? st : 0;
        });
        EXPECT_EQ(in.DIJoyStickSetup(1, kWindow), st);
    }
    for (int32_t st : {status::DIERR_INVALIDPARAM, int32_t(6), status::DIERR_NOTACQUIRED, int32_t(91)}) {
        DXInput in;
        rec.ClearFailures();
        rec.FailWhen([st](const std::string& c) { return Contains(c, "DEADZONE") ? st : 0; });
        EXPECT_EQ(in.DIJoyStickSetup(1, kWindow), 0) << st;
    }
    {
        // A failure after step 7 of the last slot is not reported...
        DXInput in;
        rec.ClearFailures();
        rec.FailWhen([](const std::string& c) { return Contains(c, "Acquire") ? 5 : 0; });
        EXPECT_EQ(in.DIJoyStickSetup(1, kWindow), 0);
    }
    {
        // ...but the current error survives into the next slot, whose step 7
        // reports it although nothing failed there.
        rec.ResetNames("input");
        DXInput in;
        rec.ClearFailures();
        rec.FailWhen([](const std::string& c) { return c == "joy4.Poll()" ? status::hr(0x80070002) : 0; });
        EXPECT_EQ(in.DIJoyStickSetup(2, kWindow), status::hr(0x80070002));
    }
    {
        // A newer unlisted failure replaces the current error: the result
        // keeps slot 0's number, slot 1 does not overwrite it.
        rec.ResetNames("input");
        DXInput in;
        rec.ClearFailures();
        rec.FailWhen([](const std::string& c) {
            if (c == "joy4.SetProperty(DIPROP_RANGE, range size=24 header=0 obj=0 how=0 min=0 max=65535)")
                return 445;
            if (StartsWith(c, "joy8.SetCooperativeLevel")) return int(status::DIERR_INVALIDPARAM);
            return 0;
        });
        EXPECT_EQ(in.DIJoyStickSetup(2, kWindow), 445);
    }
}

TEST_F(DXInputRecording, MissingJoystickLeavesItsSlotEmptyAndUnreported) {
    DXInput in;
    rec.joysticks = {"{J1}"};
    rec.joyStates["{J1}"].x = 65535;
    rec.joyStates["{J1}"].buttons[0] = 0x80;
    EXPECT_EQ(in.DIJoyStickSetup(2, kWindow), 0);
    // Slot 1: the item is missing, so no device; the later steps fail on the
    // empty slot (91) and are skipped, messages are still processed twice.
    auto slot1 =
        rec.Filtered([](const std::string& e) { return StartsWith(e, "di5") || StartsWith(e, "enum6"); });
    EXPECT_EQ(slot1, (std::vector<std::string>{"di5.GetDIEnumDevices(4, 1)", "enum6.GetItem(2)"}));
    EXPECT_EQ(rec.doEvents, 4);
    EXPECT_EQ(in.DIGetX(0), 1);
    EXPECT_EQ(in.DIGetButton(0, 0), 0x80);
    EXPECT_EQ(in.DIGetX(1), -1);
    EXPECT_EQ(in.DIGetY(1), -1);
    EXPECT_EQ(in.DIGetButton(1, 0), 0);
    // The update skips the empty slot.
    rec.log.clear();
    EXPECT_EQ(in.DIUpdate(), 0);
    EXPECT_EQ(rec.log, (std::vector<std::string>{"joy4.GetDeviceStateJoystick()", "joy4.Poll()"}));
}

TEST_F(DXInputRecording, UpdateStopsAtTheFirstFailureKeepingWhatWasRead) {
    DXInput in;
    rec.joysticks = {"{J1}", "{J2}"};
    rec.joyStates["{J1}"].x = 65535;
    rec.joyStates["{J2}"].x = 65535;
    in.DIKeyBordSetup(kWindow);
    EXPECT_EQ(in.DIJoyStickSetup(2, kWindow), 0);
    rec.keys.key[1] = 0x80;
    rec.joyStates["{J1}"].x = 0;
    rec.joyStates["{J2}"].x = 0;
    rec.ClearFailures();
    rec.FailWhen([](const std::string& c) { return c == "joy6.Poll()" ? status::DIERR_INPUTLOST : 0; });
    rec.log.clear();
    EXPECT_EQ(in.DIUpdate(), status::DIERR_INPUTLOST);
    EXPECT_EQ(rec.log, (std::vector<std::string>{"kbd2.GetDeviceStateKeyboard()",
                                                 "joy6.GetDeviceStateJoystick()", "joy6.Poll()"}));
    EXPECT_EQ(in.DIGetKeyState(1), 1);
    EXPECT_EQ(in.DIGetX(0), -1);  // read before the failing poll
    EXPECT_EQ(in.DIGetX(1), 1);   // never reached: keeps the set-up's snapshot
}

TEST_F(DXInputRecording, CloseReleasesInOrderWithoutUnacquiringAndKeepsTheSnapshot) {
    DXInput in;
    rec.joysticks = {"{J1}"};
    in.DIKeyBordSetup(kWindow);
    rec.joyStates["{J1}"].x = 65535;
    rec.keys.key[28] = 0x80;
    EXPECT_EQ(in.DIJoyStickSetup(1, kWindow), 0);
    EXPECT_EQ(in.DIUpdate(), 0);
    rec.log.clear();
    in.DIClose();
    EXPECT_EQ(rec.log, (std::vector<std::string>{"~di1", "~kbd2", "~di3", "~enum4", "~joy6"}));
    EXPECT_EQ(rec.AliveTotal(), 1);  // the root stays
    rec.log.clear();
    rec.keys.key[28] = 0;
    EXPECT_EQ(in.DIUpdate(), 0);
    EXPECT_TRUE(rec.log.empty());
    EXPECT_EQ(in.DIGetKeyState(28), 1);
    EXPECT_EQ(in.DIGetX(0), 1);
    // Closing twice is harmless.
    in.DIClose();
    EXPECT_EQ(rec.AliveTotal(), 1);
}

TEST_F(DXInputRecording, JoystickCountUsesTwoObjectsItReleasesAndRaisesFailures) {
    DXInput in;
    rec.joysticks = {"{A}", "{B}", "{C}"};
    rec.log.clear();
    EXPECT_EQ(in.DIJoyStickCount(), 3);
    EXPECT_EQ(rec.log, (std::vector<std::string>{"DX.DirectInputCreate()", "di1.GetDIEnumDevices(4, 1)",
                                                 "enum2.GetCount()", "~enum2", "~di1"}));
    rec.ClearFailures();
    rec.FailWhen([](const std::string& c) {
        return Contains(c, "GetDIEnumDevices") ? status::DIERR_NOTINITIALIZED : 0;
    });
    EXPECT_EQ(ErrorOf([&] { in.DIJoyStickCount(); }), status::DIERR_NOTINITIALIZED);
    EXPECT_EQ(rec.AliveTotal(), 1);
}

TEST_F(DXInputRecording, CountsOfZeroOrLessAndHugeCountsKeepTheTables) {
    DXInput in;
    // Fresh: no tables, JoyLast 0, so the update visits slot 0 and fails.
    EXPECT_EQ(in.DIUpdate(), ERR_SUBSCRIPT);
    EXPECT_EQ(ErrorOf([&] { in.DIGetX(0); }), ERR_SUBSCRIPT);
    // A count of INT_MIN cannot even compute its last slot: JoyLast stays 0.
    EXPECT_EQ(in.DIJoyStickSetup(INT_MIN, kWindow), 0);
    EXPECT_EQ(in.DIUpdate(), ERR_SUBSCRIPT);
    // A count of 0 visits no slot, so the update succeeds without tables.
    EXPECT_EQ(in.DIJoyStickSetup(0, kWindow), 0);
    EXPECT_EQ(in.DIUpdate(), 0);

    rec.joysticks = {"{J1}", "{J2}"};
    rec.joyStates["{J2}"].x = 65535;
    EXPECT_EQ(in.DIJoyStickSetup(2, kWindow), 0);
    const int live = rec.AliveTotal();
    rec.log.clear();
    // 0 and below leave the old tables and their objects alone.
    EXPECT_EQ(in.DIJoyStickSetup(-5, kWindow), 0);
    EXPECT_TRUE(rec.log.empty());
    EXPECT_EQ(rec.AliveTotal(), live);
    EXPECT_EQ(in.DIGetX(1), 1);
    EXPECT_EQ(in.DIUpdate(), 0);  // JoyLast -6: no slot visited
    EXPECT_TRUE(rec.log.empty());

    // A count no table can hold: the old tables stay, their two slots are
    // set up again, and the call returns promptly.
    EXPECT_EQ(in.DIJoyStickSetup(INT_MAX, kWindow), 0);
    EXPECT_EQ(in.DIGetX(1), 1);
    EXPECT_EQ(ErrorOf([&] { in.DIGetX(2); }), ERR_SUBSCRIPT);
    EXPECT_EQ(in.DIUpdate(), ERR_SUBSCRIPT);  // slots 0 and 1 read, slot 2 does not exist
    in.DIClose();
    EXPECT_EQ(rec.AliveTotal(), 1);
}

TEST_F(DXInputRecording, ReentrantSetupFromMessageProcessingIsSafe) {
    DXInput in;
    rec.joysticks = {"{J1}", "{J2}"};
    int depth = 0;
    rec.onDoEvents = [&] {
        // Application code runs inside the set-up and shrinks the tables.
        if (depth++ == 0) in.DIJoyStickSetup(1, kWindow);
    };
    EXPECT_EQ(in.DIJoyStickSetup(2, kWindow), 0);
    rec.onDoEvents = nullptr;
    EXPECT_EQ(ErrorOf([&] { in.DIGetX(1); }), ERR_SUBSCRIPT);
    EXPECT_EQ(in.DIUpdate(), 0);
}

}  // namespace
}  // namespace vexo::test
