// Ending a run: which input asks to end it, the half-second debounce, the
// password dialog, and the state left behind on every path.
#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include "automaton/Random.h"
#include "display/DisplayForm.h"
#include "settings/SettingsStore.h"
#include "support/DisplayFakes.h"

namespace tovra {
namespace {

using test::FakeDisplayPlatform;

// A form loaded at 100 s past midnight, with the runtime's unload wired in.
struct ExitRig {
    FakeDisplayPlatform platform;
    MemorySettingsStore store;
    RuntimeRandom random{3};
    bool preview = false;
    DisplayForm form{platform, store, random, preview};
    bool unloaded = false;

    explicit ExitRig(bool password = false, bool asPreview = false, float loadTime = 100.0f) {
        preview = asPreview;
        platform.now = loadTime;
        platform.regValue = password ? "1" : "0";
        platform.onUnload = [this] {
            unloaded = true;
            form.Form_QueryUnload();
            form.Form_Unload();
        };
        form.Form_Load();
        platform.journal.clear();
    }
    // The events after the load, without the drawing and timer noise.
    std::vector<std::string> Calls() const {
        std::vector<std::string> out;
        for (const auto& e : platform.journal)
            if (e.rfind("Delete", 0) != 0 && e.rfind("StopTimer", 0) != 0) out.push_back(e);
        return out;
    }
};

TEST(ExitInput, KeysButtonsAndCloseRequestsEndTheRunAfterTheQuietHalfSecond) {
    for (int input = 0; input < 3; ++input) {
        ExitRig rig;
        auto press = [&] {
            input == 0 ? rig.form.Form_KeyPress() : input == 1 ? rig.form.Form_MouseDown() : rig.form.Form_CloseRequest();
        };
        rig.platform.now = 100.4f;
        press();
        EXPECT_FALSE(rig.unloaded) << "inside the half second";
        rig.platform.now = 100.5f;
        press();
        EXPECT_TRUE(rig.unloaded) << "at the half second";
        EXPECT_EQ(rig.Calls(), (std::vector<std::string>{"Unload", "ShowCursor", "SaverRunning 0"}));
        EXPECT_EQ(rig.form.sngLastExitRequest(), 100.0f);  // not written without a password
    }
}

TEST(ExitInput, EighthMouseMoveEndsTheRun) {
    ExitRig rig;
    rig.platform.now = 200.0f;
    for (int i = 0; i < 7; ++i) rig.form.Form_MouseMove();
    EXPECT_FALSE(rig.unloaded);
    rig.form.Form_MouseMove();
    EXPECT_TRUE(rig.unloaded);
}

TEST(ExitInput, EarlyEighthMoveIsIgnoredAndTheNextOneCounts) {
    ExitRig rig;
    rig.platform.now = 100.2f;
    for (int i = 0; i < 8; ++i) rig.form.Form_MouseMove();
    EXPECT_FALSE(rig.unloaded);
    rig.platform.now = 100.7f;
    rig.form.Form_MouseMove();
    EXPECT_TRUE(rig.unloaded);
}

TEST(ExitInput, PreviewCountsButNeverEnds) {
    ExitRig rig(true, true);
    rig.platform.now = 5000.0f;
    for (int i = 0; i < 40000; ++i) rig.form.Form_MouseMove();
    rig.form.Form_KeyPress();
    rig.form.Form_MouseDown();
    EXPECT_FALSE(rig.unloaded);
    EXPECT_GE(rig.form.intMouseMoves(), 8);
    EXPECT_TRUE(rig.Calls().empty());
    rig.form.Form_CloseRequest();
    EXPECT_TRUE(rig.unloaded);
}

TEST(ExitDebounce, ClockEdges) {
    struct Case {
        float last, first, second;
        bool handled;
    };
    const Case cases[] = {
        {100.0f, 100.0f, 100.0f, false},      // same reading as the load
        {100.0f, 100.49f, 100.49f, false},
        {100.0f, 100.5f, 100.5f, true},
        {86399.8f, 0.1f, 0.1f, true},         // just after midnight: handled at once
        {86399.8f, 86399.9f, 86399.9f, false},
        {86399.8f, 86399.9f, 86400.3f, true}, // the second reading decides the half second
    };
    for (const auto& c : cases) {
        ExitRig rig(false, false, c.last);
        rig.platform.clockReadings = {c.first, c.second};
        rig.form.Form_KeyPress();
        EXPECT_EQ(rig.unloaded, c.handled) << c.last << " " << c.first << " " << c.second;
    }
}

TEST(ExitPassword, RefusedDialogKeepsTheRunAndRestartsTheQuietTime) {
    ExitRig rig(true);
    rig.platform.passwordAccepts = false;
    rig.platform.clockReadings = {101.0f, 101.0f, 101.25f};  // two for the debounce, one after the dialog
    // A close request while the dialog is open opens no second one.
    rig.platform.now = 101.1f;
    bool closeSent = false;
    rig.platform.duringVerify = [&] { if (!std::exchange(closeSent, true)) rig.form.Form_CloseRequest(); };
    rig.form.Form_MouseDown();
    EXPECT_FALSE(rig.unloaded);
    EXPECT_EQ(rig.Calls(), (std::vector<std::string>{"ShowCursor", "VerifyScreenSavePwd", "HideCursor"}));
    EXPECT_EQ(rig.form.sngLastExitRequest(), 101.25f);
    EXPECT_EQ(rig.platform.cursorCount, -1);  // still hidden, once

    // Quiet for half a second after the dialog, then the very next move asks again.
    rig.platform.journal.clear();
    rig.platform.now = 101.5f;
    for (int i = 0; i < 8; ++i) rig.form.Form_MouseMove();
    EXPECT_TRUE(rig.Calls().empty());
    rig.platform.now = 101.8f;
    rig.platform.passwordAccepts = true;
    rig.form.Form_MouseMove();
    EXPECT_TRUE(rig.unloaded);
}

TEST(ExitPassword, AcceptedDialogUnloadsThenFinishesItsSteps) {
    ExitRig rig(true);
    rig.platform.passwordAccepts = true;
    rig.platform.now = 102.0f;
    rig.form.Form_KeyPress();
    EXPECT_TRUE(rig.unloaded);
    EXPECT_EQ(rig.Calls(), (std::vector<std::string>{"ShowCursor", "VerifyScreenSavePwd", "Unload", "ShowCursor",
                                                     "SaverRunning 0", "HideCursor"}));
    EXPECT_EQ(rig.form.sngLastExitRequest(), 102.0f);
    // Hidden once at load, shown and hidden around the dialog, shown at unload.
    EXPECT_EQ(rig.platform.cursorCount, 0);
    EXPECT_FALSE(rig.platform.saverRunning);
}

TEST(ExitState, EveryPathLeavesTheCursorShownAndTheFlagCleared) {
    // No password; password accepted at once; refused twice then accepted.
    for (int path = 0; path < 3; ++path) {
        ExitRig rig(path > 0);
        rig.platform.passwordAccepts = path == 1;
        float t = 101.0f;
        for (int attempt = 0; attempt < 3 && !rig.unloaded; ++attempt, t += 1.0f) {
            if (path == 2 && attempt == 2) rig.platform.passwordAccepts = true;
            rig.platform.now = t;
            rig.form.Form_KeyPress();
        }
        EXPECT_TRUE(rig.unloaded) << path;
        EXPECT_EQ(rig.platform.cursorCount, 0) << path;
        EXPECT_FALSE(rig.platform.saverRunning) << path;
        EXPECT_EQ(rig.platform.LiveObjects(), 0u) << path;
    }
}

}  // namespace
}  // namespace tovra
