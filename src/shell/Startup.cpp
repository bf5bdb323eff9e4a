#include "shell/Startup.h"

namespace tovra {

void Startup::Run(ShellPlatform& platform, std::string_view commandLine) {
    // Nothing starts while a full-screen run is on the screen.
    if (platform.FindWindowByTitle(kRunningCaption) != 0) return;

    const RunMode mode = ParseRunMode(commandLine);
    switch (mode) {
        case RunMode::Configure:
            platform.ShowConfigDialog();
            break;
        case RunMode::Saver:
            RunSaver(platform);
            break;
        case RunMode::Preview:
        case RunMode::ChangePassword: {
            // Both need the host window from the end of the line; without a
            // usable number nothing starts.
            const HandleResult host = HostWindowFromCommandLine(commandLine);
            if (host.problem != HandleProblem::None) {
                platform.ReportStartError(DescribeHandleProblem(host.problem, commandLine));
                return;
            }
            if (mode == RunMode::Preview) RunPreview(platform, host.handle);
            else platform.PwdChangePassword(kPasswordProvider, host.handle);
            break;
        }
        case RunMode::None:
            break;
    }
}

void Startup::RunSaver(ShellPlatform& platform) {
    preview = false;
    DisplayWindow& form = platform.LoadDisplayWindow();
    form.SetCaption(kRunningCaption);
    form.Show();
    if (platform.GetSystemMetrics(SM_CMONITORS_) != 0) {
        // Over the whole virtual screen, which may begin left of or above the
        // primary monitor.
        form.SetWindowState(WindowState::Normal);
        const double tx = platform.TwipsPerPixelX();
        const double ty = platform.TwipsPerPixelY();
        form.SetTop(static_cast<float>(platform.GetSystemMetrics(SM_YVIRTUALSCREEN_) * ty));
        form.SetLeft(static_cast<float>(platform.GetSystemMetrics(SM_XVIRTUALSCREEN_) * tx));
        form.SetWidth(static_cast<float>(platform.GetSystemMetrics(SM_CXVIRTUALSCREEN_) * tx));
        form.SetHeight(static_cast<float>(platform.GetSystemMetrics(SM_CYVIRTUALSCREEN_) * ty));
    }
    platform.SetWindowPos(form.handle(), HWND_TOPMOST_, 0, 0, 0, 0, SWP_NOSIZE_NOMOVE);
}

void Startup::RunPreview(ShellPlatform& platform, WindowHandle host) {
    preview = true;
    HostRect rect;
    platform.GetClientRect(host, rect);
    DisplayWindow& form = platform.LoadDisplayWindow();
    form.SetCaption(kPreviewCaption);
    const int32_t style = platform.GetWindowLongValue(form.handle(), GWL_STYLE_);
    platform.SetWindowLongValue(form.handle(), GWL_STYLE_, static_cast<int64_t>(style | WS_CHILD_));
    platform.SetParent(form.handle(), host);
    platform.SetWindowLongValue(form.handle(), GWL_HWNDPARENT_, host);
    platform.SetWindowPos(form.handle(), HWND_TOP_, 0, 0, rect.right, rect.bottom, SWP_NOZORDER_NOACTIVATE_SHOWWINDOW);
}

}  // namespace tovra
