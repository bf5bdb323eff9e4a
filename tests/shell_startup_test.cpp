// Start-up: the command line's switch and window number, and the steps of
// each start mode against a recording platform.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/CommandLine.h"
#include "shell/ModTovra.h"

namespace tovra {
namespace {

TEST(CommandLine, TheSecondCharacterChoosesTheMode) {
    const std::pair<const char*, RunMode> rows[] = {
        {"", RunMode::Configure},        {"s", RunMode::Configure},      {"   ", RunMode::Configure},
        {"/c:1234", RunMode::Configure}, {"   -S   ", RunMode::Saver},   {"xs", RunMode::Saver},
        {"/saver", RunMode::Saver},      {"/p5678", RunMode::Preview},   {"/L 5678", RunMode::Preview},
        {"/a 1234", RunMode::ChangePassword}, {"/x", RunMode::None},     {"\t/s", RunMode::None},
    };
    for (auto [line, mode] : rows) EXPECT_EQ(ParseRunMode(line), mode) << '"' << line << '"';
}

TEST(CommandLine, TheWindowNumberIsTheFinalRunOfDigits) {
    const struct {
        const char* line;
        int32_t handle;
        HandleProblem problem;
    } rows[] = {
        {"/p:1234", 1234, HandleProblem::None},      {"/P 12x34   ", 34, HandleProblem::None},
        {"/p 007", 7, HandleProblem::None},          {"5", 5, HandleProblem::None},
        {"/p 2147483647", 2147483647, HandleProblem::None}, {"/p", 0, HandleProblem::NoNumber},
        {"/p 12a", 0, HandleProblem::NoNumber},
        {"/p 2147483648", 0, HandleProblem::TooLarge}, {"/p 99999999999999999999", 0, HandleProblem::TooLarge},
    };
    for (const auto& r : rows) {
        const HandleResult result = GetHwndFromCommand(r.line);
        EXPECT_EQ(result.handle, r.handle) << r.line;
        EXPECT_EQ(result.problem, r.problem) << r.line;
    }
    EXPECT_NE(DescribeHandleProblem(HandleProblem::NoNumber, " /p ").find("\"/p\" names no window"), std::string::npos);
    EXPECT_NE(DescribeHandleProblem(HandleProblem::TooLarge, "/p 9").find("0 to 2,147,483,647"), std::string::npos);
    EXPECT_EQ(DescribeHandleProblem(HandleProblem::None, "/p 9"), "");
}

// Records every platform and form call as one line of text.
class RecordingShell : public ShellPlatform, public DisplayFormRuntime {
public:
    std::vector<std::string> calls;
    WindowHandle runningSaver = 0;
    int monitors = 2;
    const bool* blnPreview = nullptr;

    void Log(const std::string& s) { calls.push_back(s); }
    static std::string N(int64_t n) { return " " + std::to_string(n); }

    WindowHandle FindWindowByTitle(const std::string& title) override {
        Log("FindWindow " + title);
        return runningSaver;
    }
    int GetSystemMetrics(int index) override {
        const int values[] = {-1280, -200, 3200, 1280, monitors};  // indices 76 to 80
        return index >= 76 && index <= 80 ? values[index - 76] : 0;
    }
    double TwipsPerPixelX() override { return 15; }
    double TwipsPerPixelY() override { return 12; }
    void GetClientRect(WindowHandle window, HostRect& rect) override {
        Log("GetClientRect" + N(window));
        rect = {0, 0, 152, 112};
    }
    int32_t GetWindowLongValue(WindowHandle, int) override { return 0x00CF0000; }
    void SetWindowLongValue(WindowHandle window, int index, int64_t value) override {
        Log("SetWindowLong" + N(window) + N(index) + N(value));
    }
    void SetParent(WindowHandle window, WindowHandle parent) override { Log("SetParent" + N(window) + N(parent)); }
    void SetWindowPos(WindowHandle window, WindowHandle after, int x, int y, int cx, int cy, unsigned flags) override {
        Log("SetWindowPos" + N(window) + N(after) + N(x) + N(y) + N(cx) + N(cy) + N(flags));
    }
    void PwdChangePassword(const std::string& provider, WindowHandle parent) override {
        Log("PwdChangePassword " + provider + N(parent));
    }
    DisplayFormRuntime& LoadDisplayForm() override {
        Log("LoadDisplayForm preview" + N(*blnPreview));
        return *this;
    }
    void ShowConfigDialog() override { Log("ShowConfigDialog"); }
    void ReportStartError(const std::string&) override { Log("ReportStartError"); }

    void SetCaption(const std::string& caption) override { Log("Caption " + caption); }
    void Show() override { Log("Show"); }
    WindowHandle hWnd() override { return 77; }
    void SetWindowState(WindowState state) override { Log("WindowState" + N(static_cast<int>(state))); }
    void SetTop(float twips) override { Log("Top" + N(static_cast<int64_t>(twips))); }
    void SetLeft(float twips) override { Log("Left" + N(static_cast<int64_t>(twips))); }
    void SetWidth(float twips) override { Log("Width" + N(static_cast<int64_t>(twips))); }
    void SetHeight(float twips) override { Log("Height" + N(static_cast<int64_t>(twips))); }
};

TEST(Startup, EachModesSteps) {
    const std::string running = "Running Screen Saver";
    const struct {
        const char* line;
        WindowHandle runningSaver;
        int monitors;
        std::vector<std::string> calls;  // after looking for a running saver
    } rows[] = {
        {" /s ", 0, 2, {"LoadDisplayForm preview 0", "Caption " + running, "Show", "WindowState 0", "Top -2400",
                        "Left -19200", "Width 48000", "Height 15360", "SetWindowPos 77 -1 0 0 0 0 3"}},
        {"/S", 0, 0, {"LoadDisplayForm preview 0", "Caption " + running, "Show", "SetWindowPos 77 -1 0 0 0 0 3"}},
        {"/p:5678", 0, 2, {"GetClientRect 5678", "LoadDisplayForm preview 1", "Caption Preview Screen Saver",
                           "SetWindowLong 77 -16 1087307776", "SetParent 77 5678", "SetWindowLong 77 -8 5678",
                           "SetWindowPos 77 0 0 0 152 112 84"}},
        {"", 0, 2, {"ShowConfigDialog"}},
        {"/a 1234", 0, 2, {"PwdChangePassword SCRSAVE 1234"}},
        {"/x", 0, 2, {}},
        // A missing or oversized window number is reported before any window exists.
        {"/p", 0, 2, {"ReportStartError"}},
        {"/a 2147483648", 0, 2, {"ReportStartError"}},
        // Nothing starts while a full-screen run is on the screen.
        {"/s", 4242, 2, {}},
        {"/c", 4242, 2, {}},
        {"/p 1234", 4242, 2, {}},
    };
    for (const auto& r : rows) {
        ModTovra mod;
        mod.blnPreview = std::string(r.line).find('p') == std::string::npos;  // each mode sets its own
        RecordingShell shell;
        shell.blnPreview = &mod.blnPreview;
        shell.runningSaver = r.runningSaver;
        shell.monitors = r.monitors;
        mod.Main(shell, r.line);
        std::vector<std::string> expected = {"FindWindow " + running};
        expected.insert(expected.end(), r.calls.begin(), r.calls.end());
        EXPECT_EQ(shell.calls, expected) << '"' << r.line << '"';
    }
}

}  // namespace
}  // namespace tovra
