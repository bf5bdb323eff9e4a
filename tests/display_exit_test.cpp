// Ending a run: which input asks to end it, the half-second debounce, the
// password dialog, and the state left behind on every path.
#include <gtest/gtest.h>

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

enum class Input { Key, Button, Close, Move };

void Send(DisplayForm& form, Input input, int times = 1) {
    for (int i = 0; i < times; ++i) {
        switch (input) {
            case Input::Key: form.Form_KeyPress(); break;
            case Input::Button: form.Form_MouseDown(); break;
            case Input::Close: form.Form_CloseRequest(); break;
            case Input::Move: form.Form_MouseMove(); break;
        }
    }
}

TEST(ExitInput, WhatEndsTheRun) {
    const struct {
        const char* what;
        bool preview;
        Input input;
        int times;
        float at;
        bool ends;
    } rows[] = {
        {"key", false, Input::Key, 1, 100.5f, true},
        {"key inside the quiet half second", false, Input::Key, 1, 100.4f, false},
        {"button", false, Input::Button, 1, 100.5f, true},
        {"button inside the half second", false, Input::Button, 1, 100.4f, false},
        {"close request", false, Input::Close, 1, 100.5f, true},
        {"close request inside the half second", false, Input::Close, 1, 100.4f, false},
        {"seventh move", false, Input::Move, 7, 200, false},
        {"eighth move", false, Input::Move, 8, 200, true},
        {"eighth move inside the half second", false, Input::Move, 8, 100.2f, false},
        {"preview: key", true, Input::Key, 1, 200, false},
        {"preview: button", true, Input::Button, 1, 200, false},
        {"preview: 40000 moves", true, Input::Move, 40000, 200, false},
        {"preview: a close request, at once", true, Input::Close, 1, 100.1f, true},
    };
    for (const auto& r : rows) {
        ExitRig rig(false, r.preview);
        rig.platform.now = r.at;
        Send(rig.form, r.input, r.times);
        EXPECT_EQ(rig.unloaded, r.ends) << r.what;
        if (!r.preview && !r.ends) {
            // The next request after the quiet half second ends the run.
            rig.platform.now = r.at + 0.5f;
            Send(rig.form, r.input);
            EXPECT_TRUE(rig.unloaded) << r.what << ", then once more";
        }
        if (!r.preview) {
            EXPECT_EQ(rig.Calls(), (std::vector<std::string>{"Unload", "ShowCursor", "SaverRunning 0"})) << r.what;
            EXPECT_EQ(rig.platform.cursorCount, 0) << r.what;
            EXPECT_EQ(rig.platform.LiveObjects(), 0u) << r.what;
            EXPECT_EQ(rig.form.sngLastExitRequest(), 100.0f) << "not written without a password";
        }
    }
}

TEST(ExitDebounce, ClockEdges) {
    const struct {
        float last, first, second;
        bool handled;
    } rows[] = {
        {100.0f, 100.0f, 100.0f, false},        // the same reading as the load
        {100.0f, 100.49f, 100.49f, false},      {100.0f, 100.5f, 100.5f, true},
        {86399.8f, 0.1f, 0.1f, true},           // just after midnight: handled at once
        {86399.8f, 86399.9f, 86399.9f, false},
        {86399.8f, 86399.9f, 86400.3f, true},   // the second reading decides the half second
    };
    for (const auto& r : rows) {
        ExitRig rig(false, false, r.last);
        rig.platform.clockReadings = {r.first, r.second};
        rig.form.Form_KeyPress();
        EXPECT_EQ(rig.unloaded, r.handled) << r.last << " " << r.first << " " << r.second;
    }
}

TEST(ExitPassword, ARefusalKeepsTheRunAndRestartsTheQuietTime) {
    ExitRig rig(true);
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
    Send(rig.form, Input::Move, 8);
    EXPECT_TRUE(rig.Calls().empty());
    rig.platform.now = 101.8f;
    rig.platform.passwordAccepts = true;
    rig.form.Form_MouseMove();
    EXPECT_TRUE(rig.unloaded);
    EXPECT_EQ(rig.Calls(), (std::vector<std::string>{"ShowCursor", "VerifyScreenSavePwd", "Unload", "ShowCursor",
                                                     "SaverRunning 0", "HideCursor"}));
    // Hidden at load, shown and hidden around each dialog, shown at unload.
    EXPECT_EQ(rig.platform.cursorCount, 0);
    EXPECT_FALSE(rig.platform.saverRunning);
    EXPECT_EQ(rig.platform.LiveObjects(), 0u);
}

}  // namespace
}  // namespace tovra
