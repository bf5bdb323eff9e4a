// tovra-exithost: ends runs of Tovra.scr with real input from the X server
// and checks what the program leaves behind. The input itself is made by the
// driver script (xdotool), on request: the host writes a file NAME.xdo with
// xdotool's arguments into the --snap folder and waits for NAME.rc with its
// exit status (see tests/e2e/host/driver.sh).
//
//   tovra-exithost keys    SCR --snap DIR    Shift, an arrow: nothing; a letter ends the run
//   tovra-exithost escape  SCR --snap DIR    Escape ends the run
//   tovra-exithost click   SCR BUTTON --snap DIR   a click of X button 1, 2 or 3 ends it
//   tovra-exithost moves   SCR --snap DIR    up to seven mouse moves: nothing; the eighth ends it
//   tovra-exithost early   SCR --snap DIR    input in the first half second is ignored
//   tovra-exithost preview SCR --snap DIR    a preview ignores keys, clicks and moves
//   tovra-exithost password SCR --snap DIR   the password dialog: refused, then accepted
//   tovra-exithost close   SCR --snap DIR    protection on: Alt+F4 does nothing, WM_CLOSE asks for
//                                            the password, the session's end ends the run
//   tovra-exithost beside  SCR --snap DIR    protection on, the stand-in password.cpl beside the
//                                            program and none in the system folder: ends as without
//   tovra-exithost flag                      exit status: the screen-saver-running flag (0/1)
//
// "preview", "password" and "close" put the stand-in password.cpl (from
// test-password beside this program) into the system folder for the length
// of the case; SCR must lie in a folder without one, except for "beside".
//
// What the program's windows take from their queue is seen through
// tovra-inputspy.dll (beside this program): system-wide hooks that report
// every mouse move, character, key and button a window removes from its
// queue, and the creation of windows. So a check that input changed nothing
// also shows that the input arrived, and mouse moves are counted as the
// program sees them, including any the platform makes up itself (under Wine,
// one when the full-screen window appears under the pointer).
//
// After every ended run: the process is gone with exit code 0, the cursor was
// visible again before its window went away, and the screen-saver-running
// flag reads 0. The flag is read by a fresh process ("flag") each time:
// Wine keeps it for all processes, but every process caches what it read
// first. The cursor's state (GetCursorInfo) follows the foreground window's
// thread under Wine, and its display count ends with that thread: read after
// the end it would always say "visible", so it is read while the window is
// still there. Under Wine the window lingers about two seconds after its
// form unloads (the platform waits for a window manager that Xvfb does not
// have); the cursor is polled every few milliseconds meanwhile.
//
// Exit status: 0 when every check passed, 1 when one failed, 2 for misuse.

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "HostSupport.h"

namespace {

using namespace e2e;

constexpr char kDesktopKey[] = "Control Panel\\Desktop";
constexpr char kUsePasswordValue[] = "ScreenSaveUsePassword";
constexpr char kPasswordTestKey[] = "Software\\TovraTest";
constexpr char kSinkClass[] = "TovraTestInputSink";
constexpr int kColor = 3;  // blue
constexpr int kEscapeChar = 0x1B;

// How long input must change nothing before "it changed nothing" is
// believed: the program handles a message it has taken within a few
// milliseconds.
constexpr DWORD kQuietMs = 500;
// Input counts as early when the program took it within this time of its
// window's creation, which comes before the form loads and starts its half
// second; the rest is a margin for the clocks' resolution.
constexpr DWORD kEarlyMs = 450;
// How long the test's password dialog stays open the first time.
constexpr DWORD kDialogHoldMs = 3000;
constexpr DWORD kDeliveryTimeoutMs = 5000;

// --- What the program's windows take from their queue ------------------------------

enum Kind : unsigned { kCreated = 0, kMouseMove = 1, kChar = 2, kKeyDown = 3, kButtonDown = 4 };

struct InputEvent {
    unsigned kind;
    unsigned code;
    HWND hwnd;
    DWORD tick;
};

std::vector<InputEvent> events;

LRESULT CALLBACK SinkProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message >= WM_APP && message < WM_APP + 0x500) {
        const unsigned report = message - WM_APP;
        events.push_back({report >> 8, report & 0xFF, reinterpret_cast<HWND>(wParam), static_cast<DWORD>(lParam)});
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

class InputSpy {
public:
    bool Install() {
        WNDCLASSA wc{};
        wc.lpfnWndProc = SinkProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = kSinkClass;
        RegisterClassA(&wc);
        // A hidden top-level window: FindWindow does not look at message-only
        // windows.
        sink_ = CreateWindowExA(0, kSinkClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, wc.hInstance, nullptr);
        char self[MAX_PATH] = {};
        GetModuleFileNameA(nullptr, self, sizeof self);
        const std::string path = WindowsPath(FolderOf(self), "tovra-inputspy.dll");
        dll_ = LoadLibraryA(path.c_str());
        if (sink_ == nullptr || dll_ == nullptr) return Check(false, "load " + path + " and make its sink window");
        auto getMessage = reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(dll_, "InputSpyGetMessage")));
        auto cbt = reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(dll_, "InputSpyCbt")));
        if (getMessage != nullptr) getMessageHook_ = SetWindowsHookExA(WH_GETMESSAGE, getMessage, dll_, 0);
        if (cbt != nullptr) cbtHook_ = SetWindowsHookExA(WH_CBT, cbt, dll_, 0);
        return Check(getMessageHook_ != nullptr && cbtHook_ != nullptr, "install the input spy's system-wide hooks");
    }
    ~InputSpy() {
        if (getMessageHook_ != nullptr) UnhookWindowsHookEx(getMessageHook_);
        if (cbtHook_ != nullptr) UnhookWindowsHookEx(cbtHook_);
        if (sink_ != nullptr) DestroyWindow(sink_);
        if (dll_ != nullptr) FreeLibrary(dll_);
    }

private:
    HWND sink_ = nullptr;
    HMODULE dll_ = nullptr;
    HHOOK getMessageHook_ = nullptr;
    HHOOK cbtHook_ = nullptr;
};

constexpr int kAnyCode = -1;

std::vector<InputEvent> Taken(HWND hwnd, unsigned kind, int code = kAnyCode) {
    std::vector<InputEvent> found;
    for (const InputEvent& e : events)
        if (e.hwnd == hwnd && e.kind == kind && (code == kAnyCode || e.code == static_cast<unsigned>(code)))
            found.push_back(e);
    return found;
}

int Count(HWND hwnd, unsigned kind, int code = kAnyCode) { return static_cast<int>(Taken(hwnd, kind, code).size()); }

// Waits until the window has taken `count` messages of that kind.
bool TakenEventually(HWND hwnd, unsigned kind, int code, int count) {
    return Eventually(kDeliveryTimeoutMs, [&] { return Count(hwnd, kind, code) >= count; });
}

// --- Real input, through the driver script -------------------------------------------

// Runs `xdotool ARGS` on the X display. True when it succeeded.
bool XInput(const std::string& args) {
    static int serial = 0;
    if (snapDir.empty()) return Check(false, "xdotool " + args + ": no --snap folder to ask the driver through");
    const std::string name = WindowsPath(snapDir, Text("input-%d-%lu", ++serial, GetCurrentProcessId()));
    const std::string request = name + ".xdo";
    const std::string answer = name + ".rc";
    {
        std::ofstream out(request + ".tmp", std::ios::binary);
        out << args << "\n";
    }
    // Renamed into place, so that the driver never reads half a request.
    if (!MoveFileExA((request + ".tmp").c_str(), request.c_str(), MOVEFILE_REPLACE_EXISTING))
        return Check(false, "xdotool " + args + ": cannot write the request " + request);
    const bool answered =
        Eventually(10000, [&] { return GetFileAttributesA(answer.c_str()) != INVALID_FILE_ATTRIBUTES; });
    if (!answered) {
        DeleteFileA(request.c_str());
        return Check(false, "xdotool " + args + ": the driver did not answer");
    }
    std::ifstream in(answer);
    int rc = -1;
    in >> rc;
    in.close();
    DeleteFileA(answer.c_str());
    if (rc != 0) return Check(false, Text("xdotool %s: exit status %d", args.c_str(), rc));
    return true;
}

// A small move of the pointer that always changes its position: back and
// forth, so that it stays where it was put.
std::string SmallMove() {
    static bool back = false;
    back = !back;
    return back ? "mousemove_relative -- 3 2" : "mousemove_relative -- -3 -2";
}

// `count` small moves, `gapMs` apart: moves that follow each other closer
// than the program takes them from its queue are merged into one there, as
// the platform does with mouse moves.
std::string SmallMoves(int count, int gapMs) {
    std::string moves;
    for (int i = 0; i < count; ++i) moves += SmallMove() + Text(" sleep %d.%03d ", gapMs / 1000, gapMs % 1000);
    return moves;
}

POINT ScreenCentre() {
    const RECT s = VirtualScreen();
    return POINT{(s.left + s.right) / 2, (s.top + s.bottom) / 2};
}

// --- State the platform keeps for everyone ---------------------------------------------

// The screen-saver-running flag as a fresh process reads it; nothing when
// that process fails.
std::optional<bool> RunningFlag() {
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, sizeof self);
    std::string line = std::string("\"") + self + "\" flag";
    std::vector<char> buffer(line.begin(), line.end());
    buffer.push_back('\0');
    STARTUPINFOA si{};
    si.cb = sizeof si;
    Started p;
    if (!CreateProcessA(self, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &p.info))
        return std::nullopt;
    CloseHandle(p.info.hThread);
    const bool ended = WaitForExit(p, 20000).has_value();
    const DWORD code = ExitCode(p);
    if (!ended) TerminateProcess(p.info.hProcess, 3);
    CloseHandle(p.info.hProcess);
    if (!ended || code > 1) return std::nullopt;
    return code == 1;
}

std::string FlagText(const std::optional<bool>& flag) { return flag ? (*flag ? "1" : "0") : "unreadable"; }

// A run that failed to clear the flag leaves it on for everyone after it;
// each case starts from 0, so that what it reads is its own run's doing.
bool StartWithFlagOff(const std::string& label) {
    std::optional<bool> flag = RunningFlag();
    if (flag == std::optional<bool>(true)) {
        Log("note: %s: the screen-saver-running flag was left on by an earlier run; clearing it", label.c_str());
        UINT previous = 0;
        SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, FALSE, &previous, 0);
        flag = RunningFlag();
    }
    return Check(flag == std::optional<bool>(false),
                 label + ": before the start the screen-saver-running flag reads 0 (read " + FlagText(flag) + ")");
}

bool CursorShowing() {
    CURSORINFO ci{};
    ci.cbSize = sizeof ci;
    return GetCursorInfo(&ci) && (ci.flags & CURSOR_SHOWING) != 0;
}

// --- A full-screen run -----------------------------------------------------------------

struct Run {
    std::string label;
    Started* process = nullptr;
    HWND window = nullptr;
    DWORD created = 0;  // when the window was being created (the spy's clock)
};

bool Alive(const Run& r) { return r.process != nullptr && Running(*r.process) && IsWindow(r.window); }

// The cursor as the run shows it: only meaningful while its window is in the
// foreground (see the top of this file).
std::optional<bool> RunCursorShowing(const Run& r) {
    if (GetForegroundWindow() != r.window) return std::nullopt;
    return CursorShowing();
}

void FailSnap(const Run& r, const std::string& what) {
    Fail(what);
    Snap("exit-" + r.label + "-FAILED");
}

bool CheckSnap(const Run& r, bool ok, const std::string& what) {
    if (ok) Pass(what);
    else FailSnap(r, what);
    return ok;
}

// Starts a full-screen run with the pointer in the middle of the screen and
// checks what a run must have set up: the flag on, the cursor hidden.
bool BeginRun(Run& r, const std::string& scr, bool checkState = true) {
    if (!StartWithFlagOff(r.label)) return false;
    const POINT centre = ScreenCentre();
    if (!XInput(Text("mousemove %ld %ld", centre.x, centre.y))) return false;
    r.window = StartFullScreen(scr, r.process);
    if (r.window == nullptr) return false;
    const bool created = Eventually(kSettleTimeoutMs, [&] { return Count(r.window, kCreated) > 0; });
    if (!Check(created, r.label + ": the input spy saw the window's creation")) return false;
    r.created = Taken(r.window, kCreated).front().tick;
    if (!checkState) return true;

    // Both as another process sees them while the run is on. The flag read
    // 0 before the start; the cursor's state is that of the foreground
    // window's thread.
    const std::optional<bool> flag = RunningFlag();
    CheckSnap(r, flag == std::optional<bool>(true),
              r.label + ": while it runs, another process reads the screen-saver-running flag as 1 (read " +
                  FlagText(flag) + ")");
    std::optional<bool> showing;
    Eventually(kSettleTimeoutMs, [&] {
        showing = RunCursorShowing(r);
        return showing.has_value();
    });
    CheckSnap(r, showing == std::optional<bool>(false),
              r.label + ": while it runs, its window is in the foreground and the cursor is hidden" +
                  (showing ? (*showing ? " (it shows)" : "") : " (the window never came to the foreground)"));
    return Alive(r);
}

// Waits until the run is past the half second after its load in which input
// is ignored (the load follows the window's creation closely; a second is
// ample).
void Settle(const Run& r) {
    const DWORD now = GetTickCount();
    const DWORD until = r.created + 1000;
    if (static_cast<LONG>(until - now) > 0) PumpFor(until - now);
}

// After input that must change nothing: the run goes on, its cursor hidden,
// for a while.
bool StillRunning(const Run& r, const std::string& what) {
    bool shownSeen = false;
    const ULONGLONG end = GetTickCount64() + kQuietMs;
    while (GetTickCount64() < end && Alive(r)) {
        if (RunCursorShowing(r) == std::optional<bool>(true)) shownSeen = true;
        PumpFor(10);
    }
    return CheckSnap(r, Alive(r) && !shownSeen,
                     Text("%s: %s; %lu ms later the run goes on, cursor hidden%s", r.label.c_str(), what.c_str(),
                          kQuietMs, shownSeen ? " (but the cursor showed)" : Alive(r) ? "" : " (but it ended)"));
}

// After input that must end the run: the cursor shows before the window
// goes, the process ends with 0, and the flag reads 0 afterwards.
void ExpectEnd(Run& r, const std::string& what) {
    bool shownSeen = false;
    const ULONGLONG begin = GetTickCount64();
    while (Running(*r.process) && GetTickCount64() - begin < kPromptExitMs) {
        if (RunCursorShowing(r) == std::optional<bool>(true)) shownSeen = true;
        MsgWaitForMultipleObjects(1, &r.process->info.hProcess, FALSE, 5, QS_ALLINPUT);
        PumpFor(0);
    }
    const bool ended = !Running(*r.process);
    if (!CheckSnap(r, ended, Text("%s: %s; the program ends (%llu ms)", r.label.c_str(), what.c_str(),
                                  GetTickCount64() - begin)))
        return;
    Check(ExitCode(*r.process) == 0, Text("%s: exit code %lu", r.label.c_str(), ExitCode(*r.process)));
    Check(shownSeen, r.label + ": the cursor is visible again before the window goes");
    Check(WindowsTitled(kRunningTitle).empty(), r.label + Text(": no window titled \"%s\" is left", kRunningTitle));
    const std::optional<bool> flag = RunningFlag();
    Check(flag == std::optional<bool>(false),
          r.label + ": afterwards the screen-saver-running flag reads 0 (read " + FlagText(flag) + ")");
}

// The key's press reaches the window (the spy sees its key-down); true when
// it produced no character there.
bool PressWithoutCharacter(const Run& r, const std::string& keyName, unsigned virtualKey) {
    const int keysBefore = Count(r.window, kKeyDown, static_cast<int>(virtualKey));
    const int charsBefore = Count(r.window, kChar);
    if (!XInput("key " + keyName)) return false;
    if (!CheckSnap(r, TakenEventually(r.window, kKeyDown, static_cast<int>(virtualKey), keysBefore + 1),
                   r.label + ": " + keyName + " reaches the window"))
        return false;
    PumpFor(100);
    return Check(Count(r.window, kChar) == charsBefore, r.label + ": " + keyName + " produces no character");
}

// --- Cases ---------------------------------------------------------------------------------

struct Guards {
    SettingsGuard settings;
    RegistryGuard desktop{kDesktopKey};
    RegistryGuard test{kPasswordTestKey};
    explicit Guards(bool usePassword) {
        SetRunSettings(settings, kColor);
        desktop.Set(kUsePasswordValue, usePassword ? "1" : "0");
        test.Delete("PasswordCalls");
        test.Delete("PasswordParent");
    }
};

DWORD PasswordCalls() { return ReadDword(kPasswordTestKey, "PasswordCalls").value_or(0); }

std::string SystemPasswordCpl() {
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, sizeof system);
    return WindowsPath(system, "password.cpl");
}

// The stand-in password service in the system folder, where the program
// looks for it, for as long as this lives.
struct SystemPasswordService {
    bool installed = false;
    SystemPasswordService() {
        char self[MAX_PATH] = {};
        GetModuleFileNameA(nullptr, self, sizeof self);
        const std::string cpl = WindowsPath(WindowsPath(FolderOf(self), "test-password"), "password.cpl");
        installed = Check(CopyFileA(cpl.c_str(), SystemPasswordCpl().c_str(), FALSE) != 0,
                          "copy " + cpl + " to " + SystemPasswordCpl());
    }
    ~SystemPasswordService() {
        if (installed) DeleteFileA(SystemPasswordCpl().c_str());
    }
};

int RunKeys(const std::string& scr) {
    Guards guards(false);
    Run r{"keys"};
    if (BeginRun(r, scr)) {
        Settle(r);
        if (PressWithoutCharacter(r, "shift", VK_SHIFT)) StillRunning(r, "Shift alone");
        if (Alive(r) && PressWithoutCharacter(r, "Left", VK_LEFT)) StillRunning(r, "the left arrow");
        if (Alive(r) && XInput("key a") &&
            CheckSnap(r, TakenEventually(r.window, kChar, 'a', 1), r.label + ": the letter a reaches the window"))
            ExpectEnd(r, "the letter a");
    }
    EndStarted();
    return failures == 0 ? 0 : 1;
}

int RunEscape(const std::string& scr) {
    Guards guards(false);
    Run r{"escape"};
    if (BeginRun(r, scr)) {
        Settle(r);
        if (XInput("key Escape") &&
            CheckSnap(r, TakenEventually(r.window, kChar, kEscapeChar, 1), r.label + ": Escape reaches the window"))
            ExpectEnd(r, "Escape");
    }
    EndStarted();
    return failures == 0 ? 0 : 1;
}

int RunClick(const std::string& scr, int button) {
    Guards guards(false);
    Run r{Text("click-%d", button)};
    // X buttons 1, 2, 3 are left, middle, right.
    const int code = button == 1 ? 1 : button == 2 ? 3 : 2;
    if (BeginRun(r, scr)) {
        Settle(r);
        if (XInput(Text("click %d", button)) &&
            CheckSnap(r, TakenEventually(r.window, kButtonDown, code, 1),
                      Text("%s: the press of X button %d reaches the window", r.label.c_str(), button)))
            ExpectEnd(r, Text("a click of X button %d", button));
    }
    EndStarted();
    return failures == 0 ? 0 : 1;
}

// Moves the pointer a little, once, and waits until the window took the move.
bool MoveOnce(const Run& r) {
    const int before = Count(r.window, kMouseMove);
    return XInput(SmallMove()) &&
           CheckSnap(r, TakenEventually(r.window, kMouseMove, kAnyCode, before + 1),
                     Text("%s: mouse move %d reaches the window", r.label.c_str(), before + 1));
}

int RunMoves(const std::string& scr) {
    Guards guards(false);
    Run r{"moves"};
    if (BeginRun(r, scr)) {
        Settle(r);
        const int own = Count(r.window, kMouseMove);
        Log("%s: the window took %d mouse move(s) before the test moved the mouse", r.label.c_str(), own);
        if (CheckSnap(r, own < 7, r.label + ": fewer than seven moves before the test's own")) {
            int sent = 0;
            bool ok = true;
            while (ok && Count(r.window, kMouseMove) < 7) {
                ok = MoveOnce(r) && (++sent, true) && Alive(r);
                const int n = Count(r.window, kMouseMove);
                if (ok && n < 8) ok = StillRunning(r, Text("mouse move %d", n));
            }
            if (ok && Check(Count(r.window, kMouseMove) == 7,
                            Text("%s: the window has taken exactly seven moves", r.label.c_str()))) {
                Log("%s: %d of them made by xdotool", r.label.c_str(), sent);
                if (MoveOnce(r)) ExpectEnd(r, "the eighth mouse move");
            }
        }
    }
    EndStarted();
    return failures == 0 ? 0 : 1;
}

// Input within the half second after the load is ignored. The input is sent
// as soon as the window shows; whether it came early enough is decided by
// when the window took it, against when the window was being created (which
// is before the load). A try whose input came too late proves nothing either
// way and is repeated; three such tries are a failure.
int RunEarly(const std::string& scr) {
    Guards guards(false);
    // Eight moves would do with none merged; the platform may merge some.
    const std::string burst = SmallMoves(10, 15) + "key a click 1";
    bool decided = false;
    for (int attempt = 1; attempt <= 3 && !decided && failures == 0; ++attempt) {
        Run r{Text("early-%d", attempt)};
        if (!BeginRun(r, scr, false)) break;
        if (!XInput(burst)) break;
        // What the window took of it, until all is there or the window is gone.
        auto allTaken = [&] {
            return Count(r.window, kMouseMove) >= 8 && Count(r.window, kChar, 'a') == 1 &&
                   Count(r.window, kButtonDown, 1) == 1;
        };
        Eventually(2000, [&] { return !Alive(r) || allTaken(); });
        const bool ended = !Alive(r);
        // Milliseconds from the window's creation: of the last input taken
        // at all, and of the last exit request (the eighth move, the letter,
        // the click) once all of them were taken.
        DWORD first = 0xFFFFFFFF, last = 0;
        for (unsigned kind : {kMouseMove, kChar, kButtonDown})
            for (const InputEvent& e : Taken(r.window, kind)) {
                first = std::min<DWORD>(first, e.tick - r.created);
                last = std::max<DWORD>(last, e.tick - r.created);
            }
        std::optional<DWORD> lastRequest;
        if (allTaken())
            lastRequest = std::max({Taken(r.window, kMouseMove)[7].tick, Taken(r.window, kChar, 'a')[0].tick,
                                    Taken(r.window, kButtonDown, 1)[0].tick}) - r.created;
        Log("%s: the window took %d moves, %d characters, %d clicks, from %lu to %lu ms after its creation%s",
            r.label.c_str(), Count(r.window, kMouseMove), Count(r.window, kChar), Count(r.window, kButtonDown), first,
            last, ended ? "; the run ended" : "");
        if (ended) {
            // A run that ended on input can only be right when some of it
            // came after the half second.
            if (last < kEarlyMs) {
                FailSnap(r, r.label + Text(": the run ended on input that all came within %lu ms of the window's "
                                           "creation", kEarlyMs));
                decided = true;
            }
            ExpectEnd(r, "input that came after the half second");
        } else if (lastRequest && *lastRequest < kEarlyMs) {
            decided = true;
            Pass(r.label + Text(": the eighth move, a letter and a click were taken within %lu ms of the window's "
                                "creation (%lu ms)", kEarlyMs, *lastRequest));
            StillRunning(r, "all of that");
            // The same input later is handled.
            Settle(r);
            if (Alive(r) && XInput("key a") &&
                CheckSnap(r, TakenEventually(r.window, kChar, 'a', 2), r.label + ": a later letter a reaches the window"))
                ExpectEnd(r, "a letter after the half second");
        } else {
            Log("%s: the input came too late to tell; trying again", r.label.c_str());
            Settle(r);
            if (XInput("key a")) ExpectEnd(r, "a letter");
        }
        EndStarted();
    }
    Check(decided, Text("early: input reached the window within %lu ms of its creation in one of three tries",
                        kEarlyMs));
    return failures == 0 ? 0 : 1;
}

// The test's password dialog has returned when the run hides the cursor
// again. Returns the last time it was seen showing, or nothing on timeout.
std::optional<DWORD> WaitForDialogEnd(const Run& r, DWORD timeoutMs) {
    std::optional<DWORD> lastShown;
    const DWORD begin = GetTickCount();
    while (GetTickCount() - begin < timeoutMs && Alive(r)) {
        const DWORD now = GetTickCount();
        const auto showing = RunCursorShowing(r);
        if (showing == std::optional<bool>(true)) lastShown = now;
        else if (showing == std::optional<bool>(false) && lastShown) return lastShown;
        PumpFor(3);
    }
    return std::nullopt;
}

int RunPassword(const std::string& scr) {
    Guards guards(true);
    SystemPasswordService service;
    guards.test.Set("PasswordAnswer", "refuse");
    guards.test.SetDword("PasswordHoldMs", kDialogHoldMs);
    auto sprites = LoadArt(FolderOf(scr));
    Run r{"password"};
    if (sprites && BeginRun(r, scr)) {
        Settle(r);
        // Mouse moves until the dialog opens: at the eighth.
        bool ok = true;
        while (ok && PasswordCalls() == 0 && Count(r.window, kMouseMove) < 8) ok = MoveOnce(r);
        Eventually(1000, [] { return PasswordCalls() > 0; });
        const int movesAtDialog = Count(r.window, kMouseMove);
        if (ok && CheckSnap(r, PasswordCalls() == 1 && movesAtDialog == 8,
                            Text("%s: the eighth move opens the password dialog (calls %lu after %d moves)",
                                 r.label.c_str(), PasswordCalls(), movesAtDialog))) {
            const auto parent = ReadString(kPasswordTestKey, "PasswordParent");
            Check(parent == std::optional<std::string>(kRunningTitle),
                  r.label + ": the dialog's parent is the run's window (titled \"" + parent.value_or("?") + "\")");
            std::optional<bool> showing;
            Eventually(1000, [&] { return (showing = RunCursorShowing(r)) == std::optional<bool>(true); });
            CheckSnap(r, showing == std::optional<bool>(true), r.label + ": the cursor shows while the dialog is open");
            Snap("exit-password-dialog");

            // The generations go on behind the dialog.
            RECT area{};
            GetClientRect(r.window, &area);
            MapWindowPoints(r.window, HWND_DESKTOP, reinterpret_cast<POINT*>(&area), 2);
            CellMap previous = Classify(Capture(area), *sprites);
            int changes = 0;
            Eventually(kDialogHoldMs, [&] {
                CellMap m = Classify(Capture(area), *sprites);
                if (m != previous && Clean(m, kColor)) ++changes;
                previous = m;
                return changes >= 3;
            });
            const bool stillOpen = PasswordCalls() == 1 && RunCursorShowing(r) == std::optional<bool>(true);
            CheckSnap(r, changes >= 3 && stillOpen,
                      Text("%s: the picture changes while the dialog is open (%d changes seen%s)", r.label.c_str(),
                           changes, stillOpen ? "" : "; but the dialog had closed meanwhile"));

            // Refused: the run goes on, and input is ignored for half a
            // second. Whether a move came within that half second is told
            // from when the window took it, against the last moment the
            // cursor was seen showing (the dialog's end is after that). A
            // move that came too late to tell opens the dialog again (or
            // not, when it came just late enough) and the test tries again.
            bool quietShown = false;
            for (int attempt = 1; attempt <= 3 && !quietShown && Alive(r); ++attempt) {
                DWORD calls = PasswordCalls();
                if (attempt > 1 && !Eventually(1000, [&] { return PasswordCalls() > calls; })) {
                    // The late move came just inside the half second; by now it is over.
                    if (!MoveOnce(r)) break;
                    if (!CheckSnap(r, Eventually(2000, [&] { return PasswordCalls() > calls; }),
                                   r.label + ": a move opens the dialog again"))
                        break;
                }
                calls = PasswordCalls();
                const auto lastShown = WaitForDialogEnd(r, kDialogHoldMs + kSettleTimeoutMs);
                if (!CheckSnap(r, lastShown.has_value() && Alive(r),
                               r.label + ": refused, the dialog returns; the run goes on with the cursor hidden"))
                    break;
                const int moves = Count(r.window, kMouseMove);
                if (!MoveOnce(r)) break;
                const DWORD after = Taken(r.window, kMouseMove)[static_cast<size_t>(moves)].tick - *lastShown;
                Log("%s: a move taken %lu ms after the dialog returned", r.label.c_str(), after);
                if (after < kEarlyMs) {
                    quietShown = true;
                    StillRunning(r, Text("a move %lu ms after the refused dialog", after));
                    Check(PasswordCalls() == calls, Text("%s: that move opened no dialog (calls %lu)", r.label.c_str(),
                                                         PasswordCalls()));
                } else {
                    Log("%s: too late to tell; again", r.label.c_str());
                }
            }
            Check(quietShown, r.label + Text(": a move reached the window within %lu ms of a refused dialog in one "
                                             "of three tries", kEarlyMs));

            // Past the half second, the very next move opens the dialog
            // again; this time it accepts, and the run ends.
            if (Alive(r)) {
                PumpFor(1000);
                guards.test.Set("PasswordAnswer", "accept");
                guards.test.SetDword("PasswordHoldMs", 300);
                const DWORD calls = PasswordCalls();
                if (MoveOnce(r)) {
                    const bool opened = Eventually(2000, [&] { return PasswordCalls() == calls + 1; });
                    CheckSnap(r, opened, Text("%s: half a second on, the next single move opens the dialog again "
                                              "(calls %lu)", r.label.c_str(), PasswordCalls()));
                    if (opened) ExpectEnd(r, "the dialog accepts");
                }
            }
        }
    }
    EndStarted();
    return failures == 0 ? 0 : 1;
}

int RunBeside(const std::string& scr) {
    Guards guards(true);
    guards.test.Set("PasswordAnswer", "refuse");
    const std::string beside = WindowsPath(FolderOf(scr), "password.cpl");
    if (!Check(GetFileAttributesA(beside.c_str()) != INVALID_FILE_ATTRIBUTES, beside + " is there") ||
        !Check(GetFileAttributesA(SystemPasswordCpl().c_str()) == INVALID_FILE_ATTRIBUTES, "no " + SystemPasswordCpl()))
        return 1;
    Run r{"beside"};
    if (BeginRun(r, scr)) {
        Settle(r);
        if (XInput("key a") &&
            CheckSnap(r, TakenEventually(r.window, kChar, 'a', 1), r.label + ": the letter a reaches the window"))
            ExpectEnd(r, "protection on, no password service in the system folder, the letter a");
        Check(PasswordCalls() == 0, r.label + ": the password.cpl beside the program was not asked");
    }
    EndStarted();
    return failures == 0 ? 0 : 1;
}

int RunClose(const std::string& scr) {
    Guards guards(true);
    SystemPasswordService service;
    guards.test.Set("PasswordAnswer", "refuse");
    guards.test.SetDword("PasswordHoldMs", 500);
    Run r{"close"};
    if (service.installed && BeginRun(r, scr)) {
        Settle(r);
        if (XInput("key alt+F4") &&
            CheckSnap(r, TakenEventually(r.window, kKeyDown, VK_F4, 1), r.label + ": Alt+F4 reaches the window")) {
            StillRunning(r, "Alt+F4");
            Check(PasswordCalls() == 0, r.label + ": Alt+F4 asked for no password");
        }
        // A request to close from outside goes through the password dialog,
        // which refuses; the session's end then ends the run without one.
        PostMessageA(r.window, WM_CLOSE, 0, 0);
        if (CheckSnap(r, Eventually(2000, [] { return PasswordCalls() == 1; }),
                      r.label + ": WM_CLOSE opens the password dialog") &&
            CheckSnap(r, WaitForDialogEnd(r, kSettleTimeoutMs).has_value() && Alive(r),
                      r.label + ": refused, the run goes on")) {
            PostMessageA(r.window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
            ExpectEnd(r, "WM_ENDSESSION");
            Check(PasswordCalls() == 1, r.label + ": the session's end asked for no password");
        }
    }
    EndStarted();
    return failures == 0 ? 0 : 1;
}

int RunPreviewInput(const std::string& scr) {
    // With protection on and the test's password service in place: a
    // preview must not ask for it either.
    Guards guards(true);
    SystemPasswordService service;
    guards.test.Set("PasswordAnswer", "accept");
    if (!StartWithFlagOff("preview")) return 1;
    const PreviewHost ph = CreatePreviewHost(300, 200);
    if (ph.host == nullptr) return 1;
    Started* preview =
        Start(scr, Text("/p %lu", static_cast<unsigned long>(reinterpret_cast<uintptr_t>(ph.host))));
    HWND child = nullptr;
    if (preview != nullptr)
        Eventually(kStartTimeoutMs, [&] {
            child = FindWindowExA(ph.host, nullptr, nullptr, kPreviewTitle);
            return (child != nullptr && IsWindowVisible(child)) || !Running(*preview);
        });
    if (Check(child != nullptr, "preview: its window shows inside the host")) {
        const Run r{"preview", preview, child, 0};
        // Keys go to the focus of the foreground window's thread. The
        // preview's window belongs to another thread; sharing the host's
        // input state with it lets the host give it the focus.
        SetForegroundWindow(ph.frame);
        const DWORD previewThread = GetWindowThreadProcessId(child, nullptr);
        AttachThreadInput(GetCurrentThreadId(), previewThread, TRUE);
        SetFocus(child);
        Check(GetFocus() == child, "preview: its window has the keyboard focus");
        PumpFor(500);  // let it settle in its place
        RECT rect{};
        GetWindowRect(child, &rect);
        std::string input = Text("mousemove %ld %ld ", (rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
        input += SmallMoves(10, 30) + "click 1 click 3 key a key Escape";
        if (XInput(input)) {
            const bool allTaken = Eventually(kDeliveryTimeoutMs, [&] {
                return Count(child, kMouseMove) >= 10 && Count(child, kButtonDown, 1) == 1 &&
                       Count(child, kButtonDown, 2) == 1 && Count(child, kChar, 'a') == 1 &&
                       Count(child, kChar, kEscapeChar) == 1;
            });
            Check(allTaken, Text("preview: ten moves, a left and a right click, a and Escape reach its window (%d "
                                 "moves, %d clicks, %d characters)",
                                 Count(child, kMouseMove), Count(child, kButtonDown), Count(child, kChar)));
            PumpFor(kQuietMs);
            CheckSnap(r, Running(*preview) && IsWindow(child) && GetAncestor(child, GA_PARENT) == ph.host,
                      Text("preview: %lu ms later it is still running inside its host", kQuietMs));
            Check(PasswordCalls() == 0, "preview: no password dialog was asked for");
            std::string shown;
            for (const WindowInfo& w : WindowsOf(preview->info.dwProcessId))
                if (w.visible) shown += " \"" + w.title + "\"";
            Check(shown.empty(), "preview: no window of its own came up" + (shown.empty() ? "" : ":" + shown));
        }
        AttachThreadInput(GetCurrentThreadId(), previewThread, FALSE);
        DestroyWindow(ph.host);
        const auto waited = WaitForExit(*preview, kPromptExitMs);
        if (Check(waited.has_value(), "preview: it ends when its host goes")) {
            Check(ExitCode(*preview) == 0, Text("preview: exit code %lu", ExitCode(*preview)));
            const std::optional<bool> flag = RunningFlag();
            Check(flag == std::optional<bool>(false),
                  "preview: afterwards the screen-saver-running flag reads 0 (read " + FlagText(flag) + ")");
        }
    } else {
        Snap("exit-preview-FAILED");
    }
    if (IsWindow(ph.host)) DestroyWindow(ph.host);
    DestroyWindow(ph.frame);
    EndStarted();
    return failures == 0 ? 0 : 1;
}

int Usage() {
    std::fprintf(stderr,
                 "usage: tovra-exithost keys|escape|moves|early|preview|password|close|beside SCR --snap DIR\n"
                 "       tovra-exithost click SCR BUTTON --snap DIR\n"
                 "       tovra-exithost flag\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 1 && args[0] == "flag") {
        BOOL on = FALSE;
        if (!SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &on, 0)) return 2;
        return on ? 1 : 0;
    }
    if (args.size() < 2) return Usage();
    const std::string command = args[0];
    const std::string scr = args[1];
    size_t next = 2;
    int button = 0;
    if (command == "click") {
        if (args.size() < 3 || args[2].size() != 1 || args[2][0] < '1' || args[2][0] > '3') return Usage();
        button = args[2][0] - '0';
        next = 3;
    }
    if (args.size() != next + 2 || args[next] != "--snap") return Usage();
    snapDir = args[next + 1];

    InputSpy spy;
    if (!spy.Install()) return 1;
    if (command == "keys") return RunKeys(scr);
    if (command == "escape") return RunEscape(scr);
    if (command == "click") return RunClick(scr, button);
    if (command == "moves") return RunMoves(scr);
    if (command == "early") return RunEarly(scr);
    if (command == "preview") return RunPreviewInput(scr);
    if (command == "password") return RunPassword(scr);
    if (command == "close") return RunClose(scr);
    if (command == "beside") return RunBeside(scr);
    return Usage();
}
