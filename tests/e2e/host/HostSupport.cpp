// Helpers shared by the end-to-end test hosts: checks and their log,
// waiting without blocking the message queue, the programs a host starts,
// the windows it finds, registry values it sets and puts back, and what is
// on the screen (captures, cell pictures, screen shots).

#include "HostSupport.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace e2e {

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

std::deque<Started> started;

// --- Processes ----------------------------------------------------------------


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

// --- Registry -------------------------------------------------------------------

namespace {

bool KeyExists(const char* subkey) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, subkey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

}  // namespace

// Opens (creating) the key and records the value's present state, once per
// name; the caller closes the key.
HKEY RegistryGuard::OpenAndSave(const std::string& name) {
    if (!recorded_) {
        ownerExisted_ = owner_ != nullptr && KeyExists(owner_);
        keyExisted_ = KeyExists(subkey_);
        recorded_ = true;
    }
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, subkey_, 0, nullptr, 0, KEY_SET_VALUE | KEY_QUERY_VALUE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        Fail(Text("create the key HKCU\\%s", subkey_));
        return nullptr;
    }
    for (const SavedValue& s : saved_)
        if (s.name == name) return key;
    SavedValue saved{name, false, 0, {}};
    DWORD size = 0;
    if (RegQueryValueExA(key, name.c_str(), nullptr, &saved.type, nullptr, &size) == ERROR_SUCCESS) {
        saved.present = true;
        saved.data.resize(size);
        RegQueryValueExA(key, name.c_str(), nullptr, &saved.type, size ? saved.data.data() : nullptr, &size);
        saved.data.resize(size);
    }
    saved_.push_back(saved);
    return key;
}

void RegistryGuard::Set(const std::string& name, const std::string& text) {
    HKEY key = OpenAndSave(name);
    if (key == nullptr) return;
    RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>(text.size() + 1));
    RegCloseKey(key);
}

void RegistryGuard::SetDword(const std::string& name, DWORD value) {
    HKEY key = OpenAndSave(name);
    if (key == nullptr) return;
    RegSetValueExA(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(key);
}

void RegistryGuard::Delete(const std::string& name) {
    HKEY key = OpenAndSave(name);
    if (key == nullptr) return;
    RegDeleteValueA(key, name.c_str());
    RegCloseKey(key);
}

void RegistryGuard::Restore() {
    if (!recorded_) return;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, subkey_, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
            if (it->present)
                RegSetValueExA(key, it->name.c_str(), 0, it->type, it->data.empty() ? nullptr : it->data.data(),
                               static_cast<DWORD>(it->data.size()));
            else
                RegDeleteValueA(key, it->name.c_str());
        }
        RegCloseKey(key);
    }
    if (!keyExisted_) RegDeleteKeyA(HKEY_CURRENT_USER, subkey_);
    if (owner_ != nullptr && !ownerExisted_) RegDeleteKeyA(HKEY_CURRENT_USER, owner_);
    saved_.clear();
    recorded_ = false;
}

std::optional<DWORD> ReadDword(const char* subkey, const char* name) {
    DWORD value = 0, size = sizeof value, type = 0;
    if (RegGetValueA(HKEY_CURRENT_USER, subkey, name, RRF_RT_ANY, &type, &value, &size) != ERROR_SUCCESS ||
        type != REG_DWORD)
        return std::nullopt;
    return value;
}

std::optional<std::string> ReadString(const char* subkey, const char* name) {
    char text[512] = {};
    DWORD size = sizeof text - 1, type = 0;
    if (RegGetValueA(HKEY_CURRENT_USER, subkey, name, RRF_RT_ANY | RRF_NOEXPAND, &type, text, &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        return std::nullopt;
    return std::string(text);
}

// --- Pictures -------------------------------------------------------------------


Pixel Rgb(int r, int g, int b) { return static_cast<Pixel>((r << 16) | (g << 8) | b); }

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
void Snap(const std::string& name, const Frame* frame) {
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


// Starts a full-screen run and waits for its window: visible, exactly titled,
// owned by the started process.
HWND StartFullScreen(const std::string& scr, Started*& saver) {
    if (!Check(WindowsTitled(kRunningTitle).empty(), "no full-screen run is on the screen before the start"))
        return nullptr;
    saver = Start(scr, "/s");
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

namespace {

LRESULT CALLBACK PreviewHostProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

}  // namespace

PreviewHost CreatePreviewHost(int clientWidth, int clientHeight) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = PreviewHostProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = "TovraTestPreviewFrame";
    RegisterClassA(&wc);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    wc.lpszClassName = "TovraTestPreviewHost";
    RegisterClassA(&wc);
    PreviewHost p;
    p.frame = CreateWindowExA(WS_EX_TOPMOST, "TovraTestPreviewFrame", "Tovra test preview frame",
                              WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 60, 60, clientWidth + 80, clientHeight + 100,
                              nullptr, nullptr, wc.hInstance, nullptr);
    if (p.frame != nullptr)
        p.host = CreateWindowExA(0, "TovraTestPreviewHost", "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 20, 20,
                                 clientWidth, clientHeight, p.frame, nullptr, wc.hInstance, nullptr);
    if (p.host == nullptr) {
        Fail("create the preview host window");
        if (p.frame != nullptr) DestroyWindow(p.frame);
        p.frame = nullptr;
        return p;
    }
    ShowWindow(p.frame, SW_SHOWNORMAL);
    UpdateWindow(p.frame);
    PumpFor(200);
    return p;
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

}  // namespace e2e
