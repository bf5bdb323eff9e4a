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
//             stored colour that change from tick to tick; a second /s and a
//             /c while it runs do nothing.
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

namespace {

constexpr char kRunningTitle[] = "Running Screen Saver";
constexpr char kPreviewTitle[] = "Preview Screen Saver";
constexpr char kSettingsKey[] = "Software\\SCRNSAVE:Tovra Screensaver\\Settings";
constexpr char kApplicationKey[] = "Software\\SCRNSAVE:Tovra Screensaver";
constexpr int kPitch = 10;
// The generation interval used for the runs, in milliseconds.
constexpr char kSpeedText[] = "200";

// Generous limits: Wine starts a process in well under these on an idle
// machine, and the checks poll instead of sleeping.
constexpr DWORD kStartTimeoutMs = 20000;
constexpr DWORD kSettleTimeoutMs = 10000;
constexpr DWORD kPromptExitMs = 10000;
constexpr DWORD kHostGoneExitMs = 1000;

// The cell pictures in the order of the Color setting, then the dead cell.
constexpr std::array<const char*, 6> kArtFiles = {"cell.bmp",     "cellyellow.bmp", "cellgreen.bmp",
                                                  "cellblue.bmp", "cellpurple.bmp", "deadcell.bmp"};
constexpr std::array<const char*, 6> kArtNames = {"red", "yellow", "green", "blue", "purple", "dead"};
constexpr int kDead = 5;
constexpr int kBlack = 6;
constexpr int kUnknown = -1;

int failures = 0;
std::string snapDir;

void Log(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
    std::printf("\n");
    std::fflush(stdout);
}

void Pass(const std::string& what) { Log("PASS %s", what.c_str()); }

void Fail(const std::string& what) {
    ++failures;
    Log("FAIL %s", what.c_str());
}

bool Check(bool ok, const std::string& what) {
    if (ok) Pass(what); else Fail(what);
    return ok;
}

std::string Text(const char* format, ...) {
    char buffer[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return buffer;
}

std::string RectText(const RECT& r) {
    return Text("(%ld,%ld)-(%ld,%ld)", r.left, r.top, r.right, r.bottom);
}

// --- Waiting ------------------------------------------------------------------

// Handles this thread's messages (the preview's host window lives here) for
// up to `ms` milliseconds.
void PumpFor(DWORD ms) {
    const ULONGLONG end = GetTickCount64() + ms;
    for (;;) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        const ULONGLONG now = GetTickCount64();
        if (now >= end) return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
    }
}

// Polls `condition` every 20 ms until it holds or `timeoutMs` has passed.
bool Eventually(DWORD timeoutMs, const std::function<bool()>& condition) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        if (condition()) return true;
        if (GetTickCount64() >= end) return false;
        PumpFor(20);
    }
}

// --- Processes ----------------------------------------------------------------

struct Started {
    PROCESS_INFORMATION info{};
    std::string commandLine;
    ULONGLONG startTick = 0;
};

// A deque keeps the addresses of earlier entries valid as more are started.
std::deque<Started> started;

Started* Start(const std::string& program, const std::string& arguments) {
    Started p;
    p.commandLine = "\"" + program + "\"" + (arguments.empty() ? "" : " " + arguments);
    std::vector<char> line(p.commandLine.begin(), p.commandLine.end());
    line.push_back('\0');
    STARTUPINFOA si{};
    si.cb = sizeof si;
    p.startTick = GetTickCount64();
    if (!CreateProcessA(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &p.info)) {
        Fail(Text("start %s (error %lu)", p.commandLine.c_str(), GetLastError()));
        return nullptr;
    }
    CloseHandle(p.info.hThread);
    p.info.hThread = nullptr;
    Log("started %s (pid %lu)", p.commandLine.c_str(), p.info.dwProcessId);
    started.push_back(p);
    return &started.back();
}

bool Running(const Started& p) { return WaitForSingleObject(p.info.hProcess, 0) == WAIT_TIMEOUT; }

DWORD ExitCode(const Started& p) {
    DWORD code = 0;
    GetExitCodeProcess(p.info.hProcess, &code);
    return code;
}

// Waits for the process to end, handling this thread's messages meanwhile.
// Returns the milliseconds waited, or nothing when it is still running.
std::optional<ULONGLONG> WaitForExit(const Started& p, DWORD timeoutMs) {
    const ULONGLONG begin = GetTickCount64();
    const ULONGLONG end = begin + timeoutMs;
    for (;;) {
        const ULONGLONG now = GetTickCount64();
        const DWORD left = now >= end ? 0 : static_cast<DWORD>(end - now);
        const DWORD r = MsgWaitForMultipleObjects(1, &p.info.hProcess, FALSE, left, QS_ALLINPUT);
        if (r == WAIT_OBJECT_0) return GetTickCount64() - begin;
        if (r != WAIT_OBJECT_0 + 1) return std::nullopt;
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
}

struct WindowInfo {
    HWND hwnd = nullptr;
    std::string title;
    std::string className;
    bool visible = false;
};

std::string TitleOf(HWND hwnd) {
    char text[256] = {};
    GetWindowTextA(hwnd, text, sizeof text);
    return text;
}

std::string ClassOf(HWND hwnd) {
    char text[256] = {};
    GetClassNameA(hwnd, text, sizeof text);
    return text;
}

struct WindowSearch {
    DWORD pid;
    std::vector<WindowInfo> found;
};

BOOL CALLBACK CollectWindowOf(HWND hwnd, LPARAM data) {
    auto* s = reinterpret_cast<WindowSearch*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    if (owner == s->pid) s->found.push_back({hwnd, TitleOf(hwnd), ClassOf(hwnd), IsWindowVisible(hwnd) != 0});
    return TRUE;
}

// The top-level windows of a process.
std::vector<WindowInfo> WindowsOf(DWORD pid) {
    WindowSearch search{pid, {}};
    EnumWindows(CollectWindowOf, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Every top-level window titled `title`, whoever owns it.
std::vector<HWND> WindowsTitled(const char* title) {
    std::vector<HWND> found;
    for (HWND h = FindWindowExA(nullptr, nullptr, nullptr, title); h != nullptr;
         h = FindWindowExA(nullptr, h, nullptr, title))
        found.push_back(h);
    return found;
}

DWORD ProcessOf(HWND hwnd) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    return pid;
}

// Ends what this host started and is still running: first a polite close of
// its windows, then, as a last resort, by its own handle.
void EndStarted() {
    for (Started& p : started) {
        if (p.info.hProcess == nullptr) continue;
        if (Running(p)) {
            for (const WindowInfo& w : WindowsOf(p.info.dwProcessId)) PostMessageA(w.hwnd, WM_CLOSE, 0, 0);
            if (!WaitForExit(p, 5000)) {
                Log("note: pid %lu did not end after WM_CLOSE; terminating it", p.info.dwProcessId);
                TerminateProcess(p.info.hProcess, 1);
                WaitForSingleObject(p.info.hProcess, 5000);
            }
        }
        CloseHandle(p.info.hProcess);
        p.info.hProcess = nullptr;
    }
}

// --- Settings -------------------------------------------------------------------

struct SavedValue {
    std::string name;
    bool present = false;
    DWORD type = 0;
    std::vector<BYTE> data;
};

// Writes the run's settings and puts everything back as it was on Restore:
// values that were absent are deleted, and so are the keys if this run
// created them.
class SettingsGuard {
public:
    void Set(const std::string& name, const std::string& text) {
        if (!recorded_) Record();
        HKEY key = nullptr;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_SET_VALUE | KEY_QUERY_VALUE, nullptr,
                            &key, nullptr) != ERROR_SUCCESS) {
            Fail("create the settings key");
            return;
        }
        SavedValue saved{name, false, 0, {}};
        DWORD size = 0;
        if (RegQueryValueExA(key, name.c_str(), nullptr, &saved.type, nullptr, &size) == ERROR_SUCCESS) {
            saved.present = true;
            saved.data.resize(size);
            RegQueryValueExA(key, name.c_str(), nullptr, &saved.type, size ? saved.data.data() : nullptr, &size);
            saved.data.resize(size);
        }
        saved_.push_back(saved);
        RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>(text.size() + 1));
        RegCloseKey(key);
    }

    void Restore() {
        if (!recorded_) return;
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
            for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
                if (it->present)
                    RegSetValueExA(key, it->name.c_str(), 0, it->type, it->data.empty() ? nullptr : it->data.data(),
                                   static_cast<DWORD>(it->data.size()));
                else
                    RegDeleteValueA(key, it->name.c_str());
            }
            RegCloseKey(key);
        }
        if (!settingsKeyExisted_) RegDeleteKeyA(HKEY_CURRENT_USER, kSettingsKey);
        if (!applicationKeyExisted_) RegDeleteKeyA(HKEY_CURRENT_USER, kApplicationKey);
        saved_.clear();
        recorded_ = false;
    }

    ~SettingsGuard() { Restore(); }

private:
    static bool Exists(const char* subkey) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, subkey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
        RegCloseKey(key);
        return true;
    }
    void Record() {
        applicationKeyExisted_ = Exists(kApplicationKey);
        settingsKeyExisted_ = Exists(kSettingsKey);
        recorded_ = true;
    }

    bool recorded_ = false;
    bool applicationKeyExisted_ = false;
    bool settingsKeyExisted_ = false;
    std::vector<SavedValue> saved_;
};

// --- Pictures -------------------------------------------------------------------

using Pixel = uint32_t;  // 0x00RRGGBB

Pixel Rgb(int r, int g, int b) { return static_cast<Pixel>((r << 16) | (g << 8) | b); }

struct Sprite {
    std::array<Pixel, kPitch * kPitch> pixels{};
};

// Reads the top-left 10 x 10 pixels of an uncompressed 24- or 32-bit BMP.
std::optional<Sprite> ReadSprite(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<unsigned char> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto u16 = [&](size_t at) { return static_cast<uint32_t>(data[at] | (data[at + 1] << 8)); };
    auto u32 = [&](size_t at) { return u16(at) | (u16(at + 2) << 16); };
    if (data.size() < 54 || data[0] != 'B' || data[1] != 'M') return std::nullopt;
    const uint32_t offset = u32(10);
    const int32_t width = static_cast<int32_t>(u32(18));
    const int32_t height = static_cast<int32_t>(u32(22));
    const uint32_t bits = u16(28);
    const uint32_t compression = u32(30);
    if ((bits != 24 && bits != 32) || compression != 0 || width < kPitch || std::abs(height) < kPitch)
        return std::nullopt;
    const size_t stride = ((static_cast<size_t>(width) * bits / 8) + 3) & ~static_cast<size_t>(3);
    const int rows = std::abs(height);
    if (data.size() < offset + stride * rows) return std::nullopt;
    Sprite s;
    for (int y = 0; y < kPitch; ++y) {
        const int fileRow = height > 0 ? rows - 1 - y : y;
        for (int x = 0; x < kPitch; ++x) {
            const size_t at = offset + stride * fileRow + x * bits / 8;
            s.pixels[y * kPitch + x] = Rgb(data[at + 2], data[at + 1], data[at]);
        }
    }
    return s;
}

// A piece of the screen as the platform shows it.
struct Frame {
    int left = 0, top = 0, width = 0, height = 0;
    std::vector<Pixel> pixels;
    Pixel At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

Frame Capture(const RECT& screen) {
    Frame f;
    f.left = screen.left;
    f.top = screen.top;
    f.width = screen.right - screen.left;
    f.height = screen.bottom - screen.top;
    if (f.width <= 0 || f.height <= 0) return f;
    HDC screenDc = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screenDc);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = f.width;
    bi.bmiHeader.biHeight = -f.height;  // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(screenDc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, dib);
    BitBlt(memory, 0, 0, f.width, f.height, screenDc, f.left, f.top, SRCCOPY | CAPTUREBLT);
    GdiFlush();
    const auto* p = static_cast<const uint32_t*>(bits);
    f.pixels.resize(static_cast<size_t>(f.width) * f.height);
    for (size_t i = 0; i < f.pixels.size(); ++i) f.pixels[i] = p[i] & 0x00FFFFFF;
    SelectObject(memory, old);
    DeleteObject(dib);
    DeleteDC(memory);
    ReleaseDC(nullptr, screenDc);
    return f;
}

std::string WindowsPath(const std::string& folder, const std::string& name) {
    return folder + "\\" + name;
}

void SaveBmp(const Frame& f, const std::string& path) {
    const size_t stride = (static_cast<size_t>(f.width) * 3 + 3) & ~static_cast<size_t>(3);
    const uint32_t imageSize = static_cast<uint32_t>(stride * f.height);
    std::vector<unsigned char> out(54 + imageSize, 0);
    auto put16 = [&](size_t at, uint32_t v) { out[at] = v & 0xFF; out[at + 1] = (v >> 8) & 0xFF; };
    auto put32 = [&](size_t at, uint32_t v) { put16(at, v & 0xFFFF); put16(at + 2, v >> 16); };
    out[0] = 'B';
    out[1] = 'M';
    put32(2, static_cast<uint32_t>(out.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<uint32_t>(f.width));
    put32(22, static_cast<uint32_t>(f.height));
    put16(26, 1);
    put16(28, 24);
    put32(34, imageSize);
    for (int y = 0; y < f.height; ++y) {
        unsigned char* row = &out[54 + stride * (f.height - 1 - y)];
        for (int x = 0; x < f.width; ++x) {
            const Pixel p = f.At(x, y);
            row[x * 3] = p & 0xFF;
            row[x * 3 + 1] = (p >> 8) & 0xFF;
            row[x * 3 + 2] = (p >> 16) & 0xFF;
        }
    }
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
}

// Asks the driver for a screen shot of the X display as it is now, and keeps
// the frame the checks looked at beside it.
void Snap(const std::string& name, const Frame* frame = nullptr) {
    if (snapDir.empty()) return;
    if (frame != nullptr && !frame->pixels.empty()) SaveBmp(*frame, WindowsPath(snapDir, name + "-frame.bmp"));
    const std::string want = WindowsPath(snapDir, name + ".want");
    const std::string png = WindowsPath(snapDir, name + ".png");
    DeleteFileA(png.c_str());
    HANDLE h = CreateFileA(want.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        Log("note: cannot ask for a screen shot (%s)", want.c_str());
        return;
    }
    CloseHandle(h);
    const bool done = Eventually(30000, [&] { return GetFileAttributesA(want.c_str()) == INVALID_FILE_ATTRIBUTES; });
    if (!done) {
        Log("note: no screen shot came for %s", name.c_str());
        DeleteFileA(want.c_str());
    }
}

// --- The cell picture -------------------------------------------------------------

struct CellMap {
    int columns = 0, rows = 0;
    std::vector<int> cells;          // kArtFiles index, kBlack or kUnknown
    std::array<int, 7> counts{};     // per kArtFiles index, then black
    int unknown = 0;
    int firstUnknownColumn = -1, firstUnknownRow = -1;
    int strayMarginPixels = 0;       // non-black pixels outside the grid
    bool operator!=(const CellMap& o) const { return cells != o.cells; }
};

// Classifies every 10 x 10 cell of the frame on the 10-pixel pitch from its
// top-left corner: exactly one of the six pictures, all black, or unknown.
CellMap Classify(const Frame& f, const std::array<Sprite, 6>& sprites) {
    CellMap m;
    m.columns = f.width / kPitch;
    m.rows = f.height / kPitch;
    m.cells.assign(static_cast<size_t>(m.columns) * m.rows, kUnknown);
    for (int r = 0; r < m.rows; ++r) {
        for (int c = 0; c < m.columns; ++c) {
            auto matches = [&](auto expected) {
                for (int y = 0; y < kPitch; ++y)
                    for (int x = 0; x < kPitch; ++x)
                        if (f.At(c * kPitch + x, r * kPitch + y) != expected(x, y)) return false;
                return true;
            };
            int kind = kUnknown;
            if (matches([](int, int) { return Pixel{0}; })) {
                kind = kBlack;
            } else {
                for (int i = 0; i < 6 && kind == kUnknown; ++i)
                    if (matches([&](int x, int y) { return sprites[i].pixels[y * kPitch + x]; })) kind = i;
            }
            m.cells[static_cast<size_t>(r) * m.columns + c] = kind;
            if (kind == kUnknown) {
                if (m.unknown++ == 0) {
                    m.firstUnknownColumn = c;
                    m.firstUnknownRow = r;
                }
            } else {
                ++m.counts[kind];
            }
        }
    }
    for (int y = 0; y < f.height; ++y)
        for (int x = 0; x < f.width; ++x)
            if ((x >= m.columns * kPitch || y >= m.rows * kPitch) && f.At(x, y) != 0) ++m.strayMarginPixels;
    return m;
}

std::string Describe(const CellMap& m) {
    std::string s = Text("%dx%d cells:", m.columns, m.rows);
    for (int i = 0; i < 6; ++i) s += Text(" %s %d", kArtNames[i], m.counts[i]);
    s += Text(" black %d unknown %d", m.counts[kBlack], m.unknown);
    if (m.unknown > 0) s += Text(" (first at column %d row %d)", m.firstUnknownColumn, m.firstUnknownRow);
    if (m.strayMarginPixels > 0) s += Text(" stray margin pixels %d", m.strayMarginPixels);
    return s;
}

// A frame that only shows what the run may show: whole cells on the pitch,
// live cells only in `liveColor` (none at all when it is -1), dead cells and
// black, and nothing outside the grid.
bool Clean(const CellMap& m, int liveColor) {
    if (m.unknown > 0 || m.strayMarginPixels > 0) return false;
    for (int i = 0; i < 5; ++i)
        if (i != liveColor && m.counts[i] > 0) return false;
    return true;
}

int Changed(const CellMap& a, const CellMap& b) {
    int n = 0;
    for (size_t i = 0; i < a.cells.size() && i < b.cells.size(); ++i) n += a.cells[i] != b.cells[i];
    return n;
}

struct Options {
    std::string scr;
    int color = 0;
    std::string art;
    std::string sw;
};

std::optional<std::array<Sprite, 6>> LoadArt(const std::string& folder) {
    std::array<Sprite, 6> sprites;
    for (size_t i = 0; i < kArtFiles.size(); ++i) {
        const std::string path = WindowsPath(folder, kArtFiles[i]);
        auto s = ReadSprite(path);
        if (!s) {
            Fail("read the reference picture " + path);
            return std::nullopt;
        }
        sprites[i] = *s;
    }
    for (size_t i = 0; i < sprites.size(); ++i)
        for (size_t j = i + 1; j < sprites.size(); ++j)
            if (sprites[i].pixels == sprites[j].pixels) {
                Fail(Text("reference pictures %s and %s are alike; the colours cannot be told apart", kArtFiles[i],
                          kArtFiles[j]));
                return std::nullopt;
            }
    return sprites;
}

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

RECT VirtualScreen() {
    const int x = GetSystemMetrics(SM_XVIRTUALSCREEN);
    const int y = GetSystemMetrics(SM_YVIRTUALSCREEN);
    return RECT{x, y, x + GetSystemMetrics(SM_CXVIRTUALSCREEN), y + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

void SetRunSettings(SettingsGuard& settings, int color) {
    settings.Set("Rainbow", "False");
    settings.Set("Color", std::to_string(color));
    settings.Set("Speed", kSpeedText);
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

// Starts a full-screen run and waits for its window: visible, exactly titled,
// owned by the started process.
HWND StartFullScreen(const Options& o, Started*& saver) {
    if (!Check(WindowsTitled(kRunningTitle).empty(), "no full-screen run is on the screen before the start"))
        return nullptr;
    saver = Start(o.scr, "/s");
    if (saver == nullptr) return nullptr;
    HWND window = nullptr;
    const DWORD pid = saver->info.dwProcessId;
    Eventually(kStartTimeoutMs, [&] {
        for (HWND h : WindowsTitled(kRunningTitle))
            if (ProcessOf(h) == pid && IsWindowVisible(h)) window = h;
        return window != nullptr || !Running(*saver);
    });
    std::string windows;
    for (const WindowInfo& w : WindowsOf(pid)) windows += " \"" + w.title + "\"";
    if (!Check(window != nullptr, Text("/s: a visible top-level window titled exactly \"%s\" (windows of the "
                                       "process:%s)", kRunningTitle, windows.c_str()))) {
        Snap("saver-start-FAILED");
        return nullptr;
    }
    return window;
}

int RunSaver(const Options& o, bool bitmapMissing) {
    auto sprites = LoadArt(o.art);
    if (!sprites) return 1;
    SettingsGuard settings;
    SetRunSettings(settings, o.color);
    const std::string label = bitmapMissing ? Text("/s without %s", kArtFiles[o.color]) : std::string("/s");
    const std::string snapName = bitmapMissing ? "saver-missing-bitmap" : "saver-fullscreen";

    Started* saver = nullptr;
    HWND window = StartFullScreen(o, saver);
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

LRESULT CALLBACK HostProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

int RunPreview(const Options& o) {
    auto sprites = LoadArt(o.art);
    if (!sprites) return 1;
    SettingsGuard settings;
    SetRunSettings(settings, o.color);

    // The host, as on the platform's settings page: a child window inside a
    // dialog-like frame. Its client area is not a whole number of cells, so
    // that the margins can be checked, and its own background is grey.
    constexpr int kClientWidth = 203;
    constexpr int kClientHeight = 157;
    WNDCLASSA wc{};
    wc.lpfnWndProc = HostProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = "TovraTestPreviewFrame";
    RegisterClassA(&wc);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    wc.lpszClassName = "TovraTestPreviewHost";
    RegisterClassA(&wc);
    HWND frame = CreateWindowExA(WS_EX_TOPMOST, "TovraTestPreviewFrame", "Tovra test preview frame",
                                 WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 60, 60, kClientWidth + 80,
                                 kClientHeight + 100, nullptr, nullptr, wc.hInstance, nullptr);
    HWND host = frame == nullptr ? nullptr
                                 : CreateWindowExA(0, "TovraTestPreviewHost", "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN,
                                                   20, 20, kClientWidth, kClientHeight, frame, nullptr, wc.hInstance,
                                                   nullptr);
    if (host == nullptr) {
        Fail("create the preview host window");
        if (frame != nullptr) DestroyWindow(frame);
        return 1;
    }
    ShowWindow(frame, SW_SHOWNORMAL);
    UpdateWindow(frame);
    PumpFor(200);
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

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
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
