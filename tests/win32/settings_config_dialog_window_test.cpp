// The configuration dialog's window on the real platform: its frame, its
// controls and their places, and the messages that drive it (focus moves,
// buttons, keys), against an in-memory store.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "settings/SettingsStore.h"
#include "settings/win32/Win32ConfigDialog.h"
#include "shell/win32/Win32Runtime.h"

namespace tovra {
namespace {

const std::string kApp = "SCRNSAVE:Tovra Screensaver";

int unloadedCount = 0;
void CountUnload() { ++unloadedCount; }

std::string Text(HWND window) {
    wchar_t buffer[256] = {};
    // WM_GETTEXT, which also reads controls of another process.
    SendMessageW(window, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(buffer));
    std::string out;
    for (const wchar_t* p = buffer; *p != 0; ++p) out += *p < 128 ? static_cast<char>(*p) : '?';
    return out;
}

void Pump() {
    MSG msg;
    for (int round = 0; round < 3; ++round) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(10);
    }
}

struct Harness {
    MemorySettingsStore store;
    std::vector<std::string> messages;
    Win32ConfigDialog dialog{GetModuleHandleW(nullptr), store, &CountUnload,
                             [this](HWND, const std::string& text, const std::string& title) {
                                 messages.push_back(title + ": " + text);
                             }};
    Harness() { unloadedCount = 0; }
    void LoadAndShow() {
        ASSERT_TRUE(dialog.Load());
        store.calls.clear();
        dialog.Show();
        Pump();
    }
    HWND C(int id) const { return dialog.Control(id); }
    std::vector<std::string> Saves() const {
        std::vector<std::string> out;
        for (const auto& c : store.Saves()) out.push_back(c.section + "/" + c.key + "=" + c.text);
        return out;
    }
    void SetDelay(const char* text) { SetWindowTextA(C(kIdDelay), text); }
};

// The layout as designed, in twips. Controls inside a frame are placed
// relative to it.
struct Expected {
    int id;
    const char* cls;
    const char* text;
    int left, top, width, height;
    int frame;  // 0, or the id of the containing frame
};
const Expected kExpected[] = {
    {kIdOK, "Button", "OK", 3000, 3720, 1260, 345, 0},
    {kIdIcon, "Static", "", 240, 240, 540, 540, 0},
    {kIdDescription, "Static", nullptr, 1050, 1125, 3885, 450, 0},
    {kIdSettingsFrame, "Button", "Settings", 120, 1560, 5535, 1815, 0},
    {kIdRainbow, "Button", "&Rainbow", 240, 1920, 1215, 255, 0},
    {kIdModeFrame, "Button", "&Mode", 240, 2280, 1335, 975, 0},
    {kIdTorus, "Button", "Torus", 120, 240, 975, 255, kIdModeFrame},
    {kIdIsland, "Button", "Island", 120, 600, 855, 255, kIdModeFrame},
    {kIdSpeedLabel, "Static", "&Speed:", 1560, 840, 615, 255, kIdSettingsFrame},
    {kIdSpeed, "msctls_trackbar32", "", 2400, 2280, 3015, 510, 0},
    {kIdCopyright, "Static", nullptr, 255, 3705, 2670, 345, 0},
    {kIdTitle, "Static", "Tovra", 1050, 240, 3885, 480, 0},
    {kIdVersion, "Static", "Version 2.0", 1050, 780, 3885, 225, 0},
    {kIdColorLabel, "Static", "C&olor:", 1560, 360, 615, 255, kIdSettingsFrame},
    {kIdColor, "ComboBox", "Red", 2520, 1800, 1215, 315, 0},
    {kIdCancel, "Button", "&Cancel", 4440, 3720, 1260, 345, 0},
    {kIdDelayLabel, "Static", "&Delay Between Random Seedings:", 1560, 1320, 2535, 255, kIdSettingsFrame},
    {kIdDelay, "Edit", "2000", 4200, 1320, 1095, 285, kIdSettingsFrame},
};

// Works on the dialog of this process or of another one (a running
// Tovra.scr /c): every query here crosses process boundaries.
void ExpectLayout(HWND dlg) {
    auto C = [dlg](int id) { return GetDlgItem(dlg, id); };
    const double tx = Win32TwipsPerPixelX(), ty = Win32TwipsPerPixelY();

    EXPECT_EQ(Text(dlg), "About Tovra");
    const LONG style = GetWindowLongW(dlg, GWL_STYLE);
    EXPECT_TRUE(style & WS_CAPTION);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_CHILD));
    EXPECT_FALSE(GetWindowLongW(dlg, GWL_EXSTYLE) & WS_EX_APPWINDOW);
    // Owned by a hidden window: no taskbar button, and no form owns it.
    HWND owner = GetWindow(dlg, GW_OWNER);
    ASSERT_NE(owner, nullptr);
    EXPECT_FALSE(IsWindowVisible(owner));
    RECT client{};
    GetClientRect(dlg, &client);
    EXPECT_NEAR(client.right, 5805 / tx, 1);
    EXPECT_NEAR(client.bottom, 4095 / ty, 1);
    // No stored position: the client area at its design place.
    POINT origin{0, 0};
    ClientToScreen(dlg, &origin);
    EXPECT_NEAR(origin.x, 2340 / tx, 1);
    EXPECT_NEAR(origin.y, 1935 / ty, 1);

    std::vector<int> order;
    for (HWND c = GetWindow(dlg, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT))
        order.push_back(GetDlgCtrlID(c));
    std::vector<int> expectedOrder;
    for (const Expected& e : kExpected) expectedOrder.push_back(e.id);
    EXPECT_EQ(order, expectedOrder);

    for (const Expected& e : kExpected) {
        SCOPED_TRACE(e.id);
        HWND c = C(e.id);
        ASSERT_NE(c, nullptr);
        wchar_t cls[64] = {};
        GetClassNameW(c, cls, 64);
        EXPECT_EQ(_wcsicmp(cls, std::wstring(e.cls, e.cls + strlen(e.cls)).c_str()), 0);
        if (e.text != nullptr) {
            EXPECT_EQ(Text(c), e.text);
        }
        int left = e.left, top = e.top;
        for (const Expected& f : kExpected)
            if (f.id == e.frame) left += f.left, top += f.top;
        RECT r{};
        GetWindowRect(c, &r);
        MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT*>(&r), 2);
        EXPECT_NEAR(r.left, left / tx, 1);
        EXPECT_NEAR(r.top, top / ty, 1);
        EXPECT_NEAR(r.right - r.left, e.width / tx, 1);
        // A drop-down list sizes its closed box to its font.
        EXPECT_NEAR(r.bottom - r.top, e.height / ty, e.id == kIdColor ? 3 : 1);
    }
    EXPECT_NE(Text(C(kIdCopyright)).find("2026 The Tovra developers"), std::string::npos);
    EXPECT_NE(Text(C(kIdDescription)).find("Conway"), std::string::npos);

    HWND color = C(kIdColor);
    ASSERT_EQ(SendMessageW(color, CB_GETCOUNT, 0, 0), 5);
    const char* names[] = {"Red", "Yellow", "Green", "Blue", "Purple"};
    for (int i = 0; i < 5; ++i) {
        wchar_t item[32] = {};
        SendMessageW(color, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item));
        EXPECT_EQ(std::wstring(item), std::wstring(names[i], names[i] + strlen(names[i])));
    }
    EXPECT_EQ(GetWindowLongW(color, GWL_STYLE) & 3, CBS_DROPDOWNLIST);
    EXPECT_EQ(SendMessageW(C(kIdSpeed), TBM_GETRANGEMIN, 0, 0), 0);
    EXPECT_EQ(SendMessageW(C(kIdSpeed), TBM_GETRANGEMAX, 0, 0), 99);
    EXPECT_EQ(GetWindowLongW(C(kIdOK), GWL_STYLE) & 0xF, BS_DEFPUSHBUTTON);
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    ASSERT_TRUE(GetGUIThreadInfo(GetWindowThreadProcessId(dlg, nullptr), &gui));
    EXPECT_EQ(gui.hwndFocus, C(kIdOK));
}

TEST(ConfigDialogWindow, FrameAndControlsFollowTheLayoutInTabOrder) {
    // The end-to-end test sets TOVRA_PROBE_DIALOG to have the dialog of a
    // running Tovra.scr /c checked instead of one of this process.
    if (getenv("TOVRA_PROBE_DIALOG") != nullptr) {
        HWND dlg = FindWindowW(nullptr, L"About Tovra");
        ASSERT_NE(dlg, nullptr);
        DWORD process = 0;
        GetWindowThreadProcessId(dlg, &process);
        EXPECT_NE(process, GetCurrentProcessId());
        ExpectLayout(dlg);
        return;
    }
    Harness h;
    h.LoadAndShow();
    ExpectLayout(h.dialog.hWnd());
}

// What the controls show, read through messages that also cross processes.
void ExpectShows(HWND dlg, bool rainbow, int color, bool torus, int position, const std::string& delay) {
    auto C = [dlg](int id) { return GetDlgItem(dlg, id); };
    EXPECT_EQ(SendMessageW(C(kIdRainbow), BM_GETCHECK, 0, 0), rainbow ? BST_CHECKED : BST_UNCHECKED);
    EXPECT_EQ(IsWindowEnabled(C(kIdColor)) != FALSE, !rainbow);
    EXPECT_EQ(SendMessageW(C(kIdColor), CB_GETCURSEL, 0, 0), color);
    EXPECT_EQ(SendMessageW(C(kIdTorus), BM_GETCHECK, 0, 0), torus ? BST_CHECKED : BST_UNCHECKED);
    EXPECT_EQ(SendMessageW(C(kIdIsland), BM_GETCHECK, 0, 0), torus ? BST_UNCHECKED : BST_CHECKED);
    EXPECT_EQ(SendMessageW(C(kIdSpeed), TBM_GETPOS, 0, 0), position);
    EXPECT_EQ(Text(C(kIdDelay)), delay);
}

TEST(ConfigDialogWindow, ShowsStoredValues) {
    // As the end-to-end test leaves them after changing every setting.
    if (getenv("TOVRA_PROBE_DIALOG") != nullptr) {
        HWND dlg = FindWindowW(nullptr, L"About Tovra");
        ASSERT_NE(dlg, nullptr);
        ExpectShows(dlg, true, 3, false, 99, "1234");
        return;
    }
    Harness h;
    for (const auto& [key, text] : std::vector<std::pair<const char*, const char*>>{
             {"Rainbow", "True"}, {"Color", "3"}, {"Torus", "False"}, {"Speed", "3"}, {"Delay", "1234"}}) {
        h.store.Put(kApp, "Settings", key, text);
    }
    h.LoadAndShow();
    ExpectShows(h.dialog.hWnd(), true, 3, false, 99, "1234");
}

TEST(ConfigDialogWindow, StoredPositionOnNoMonitorOpensCentredAndIsWrittenBackOnClose) {
    MONITORINFO primary{};
    primary.cbSize = sizeof primary;
    ASSERT_TRUE(GetMonitorInfoW(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &primary));
    const RECT work = primary.rcWork;
    const double tx = Win32TwipsPerPixelX(), ty = Win32TwipsPerPixelY();
    const struct {
        const char* top;
        const char* left;
        bool centred;
    } cases[] = {
        {"-1500", "18000", false},  // partly off the screen: as stored
        {"-4500", "30000", true},   {"99999999999999999999", "0", true}, {"0", "-1000000", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.top) + ", " + c.left);
        Harness h;
        h.store.Put(kApp, "Window", "Top", c.top);
        h.store.Put(kApp, "Window", "Left", c.left);
        h.LoadAndShow();
        RECT r{};
        GetWindowRect(h.dialog.hWnd(), &r);
        if (c.centred) {
            EXPECT_NEAR(r.left + r.right, work.left + work.right, 2);
            EXPECT_NEAR(r.top + r.bottom, work.top + work.bottom, 2);
        } else {
            EXPECT_NEAR(r.top, atof(c.top) / ty, 1);
            EXPECT_NEAR(r.left, atof(c.left) / tx, 1);
        }
        // The close box.
        SendMessageW(h.dialog.hWnd(), WM_CLOSE, 0, 0);
        EXPECT_FALSE(h.dialog.Loaded());
        EXPECT_EQ(unloadedCount, 1);
        EXPECT_EQ(h.Saves(), (std::vector<std::string>{"Window/Top=" + std::to_string(std::lround(r.top * ty)),
                                                       "Window/Left=" + std::to_string(std::lround(r.left * tx))}));
    }
}

TEST(ConfigDialogWindow, RainbowClickGreysTheColourList) {
    Harness h;
    h.LoadAndShow();
    SendMessageW(h.C(kIdRainbow), BM_CLICK, 0, 0);
    EXPECT_FALSE(IsWindowEnabled(h.C(kIdColor)));
    SendMessageW(h.C(kIdRainbow), BM_CLICK, 0, 0);
    EXPECT_TRUE(IsWindowEnabled(h.C(kIdColor)));
}

// The left button pressed with the pointer at three quarters of the
// control's width, and held for long enough for a slider to repeat its step.
void Press(HWND control) {
    RECT r{};
    GetClientRect(control, &r);
    POINT at{r.right * 3 / 4, r.bottom / 2};
    POINT screen = at;
    ClientToScreen(control, &screen);
    SetCursorPos(screen.x, screen.y);
    SendMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
    for (int i = 0; i < 30; ++i) Pump();
    SendMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
}

TEST(ConfigDialogWindow, DelayCheckRunsWhenTheFocusLeavesTheBoxAndStopsOKAndCancel) {
    // Each way of leaving the box with 40000 in it is refused, with the
    // focus back in the box and its text selected.
    const struct {
        const char* how;
        void (*leave)(Harness&);
    } ways[] = {
        {"Tab", [](Harness&) { PostMessageW(GetFocus(), WM_KEYDOWN, VK_TAB, 0); }},
        {"click OK", [](Harness& h) { SendMessageW(h.C(kIdOK), BM_CLICK, 0, 0); }},
        {"click Cancel", [](Harness& h) { SendMessageW(h.C(kIdCancel), BM_CLICK, 0, 0); }},
        {"Enter", [](Harness&) { PostMessageW(GetFocus(), WM_KEYDOWN, VK_RETURN, 0); }},
        {"click Rainbow", [](Harness& h) { SendMessageW(h.C(kIdRainbow), BM_CLICK, 0, 0); }},
        {"click Island", [](Harness& h) { SendMessageW(h.C(kIdIsland), BM_CLICK, 0, 0); }},
        {"press on the slider", [](Harness& h) { Press(h.C(kIdSpeed)); }},
        {"press on the colour list", [](Harness& h) { Press(h.C(kIdColor)); }},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.how);
        Harness h;
        h.LoadAndShow();
        h.SetDelay("40000");
        SendMessageW(h.dialog.hWnd(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(h.C(kIdDelay)), TRUE);
        ASSERT_EQ(GetFocus(), h.C(kIdDelay));
        way.leave(h);
        Pump();
        ASSERT_TRUE(h.dialog.Loaded());
        EXPECT_EQ(h.messages, std::vector<std::string>{"Error: Invalid delay time, can't be above 32,767."});
        EXPECT_EQ(GetFocus(), h.C(kIdDelay));
        DWORD start = 9, end = 9;
        SendMessageW(h.C(kIdDelay), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        EXPECT_EQ(start, 0u);
        EXPECT_EQ(end, 5u);
        // The click or key that moved the focus changed no control.
        ExpectShows(h.dialog.hWnd(), false, 0, true, 0, "40000");
        EXPECT_TRUE(h.store.Saves().empty());
        EXPECT_EQ(unloadedCount, 0);
    }
}

TEST(ConfigDialogWindow, KeysAndButtonsCloseTheDialog) {
    const struct {
        const char* how;
        const char* delay;
        void (*close)(Harness&);
        bool writesSettings;
    } ways[] = {
        // Esc leaves the box without the check.
        {"Esc", "40000", [](Harness&) { PostMessageW(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0); }, false},
        {"Alt+C", "123", [](Harness&) { PostMessageW(GetFocus(), WM_SYSCHAR, 'c', 1 << 29); }, false},
        {"Enter", "32767", [](Harness&) { PostMessageW(GetFocus(), WM_KEYDOWN, VK_RETURN, 0); }, true},
        {"click OK", "-40000", [](Harness& h) { SendMessageW(h.C(kIdOK), BM_CLICK, 0, 0); }, true},
        {"session end", "40000", [](Harness& h) { SendMessageW(h.dialog.hWnd(), WM_ENDSESSION, TRUE, 0); }, false},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.how);
        Harness h;
        h.LoadAndShow();
        h.SetDelay(way.delay);
        SendMessageW(h.dialog.hWnd(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(h.C(kIdDelay)), TRUE);
        way.close(h);
        Pump();
        EXPECT_FALSE(h.dialog.Loaded());
        EXPECT_EQ(unloadedCount, 1);
        EXPECT_TRUE(h.messages.empty());
        const std::vector<std::string> saves = h.Saves();
        ASSERT_EQ(saves.size(), way.writesSettings ? 7u : 2u);
        if (way.writesSettings) {
            EXPECT_EQ(saves[4], std::string("Settings/Delay=") + way.delay);
        }
        EXPECT_EQ(saves[saves.size() - 2].rfind("Window/Top=", 0), 0u);
    }
}

}  // namespace
}  // namespace tovra
