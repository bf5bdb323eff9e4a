// Start-up: the command line's grammar, the window number at its end, and
// the steps of each start mode against a recording platform.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/CommandLine.h"
#include "shell/ModTovra.h"

namespace tovra {
namespace {

TEST(CommandLine, SwitchLetterChoosesTheMode) {
    const std::pair<const char*, RunMode> cases[] = {
        {"", RunMode::Configure},          {"/", RunMode::Configure},
        {"s", RunMode::Configure},         {"   ", RunMode::Configure},
        {"/c", RunMode::Configure},        {"/c:1234", RunMode::Configure},
        {"/C 99", RunMode::Configure},     {"/s", RunMode::Saver},
        {"/S", RunMode::Saver},            {"-s", RunMode::Saver},
        {"xs", RunMode::Saver},            {"   /s   ", RunMode::Saver},
        {"/saver", RunMode::Saver},        {"/p 5678", RunMode::Preview},
        {"/P:5678", RunMode::Preview},     {"/l 5678", RunMode::Preview},
        {"/p5678", RunMode::Preview},      {"/a 1234", RunMode::ChangePassword},
        {"/x", RunMode::None},             {"/1", RunMode::None},
        {"\t/s", RunMode::None},  // only spaces are trimmed: the tab is the first character, '/' the letter
    };
    for (auto [line, mode] : cases) EXPECT_EQ(ParseRunMode(line), mode) << '"' << line << '"';
}

TEST(CommandLine, WindowNumberIsTheFinalRunOfDigits) {
    const std::pair<const char*, int32_t> good[] = {
        {"/p 1234", 1234}, {"/p:1234", 1234},   {"/p1234", 1234},     {"/P 1234   ", 1234},
        {"/p 12x34", 34},  {"/p 007", 7},       {"/p 0", 0},          {"/p 2147483647", 2147483647},
    };
    for (auto [line, handle] : good) {
        const HandleResult r = GetHwndFromCommand(line);
        EXPECT_EQ(r.problem, HandleProblem::None) << line;
        EXPECT_EQ(r.handle, handle) << line;
    }
    EXPECT_EQ(GetHwndFromCommand("/p").problem, HandleProblem::NoNumber);
    EXPECT_EQ(GetHwndFromCommand("/p 12a").problem, HandleProblem::NoNumber);
    EXPECT_EQ(GetHwndFromCommand("/p -").problem, HandleProblem::NoNumber);
    EXPECT_EQ(GetHwndFromCommand("/p 2147483648").problem, HandleProblem::TooLarge);
    EXPECT_EQ(GetHwndFromCommand("/p 99999999999999999999999").problem, HandleProblem::TooLarge);
    EXPECT_NE(DescribeHandleProblem(HandleProblem::NoNumber, "/p").find("/p"), std::string::npos);
    EXPECT_NE(DescribeHandleProblem(HandleProblem::TooLarge, "/p 9999999999").find("2,147,483,647"),
              std::string::npos);
}

// Records every platform and form call as one line of text.
class RecordingShell : public ShellPlatform, public DisplayFormRuntime {
public:
    std::vector<std::string> calls;
    WindowHandle runningSaver = 0;
    int monitors = 2;
    HostRect host{0, 0, 152, 112};
    bool* blnPreview = nullptr;

    void Log(std::string s) { calls.push_back(std::move(s)); }

    WindowHandle FindWindowByTitle(const std::string& title) override {
        Log("FindWindow " + title);
        return runningSaver;
    }
    int GetSystemMetrics(int index) override {
        Log("Metrics " + std::to_string(index));
        switch (index) {
            case SM_CMONITORS_: return monitors;
            case SM_XVIRTUALSCREEN_: return -1280;
            case SM_YVIRTUALSCREEN_: return -200;
            case SM_CXVIRTUALSCREEN_: return 3200;
            case SM_CYVIRTUALSCREEN_: return 1280;
        }
        return 0;
    }
    double TwipsPerPixelX() override { return 15; }
    double TwipsPerPixelY() override { return 12; }
    void GetClientRect(WindowHandle window, HostRect& rect) override {
        Log("GetClientRect " + std::to_string(window));
        rect = host;
    }
    int32_t GetWindowLongValue(WindowHandle window, int index) override {
        Log("GetWindowLong " + std::to_string(window) + " " + std::to_string(index));
        return static_cast<int32_t>(0x80000000u | 0x00CF0000u);
    }
    void SetWindowLongValue(WindowHandle window, int index, int64_t value) override {
        Log("SetWindowLong " + std::to_string(window) + " " + std::to_string(index) + " " + std::to_string(value));
    }
    void SetParent(WindowHandle window, WindowHandle parent) override {
        Log("SetParent " + std::to_string(window) + " " + std::to_string(parent));
    }
    void SetWindowPos(WindowHandle window, WindowHandle after, int x, int y, int cx, int cy, unsigned flags) override {
        Log("SetWindowPos " + std::to_string(window) + " " + std::to_string(after) + " " + std::to_string(x) + " " +
            std::to_string(y) + " " + std::to_string(cx) + " " + std::to_string(cy) + " " + std::to_string(flags));
    }
    void PwdChangePassword(const std::string& provider, WindowHandle parent) override {
        Log("PwdChangePassword " + provider + " " + std::to_string(parent));
    }
    DisplayFormRuntime& LoadDisplayForm() override {
        Log(std::string("LoadDisplayForm preview=") + (blnPreview && *blnPreview ? "1" : "0"));
        return *this;
    }
    void ShowConfigDialog() override { Log("ShowConfigDialog"); }
    void ReportStartError(const std::string&) override { Log("ReportStartError"); }

    void SetCaption(const std::string& caption) override { Log("Caption " + caption); }
    void Show() override { Log("Show"); }
    WindowHandle hWnd() override { return 77; }
    void SetWindowState(WindowState state) override { Log("WindowState " + std::to_string(static_cast<int>(state))); }
    void SetTop(float twips) override { Log("Top " + std::to_string(static_cast<long>(twips))); }
    void SetLeft(float twips) override { Log("Left " + std::to_string(static_cast<long>(twips))); }
    void SetWidth(float twips) override { Log("Width " + std::to_string(static_cast<long>(twips))); }
    void SetHeight(float twips) override { Log("Height " + std::to_string(static_cast<long>(twips))); }
};

struct MainRig {
    ModTovra mod;
    RecordingShell shell;
    MainRig() { shell.blnPreview = &mod.blnPreview; }
    std::vector<std::string> Run(const char* line) {
        mod.Main(shell, line);
        return shell.calls;
    }
};

TEST(Startup, SaverCoversTheVirtualScreenAndStaysOnTop) {
    MainRig rig;
    rig.mod.blnPreview = true;  // Main sets it before loading the form
    const std::vector<std::string> expected = {
        "FindWindow Running Screen Saver",
        "LoadDisplayForm preview=0",
        "Caption Running Screen Saver",
        "Show",
        "Metrics 80",
        "WindowState 0",
        "Metrics 77", "Top -2400",
        "Metrics 76", "Left -19200",
        "Metrics 78", "Width 48000",
        "Metrics 79", "Height 15360",
        "SetWindowPos 77 -1 0 0 0 0 3",
    };
    EXPECT_EQ(rig.Run(" /s "), expected);
}

TEST(Startup, SaverWithoutMonitorCountStaysMaximised) {
    MainRig rig;
    rig.shell.monitors = 0;
    const std::vector<std::string> expected = {
        "FindWindow Running Screen Saver", "LoadDisplayForm preview=0", "Caption Running Screen Saver", "Show",
        "Metrics 80", "SetWindowPos 77 -1 0 0 0 0 3",
    };
    EXPECT_EQ(rig.Run("/S"), expected);
}

TEST(Startup, PreviewEmbedsInTheHostWindow) {
    MainRig rig;
    const std::vector<std::string> expected = {
        "FindWindow Running Screen Saver",
        "GetClientRect 5678",
        "LoadDisplayForm preview=1",
        "Caption Preview Screen Saver",
        "GetWindowLong 77 -16",
        "SetWindowLong 77 -16 " + std::to_string(static_cast<int32_t>(0x80000000u | 0x00CF0000u | 0x40000000u)),
        "SetParent 77 5678",
        "SetWindowLong 77 -8 5678",
        "SetWindowPos 77 0 0 0 152 112 84",
    };
    EXPECT_EQ(rig.Run("/p:5678"), expected);
    EXPECT_TRUE(rig.mod.blnPreview);
}

TEST(Startup, OtherModes) {
    struct Case {
        const char* line;
        std::vector<std::string> tail;  // the calls after the single-instance check
    };
    const Case cases[] = {
        {"", {"ShowConfigDialog"}},
        {"/c:1234", {"ShowConfigDialog"}},
        {"/a 1234", {"PwdChangePassword SCRSAVE 1234"}},
        {"/x", {}},
        // A missing or oversized window number is reported before any window exists.
        {"/p", {"ReportStartError"}},
        {"/l 2147483648", {"ReportStartError"}},
        {"/a", {"ReportStartError"}},
    };
    for (const auto& c : cases) {
        MainRig rig;
        std::vector<std::string> expected = {"FindWindow Running Screen Saver"};
        expected.insert(expected.end(), c.tail.begin(), c.tail.end());
        EXPECT_EQ(rig.Run(c.line), expected) << c.line;
    }
}

TEST(Startup, NothingStartsWhileAFullScreenRunIsOnTheScreen) {
    for (const char* line : {"/s", "/c", "", "/p 1234", "/a 1234"}) {
        MainRig rig;
        rig.shell.runningSaver = 4242;
        EXPECT_EQ(rig.Run(line), std::vector<std::string>{"FindWindow Running Screen Saver"}) << line;
    }
}

}  // namespace
}  // namespace tovra
