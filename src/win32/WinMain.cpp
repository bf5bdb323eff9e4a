// Tovra.scr: the program's entry point and message loop.

#include <windows.h>

#include "automaton/Random.h"
#include "settings/win32/RegistrySettingsStore.h"
#include "shell/Startup.h"
#include "runtime/win32/Win32Runtime.h"
#include "shell/win32/Win32ShellPlatform.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    tovra::RuntimeRandom random;
    tovra::RegistrySettingsStore store;
    tovra::Startup startup;
    tovra::Win32ShellPlatform platform(instance, store, random, startup.preview);

    startup.Run(platform, commandLine != nullptr ? commandLine : "");

    // The program lives as long as one of its windows is open.
    if (tovra::OpenWindowCount() == 0) return 0;
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
