// The stand-in password.cpl, which also carries the hooks of "tovra-probe spy".
// VerifyScreenSavePwd refuses unless the file named by TOVRA_TEST_ACCEPT exists. Each
// logs to the file named by TOVRA_TEST_LOG: "password TITLE", "move", "key VK", "destroy TITLE cursor=0|1".
#include <windows.h>

#include <cstdio>

namespace {

void Log(const char* line) {
    char path[MAX_PATH] = {};
    if (GetEnvironmentVariableA("TOVRA_TEST_LOG", path, sizeof path) == 0) return;
    HANDLE f = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(f, line, lstrlenA(line), &written, nullptr);
    CloseHandle(f);
}

}  // namespace

extern "C" __declspec(dllexport) BOOL WINAPI VerifyScreenSavePwd(HWND parent) {
    char line[300] = "password ";
    GetWindowTextA(parent, line + 9, 256);
    Log(lstrcatA(line, "\n"));
    char accept[MAX_PATH] = {};
    return GetEnvironmentVariableA("TOVRA_TEST_ACCEPT", accept, sizeof accept) != 0 &&
           GetFileAttributesA(accept) != INVALID_FILE_ATTRIBUTES;
}

extern "C" __declspec(dllexport) LRESULT CALLBACK SpyGetMessage(int code, WPARAM wParam, LPARAM lParam) {
    const MSG* m = reinterpret_cast<const MSG*>(lParam);
    char line[32] = "";
    if (code == HC_ACTION && wParam == PM_REMOVE) {
        if (m->message == WM_MOUSEMOVE) std::snprintf(line, sizeof line, "move\n");
        else if (m->message == WM_KEYDOWN || m->message == WM_SYSKEYDOWN)
            std::snprintf(line, sizeof line, "key %u\n", static_cast<unsigned>(m->wParam));
    }
    if (line[0] != '\0') Log(line);
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

extern "C" __declspec(dllexport) LRESULT CALLBACK SpyCbt(int code, WPARAM wParam, LPARAM lParam) {
    CURSORINFO cursor{};
    cursor.cbSize = sizeof cursor;
    char line[300] = "destroy ";
    if (code == HCBT_DESTROYWND && GetWindowTextA(reinterpret_cast<HWND>(wParam), line + 8, 256) > 0)
        Log(lstrcatA(line, GetCursorInfo(&cursor) && (cursor.flags & CURSOR_SHOWING) ? " cursor=1\n" : " cursor=0\n"));
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
