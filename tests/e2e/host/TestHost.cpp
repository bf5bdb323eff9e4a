// tovra-testhost: starts Tovra.scr the way the platform's screen-saver
// machinery does (a switch on the command line, a host window for the
// preview) and checks what it did: its windows, their placement and the
// pixels it puts on the screen. It knows nothing of the program's code; it
// only looks at the running system.
//
//   tovra-testhost saver   SCR COLOR [--art DIR] [--snap DIR]
//   tovra-testhost missing SCR COLOR [--art DIR] [--snap DIR]
//   tovra-testhost preview SCR COLOR [--art DIR] [--snap DIR]
//   tovra-testhost no-window SCR SWITCH
//   tovra-testhost bad-handle SCR SWITCH [--snap DIR]
//
// saver:      /s full-screen and top-most over the virtual screen, cells in the
//             stored colour that change from tick to tick, a repaint that
//             brings the picture back; a second /s and a /c while it runs do
//             nothing.
// missing:    /s with the bitmap of the stored colour missing beside SCR: no
//             live cell is ever drawn while dead cells keep appearing.
// preview:    /p <host> fills the host's client area as its child and lives
//             as long as the host; destroying the host ends the program
//             within a second. Its pixels are not checked (see RunPreview).
// no-window:  SWITCH (e.g. /x) ends at once without a window.
// bad-handle: SWITCH (e.g. a bare /p) shows a message box and no display
//             window, and ends when the box is dismissed.
//
// COLOR is written to the "Color" setting for the run (with Rainbow off and
// a fixed speed); the settings are put back as they were afterwards. The
// expected cell pictures are read from the bitmaps in --art (by default the
// folder of SCR). With --snap, the host asks the driver script for a screen
// shot at the moments worth keeping (a file NAME.want in that folder,
// answered by NAME.png) and saves the frames it analysed there as BMP files.
// Exit status: 0 when every check passed, 1 when one failed, 2 for misuse.

#include <windows.h>

#include <algorithm>
#include <array>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "HostSupport.h"

namespace {

using namespace e2e;

constexpr DWORD kHostGoneExitMs = 1000;

struct Options {
    std::string scr;
    int color = 0;
    std::string art;
    std::string sw;
};


// Watches the picture in `area` (screen coordinates) while the automaton
// runs. With liveColor >= 0: waits for a clean frame with cells of that
// colour, then for frames that keep changing, each of them clean, and for
// dead cells among them. With liveColor -1 (its bitmap is missing): no live
// cell may ever show, while dead cells appear and keep changing.
void CheckCells(const std::string& label, const std::function<RECT()>& area, const std::array<Sprite, 6>& sprites,
                int liveColor, const std::string& snapName) {
    const RECT first = area();
    Log("%s: watching the screen area %s", label.c_str(), RectText(first).c_str());
    Frame frame;
    CellMap map;
    const int cellCount = ((first.right - first.left) / kPitch) * ((first.bottom - first.top) / kPitch);
    // A seeding makes about a tenth of the cells live; a hundredth is a safe floor.
    const int minimum = std::max(1, cellCount / 100);
    auto shows = [&](const CellMap& m) {
        return liveColor >= 0 ? m.counts[liveColor] >= minimum : m.counts[kDead] >= minimum;
    };
    const bool seeded = Eventually(kSettleTimeoutMs, [&] {
        frame = Capture(area());
        map = Classify(frame, sprites);
        return Clean(map, liveColor) && shows(map);
    });
    const std::string what = liveColor >= 0
                                 ? Text("%s: whole cells on the 10-pixel pitch, live ones %s, nothing else", label.c_str(),
                                        kArtNames[liveColor])
                                 : Text("%s: whole cells on the 10-pixel pitch, dead ones grey, no live cell drawn",
                                        label.c_str());
    if (!Check(seeded, what + " [" + Describe(map) + "]")) {
        Snap(snapName + "-FAILED", &frame);
        return;
    }

    // From tick to tick: count frames that differ from the one before, every
    // one of them clean, until the picture has changed a few times.
    constexpr int kChangesWanted = 3;
    int changes = 0;
    int changedCells = 0;
    bool clean = true;
    bool deadSeen = map.counts[kDead] > 0;
    CellMap previous = map;
    Frame bad;
    std::string badText;
    Eventually(kSettleTimeoutMs, [&] {
        Frame next = Capture(area());
        CellMap m = Classify(next, sprites);
        if (!Clean(m, liveColor)) {
            clean = false;
            bad = next;
            badText = Describe(m);
            return true;
        }
        if (m != previous) {
            ++changes;
            changedCells += Changed(previous, m);
            previous = m;
            frame = next;
        }
        deadSeen = deadSeen || m.counts[kDead] > 0;
        return changes >= kChangesWanted && deadSeen;
    });
    if (!Check(clean, label + ": every later frame is clean too" + (clean ? "" : " [" + badText + "]")))
        Snap(snapName + "-FAILED", &bad);
    const bool moving = Check(changes >= kChangesWanted && deadSeen,
                              Text("%s: the picture changes from tick to tick (%d changes seen, %d cells changed, "
                                   "dead cells %s) [%s]",
                                   label.c_str(), changes, changedCells, deadSeen ? "seen" : "never seen",
                                   Describe(previous).c_str()));
    if (!moving) Snap(snapName + "-FAILED", &frame);
    else if (clean) Snap(snapName, &frame);
}

// A part of the window painted afresh (invalidated and erased, as when a
// window that covered it goes away) shows the picture it showed before, the
// dead cells included, not the black background.
void CheckRepaint(HWND window, const std::array<Sprite, 6>& sprites, int liveColor) {
    RECT r{};
    GetClientRect(window, &r);
    MapWindowPoints(window, HWND_DESKTOP, reinterpret_cast<POINT*>(&r), 2);
    const CellMap before = Classify(Capture(r), sprites);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE);
    PumpFor(100);
    Frame after = Capture(r);
    const CellMap m = Classify(after, sprites);
    // A generation or two may pass meanwhile; few dead cells come alive in that time.
    const bool kept = Clean(m, liveColor) && m.counts[kDead] >= before.counts[kDead] * 9 / 10;
    if (!Check(kept, Text("/s: after a repaint of the whole window the picture is still there (dead cells %d before, "
                          "%d after) [%s]",
                          before.counts[kDead], m.counts[kDead], Describe(m).c_str())))
        Snap("saver-repaint-FAILED", &after);
}

// A program started while a full-screen run is on the screen must do nothing:
// no window of its own, and it ends promptly, leaving the run alone.
void CheckRefused(const Options& o, const std::string& sw, HWND running, const Started& saver) {
    Started* p = Start(o.scr, sw);
    if (p == nullptr) return;
    const DWORD pid = p->info.dwProcessId;
    std::vector<WindowInfo> seen;
    const bool ended = Eventually(kPromptExitMs, [&] {
        for (const WindowInfo& w : WindowsOf(pid))
            if (w.visible) seen.push_back(w);
        return !Running(*p);
    });
    Check(ended, Text("%s while running: the program ends promptly (%llu ms)", sw.c_str(),
                      GetTickCount64() - p->startTick));
    std::string windows;
    for (const WindowInfo& w : seen) windows += " \"" + w.title + "\" (" + w.className + ")";
    Check(seen.empty(), Text("%s while running: no window shown%s%s", sw.c_str(), seen.empty() ? "" : ", but saw",
                             windows.c_str()));
    if (ended) Check(ExitCode(*p) == 0, Text("%s while running: exit code %lu", sw.c_str(), ExitCode(*p)));
    const std::vector<HWND> runs = WindowsTitled(kRunningTitle);
    Check(runs.size() == 1 && runs[0] == running && Running(saver),
          Text("%s while running: the full-screen run goes on alone (%zu \"%s\" windows)", sw.c_str(), runs.size(),
               kRunningTitle));
}

// Closes a full-screen run and waits for its end.
void EndRun(const Started& saver, HWND window) {
    PostMessageA(window, WM_CLOSE, 0, 0);
    const auto waited = WaitForExit(saver, kPromptExitMs);
    Check(waited.has_value(), Text("the full-screen run ends when its window is closed (%llu ms)",
                                   waited ? *waited : static_cast<ULONGLONG>(kPromptExitMs)));
}


int RunSaver(const Options& o, bool bitmapMissing) {
    auto sprites = LoadArt(o.art);
    if (!sprites) return 1;
    SettingsGuard settings;
    SetRunSettings(settings, o.color);
    const std::string label = bitmapMissing ? Text("/s without %s", kArtFiles[o.color]) : std::string("/s");
    const std::string snapName = bitmapMissing ? "saver-missing-bitmap" : "saver-fullscreen";

    Started* saver = nullptr;
    HWND window = StartFullScreen(o.scr, saver);
    if (window != nullptr) {
        const RECT screen = VirtualScreen();
        Check(GetSystemMetrics(SM_CMONITORS) > 0, Text("the platform reports %d monitor(s)",
                                                       GetSystemMetrics(SM_CMONITORS)));
        RECT rect{}, client{};
        const bool covers = Eventually(kSettleTimeoutMs, [&] {
            GetWindowRect(window, &rect);
            GetClientRect(window, &client);
            return SameRect(rect, screen) && client.right == screen.right - screen.left &&
                   client.bottom == screen.bottom - screen.top;
        });
        Check(covers, Text("%s: the window and its client area cover the virtual screen %s (window %s, client %ldx%ld)",
                           label.c_str(), RectText(screen).c_str(), RectText(rect).c_str(), client.right,
                           client.bottom));
        const bool topmost = Eventually(kSettleTimeoutMs, [&] {
            return (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
        });
        Check(topmost, label + ": the window is top-most");
        Check(TitleOf(window) == kRunningTitle, label + ": title \"" + TitleOf(window) + "\"");

        CheckCells(label, [&] {
            RECT r{};
            GetClientRect(window, &r);
            MapWindowPoints(window, HWND_DESKTOP, reinterpret_cast<POINT*>(&r), 2);
            return r;
        }, *sprites, bitmapMissing ? -1 : o.color, snapName);

        if (!bitmapMissing) {
            CheckRepaint(window, *sprites, o.color);
            CheckRefused(o, "/s", window, *saver);
            CheckRefused(o, "/c", window, *saver);
        }
        Check(Running(*saver), label + ": the run is still going at the end of the checks");
        if (Running(*saver)) EndRun(*saver, window);
    }
    EndStarted();
    settings.Restore();
    return failures == 0 ? 0 : 1;
}

// --- Preview ----------------------------------------------------------------------

int RunPreview(const Options& o) {
    auto sprites = LoadArt(o.art);
    if (!sprites) return 1;
    SettingsGuard settings;
    SetRunSettings(settings, o.color);

    // Its client area is not a whole number of cells, so that the margins
    // can be checked.
    constexpr int kClientWidth = 203;
    constexpr int kClientHeight = 157;
    const PreviewHost ph = CreatePreviewHost(kClientWidth, kClientHeight);
    HWND frame = ph.frame;
    HWND host = ph.host;
    if (host == nullptr) return 1;
    RECT hostClient{};
    GetClientRect(host, &hostClient);
    Log("host window %lu, client area %ldx%ld", static_cast<unsigned long>(reinterpret_cast<uintptr_t>(host)),
        hostClient.right, hostClient.bottom);

    Started* preview = Start(o.scr, Text("/p %lu", static_cast<unsigned long>(reinterpret_cast<uintptr_t>(host))));
    if (preview != nullptr) {
        const DWORD pid = preview->info.dwProcessId;
        HWND child = nullptr;
        Eventually(kStartTimeoutMs, [&] {
            child = FindWindowExA(host, nullptr, nullptr, kPreviewTitle);
            return (child != nullptr && IsWindowVisible(child)) || !Running(*preview);
        });
        if (Check(child != nullptr && ProcessOf(child) == pid,
                  Text("/p: a child window of the host titled exactly \"%s\", owned by the started program",
                       kPreviewTitle))) {
            Check(GetAncestor(child, GA_PARENT) == host, "/p: its parent is the host window");
            Check((GetWindowLongA(child, GWL_STYLE) & WS_CHILD) != 0, "/p: it has the child style");
            Check(IsWindowVisible(child) != 0, "/p: it is visible");
            RECT placed{}, client{};
            const bool fills = Eventually(kSettleTimeoutMs, [&] {
                GetWindowRect(child, &placed);
                MapWindowPoints(HWND_DESKTOP, host, reinterpret_cast<POINT*>(&placed), 2);
                GetClientRect(child, &client);
                return SameRect(placed, hostClient) && SameRect(client, hostClient);
            });
            Check(fills, Text("/p: it fills the host's client area %s (placed at %s, client %ldx%ld)",
                              RectText(hostClient).c_str(), RectText(placed).c_str(), client.right, client.bottom));
            std::string shown;
            for (const WindowInfo& w : WindowsOf(pid))
                if (w.visible) shown += " \"" + w.title + "\"";
            Check(shown.empty() && WindowsTitled(kRunningTitle).empty(),
                  "/p: no top-level window of the program is shown" + (shown.empty() ? "" : ", but saw" + shown));

            // What the preview draws is not checked: under Wine the drawing of
            // a child window that belongs to another process does not reach the
            // screen (the host's own background stays there). The screen shot
            // is kept all the same.
            Snap("saver-preview");

            // The host goes away, as when the settings page closes.
            // Nothing but the host's end may end a preview: it is still there
            // a while later.
            PumpFor(2000);
            Check(Running(*preview) && IsWindow(child) && GetAncestor(child, GA_PARENT) == host,
                  "/p: two seconds on, the preview is still running inside its host");
            const ULONGLONG closed = GetTickCount64();
            DestroyWindow(host);
            host = nullptr;
            const auto waited = WaitForExit(*preview, kPromptExitMs);
            const ULONGLONG took = GetTickCount64() - closed;
            Check(waited.has_value() && took <= kHostGoneExitMs,
                  Text("/p: the program ends within %lu ms of its host's end (%s after %llu ms)", kHostGoneExitMs,
                       waited ? "ended" : "still running", took));
            if (waited) Check(ExitCode(*preview) == 0, Text("/p: exit code %lu", ExitCode(*preview)));
        } else {
            Snap("saver-preview-start-FAILED");
        }
    }
    if (host != nullptr) DestroyWindow(host);
    DestroyWindow(frame);
    EndStarted();
    settings.Restore();
    return failures == 0 ? 0 : 1;
}

// --- Switches without a display window -------------------------------------------

int RunNoWindow(const Options& o) {
    Started* p = Start(o.scr, o.sw);
    if (p == nullptr) return 1;
    std::vector<WindowInfo> seen;
    const bool ended = Eventually(kPromptExitMs, [&] {
        for (const WindowInfo& w : WindowsOf(p->info.dwProcessId))
            if (w.visible || w.title == kRunningTitle || w.title == kPreviewTitle) seen.push_back(w);
        return !Running(*p);
    });
    Check(ended, Text("%s: the program ends at once (%llu ms after its start)", o.sw.c_str(),
                      GetTickCount64() - p->startTick));
    std::string windows;
    for (const WindowInfo& w : seen) windows += " \"" + w.title + "\" (" + w.className + ")";
    Check(seen.empty(), o.sw + ": no window" + (seen.empty() ? "" : ", but saw" + windows));
    if (ended) Check(ExitCode(*p) == 0, Text("%s: exit code %lu", o.sw.c_str(), ExitCode(*p)));
    EndStarted();
    return failures == 0 ? 0 : 1;
}

int RunBadHandle(const Options& o) {
    Started* p = Start(o.scr, o.sw);
    if (p == nullptr) return 1;
    const DWORD pid = p->info.dwProcessId;
    HWND box = nullptr;
    std::vector<WindowInfo> others;
    Eventually(kStartTimeoutMs, [&] {
        for (const WindowInfo& w : WindowsOf(pid)) {
            if (w.visible && w.className == "#32770") box = w.hwnd;
            else if (w.visible || w.title == kRunningTitle || w.title == kPreviewTitle) others.push_back(w);
        }
        return box != nullptr || !Running(*p);
    });
    if (Check(box != nullptr, o.sw + ": a message box comes up")) {
        char text[1024] = {};
        GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
        Log("%s: the box is titled \"%s\" and says \"%s\"", o.sw.c_str(), TitleOf(box).c_str(), text);
        Check(text[0] != '\0', o.sw + ": the box says something");
        // It keeps the program alive until it is dismissed, and no display
        // window comes up meanwhile.
        PumpFor(500);
        for (const WindowInfo& w : WindowsOf(pid))
            if (w.hwnd != box && (w.visible || w.title == kRunningTitle || w.title == kPreviewTitle))
                others.push_back(w);
        Check(Running(*p) && IsWindow(box), o.sw + ": the program waits while the box is up");
        std::string windows;
        for (const WindowInfo& w : others) windows += " \"" + w.title + "\" (" + w.className + ")";
        Check(others.empty(), o.sw + ": no other window" + (others.empty() ? "" : ", but saw" + windows));
        Snap(o.sw == "/p" ? "saver-bare-p-message" : "saver-bad-handle-message");
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
        const auto waited = WaitForExit(*p, kPromptExitMs);
        Check(waited.has_value(), Text("%s: the program ends when the box is dismissed (%llu ms)", o.sw.c_str(),
                                       waited ? *waited : static_cast<ULONGLONG>(kPromptExitMs)));
        if (waited) Check(ExitCode(*p) == 0, Text("%s: exit code %lu", o.sw.c_str(), ExitCode(*p)));
    } else {
        Snap("saver-bad-handle-FAILED");
    }
    EndStarted();
    return failures == 0 ? 0 : 1;
}

int Usage() {
    std::fprintf(stderr,
                 "usage: tovra-testhost saver|missing|preview SCR COLOR [--art DIR] [--snap DIR]\n"
                 "       tovra-testhost no-window SCR SWITCH\n"
                 "       tovra-testhost bad-handle SCR SWITCH [--snap DIR]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() < 3) return Usage();
    const std::string command = args[0];
    Options o;
    o.scr = args[1];
    o.art = FolderOf(o.scr);
    for (size_t i = 3; i + 1 < args.size(); i += 2) {
        if (args[i] == "--art") o.art = args[i + 1];
        else if (args[i] == "--snap") snapDir = args[i + 1];
        else return Usage();
    }
    if ((args.size() - 3) % 2 != 0) return Usage();
    if (command == "saver" || command == "missing" || command == "preview") {
        const std::string& c = args[2];
        if (c.size() != 1 || c[0] < '0' || c[0] > '4') return Usage();
        o.color = c[0] - '0';
        if (command == "preview") return RunPreview(o);
        return RunSaver(o, command == "missing");
    }
    o.sw = args[2];
    if (command == "no-window") return RunNoWindow(o);
    if (command == "bad-handle") return RunBadHandle(o);
    return Usage();
}
