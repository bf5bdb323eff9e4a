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
    DisplayWindow& window = platform.LoadDisplayWindow();
    window.SetCaption(kRunningCaption);
    window.Show();
    if (const std::optional<PixelRect> screen = platform.VirtualScreen()) window.PlaceOnScreen(*screen);
    platform.MakeTopmost(window.handle());
}

void Startup::RunPreview(ShellPlatform& platform, WindowHandle host) {
    preview = true;
    HostRect rect;
    platform.GetClientRect(host, rect);
    DisplayWindow& window = platform.LoadDisplayWindow();
    window.SetCaption(kPreviewCaption);
    platform.EmbedInHost(window.handle(), host);
    platform.ShowInHost(window.handle(), rect.right, rect.bottom);
}

}  // namespace tovra
