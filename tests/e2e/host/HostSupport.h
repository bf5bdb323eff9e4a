// Helpers shared by the end-to-end test hosts (tovra-testhost,
// tovra-exithost). They know nothing of Tovra's code: only the running
// system, the program's window titles and its settings key.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

inline constexpr char kRunningTitle[] = "Running Screen Saver";
inline constexpr char kPreviewTitle[] = "Preview Screen Saver";
inline constexpr char kSettingsKey[] = "Software\\SCRNSAVE:Tovra Screensaver\\Settings";
inline constexpr char kApplicationKey[] = "Software\\SCRNSAVE:Tovra Screensaver";
inline constexpr int kPitch = 10;
// The generation interval used for the runs, in milliseconds.
inline constexpr char kSpeedText[] = "200";

// Generous limits: Wine starts a process in well under these on an idle
// machine, and the checks poll instead of sleeping.
inline constexpr DWORD kStartTimeoutMs = 20000;
inline constexpr DWORD kSettleTimeoutMs = 10000;
inline constexpr DWORD kPromptExitMs = 10000;

// The cell pictures in the order of the Color setting, then the dead cell.
inline constexpr std::array<const char*, 6> kArtFiles = {"cell.bmp",     "cellyellow.bmp", "cellgreen.bmp",
                                                         "cellblue.bmp", "cellpurple.bmp", "deadcell.bmp"};
inline constexpr std::array<const char*, 6> kArtNames = {"red", "yellow", "green", "blue", "purple", "dead"};
inline constexpr int kDead = 5;
inline constexpr int kBlack = 6;
inline constexpr int kUnknown = -1;

// --- Checks and their log ------------------------------------------------------

extern int failures;
// Where screen shots go (a Windows path); empty for none.
extern std::string snapDir;

void Log(const char* format, ...);
void Pass(const std::string& what);
void Fail(const std::string& what);
bool Check(bool ok, const std::string& what);
std::string Text(const char* format, ...);
std::string RectText(const RECT& r);

// --- Waiting ---------------------------------------------------------------------

// Handles this thread's messages for up to `ms` milliseconds.
void PumpFor(DWORD ms);
// Polls `condition` every 20 ms until it holds or `timeoutMs` has passed.
bool Eventually(DWORD timeoutMs, const std::function<bool()>& condition);

// --- Processes and windows ---------------------------------------------------------

struct Started {
    PROCESS_INFORMATION info{};
    std::string commandLine;
    ULONGLONG startTick = 0;
};

// What this host started; a deque keeps earlier entries where they are.
extern std::deque<Started> started;

Started* Start(const std::string& program, const std::string& arguments);
bool Running(const Started& p);
DWORD ExitCode(const Started& p);
// Waits for the process to end, handling this thread's messages meanwhile.
// Returns the milliseconds waited, or nothing when it is still running.
std::optional<ULONGLONG> WaitForExit(const Started& p, DWORD timeoutMs);
// Ends what this host started and is still running: first a polite close of
// its windows, then, as a last resort, by its own handle.
void EndStarted();

struct WindowInfo {
    HWND hwnd = nullptr;
    std::string title;
    std::string className;
    bool visible = false;
};

std::string TitleOf(HWND hwnd);
std::string ClassOf(HWND hwnd);
// The top-level windows of a process.
std::vector<WindowInfo> WindowsOf(DWORD pid);
// Every top-level window titled `title`, whoever owns it.
std::vector<HWND> WindowsTitled(const char* title);
DWORD ProcessOf(HWND hwnd);

// Starts a full-screen run and waits for its window: visible, exactly titled,
// owned by the started process. Nothing when that fails (the failure is
// logged).
HWND StartFullScreen(const std::string& scr, Started*& saver);

// The host of a preview, as on the platform's settings page: a child window
// (grey) inside a top-most dialog-like frame (white), shown. Both are
// nothing when they cannot be made (the failure is logged).
struct PreviewHost {
    HWND frame = nullptr;
    HWND host = nullptr;
};
PreviewHost CreatePreviewHost(int clientWidth, int clientHeight);

// --- Registry ------------------------------------------------------------------------

// Sets values under one key of HKEY_CURRENT_USER and puts everything back as
// it was on Restore: values that were absent are deleted, and so is the key
// (and `ownerKey`, its parent, if given) when this guard created it.
class RegistryGuard {
public:
    explicit RegistryGuard(const char* subkey, const char* ownerKey = nullptr) : subkey_(subkey), owner_(ownerKey) {}
    RegistryGuard(const RegistryGuard&) = delete;
    RegistryGuard& operator=(const RegistryGuard&) = delete;
    ~RegistryGuard() { Restore(); }

    void Set(const std::string& name, const std::string& text);
    void SetDword(const std::string& name, DWORD value);
    void Delete(const std::string& name);
    void Restore();

private:
    struct SavedValue {
        std::string name;
        bool present = false;
        DWORD type = 0;
        std::vector<BYTE> data;
    };
    HKEY OpenAndSave(const std::string& name);

    const char* subkey_;
    const char* owner_;
    bool recorded_ = false;
    bool keyExisted_ = false;
    bool ownerExisted_ = false;
    std::vector<SavedValue> saved_;
};

// The program's own settings.
class SettingsGuard : public RegistryGuard {
public:
    SettingsGuard() : RegistryGuard(kSettingsKey, kApplicationKey) {}
};

// Rainbow off, the given colour, a fixed speed.
void SetRunSettings(SettingsGuard& settings, int color);

// A REG_DWORD under HKEY_CURRENT_USER\subkey; nothing when absent or of
// another type.
std::optional<DWORD> ReadDword(const char* subkey, const char* name);
// A REG_SZ under HKEY_CURRENT_USER\subkey; nothing when absent or of another
// type.
std::optional<std::string> ReadString(const char* subkey, const char* name);

// --- Pictures ----------------------------------------------------------------------

using Pixel = uint32_t;  // 0x00RRGGBB

struct Sprite {
    std::array<Pixel, kPitch * kPitch> pixels{};
};

// Reads the top-left 10 x 10 pixels of an uncompressed 24- or 32-bit BMP.
std::optional<Sprite> ReadSprite(const std::string& path);
// The six cell pictures from `folder`, all different.
std::optional<std::array<Sprite, 6>> LoadArt(const std::string& folder);

// A piece of the screen as the platform shows it.
struct Frame {
    int left = 0, top = 0, width = 0, height = 0;
    std::vector<Pixel> pixels;
    Pixel At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

Frame Capture(const RECT& screen);
void SaveBmp(const Frame& f, const std::string& path);
// Asks the driver for a screen shot of the X display as it is now, and keeps
// the frame the checks looked at beside it.
void Snap(const std::string& name, const Frame* frame = nullptr);

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
CellMap Classify(const Frame& f, const std::array<Sprite, 6>& sprites);
std::string Describe(const CellMap& m);
// A frame that only shows what the run may show: whole cells on the pitch,
// live cells only in `liveColor` (none at all when it is -1), dead cells and
// black, and nothing outside the grid.
bool Clean(const CellMap& m, int liveColor);
int Changed(const CellMap& a, const CellMap& b);

RECT VirtualScreen();
bool SameRect(const RECT& a, const RECT& b);

// --- Paths ---------------------------------------------------------------------------

std::string WindowsPath(const std::string& folder, const std::string& name);
std::string FolderOf(const std::string& path);

}  // namespace e2e
