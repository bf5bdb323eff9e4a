// A stand-in for the platform's screen-saver password service, for tests
// only: built as password.cpl and placed beside Tovra.scr, it answers
// VerifyScreenSavePwd as the test asks. Test values under
// HKEY_CURRENT_USER\Software\TovraTest:
//   PasswordAnswer  REG_SZ   "accept" to accept, anything else refuses
//   PasswordHoldMs  REG_DWORD how long the "dialog" stays open, running its
//                             own message loop as a modal dialog does
//   PasswordCalls   REG_DWORD incremented at every call
//   PasswordParent  REG_SZ   the parent window's title at the last call

#include <windows.h>

namespace {

constexpr char kKey[] = "Software\\TovraTest";

DWORD ReadDword(HKEY key, const char* name) {
    DWORD value = 0, size = sizeof value, type = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
        type != REG_DWORD)
        return 0;
    return value;
}

}  // namespace

extern "C" __declspec(dllexport) BOOL WINAPI VerifyScreenSavePwd(HWND parent) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return FALSE;
    const DWORD calls = ReadDword(key, "PasswordCalls") + 1;
    RegSetValueExA(key, "PasswordCalls", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&calls), sizeof calls);
    char title[256] = {};
    GetWindowTextA(parent, title, sizeof title);
    RegSetValueExA(key, "PasswordParent", 0, REG_SZ, reinterpret_cast<const BYTE*>(title), lstrlenA(title) + 1);

    // Stay "open" for a while, letting the caller's messages (its timer
    // ticks among them) through, as a modal dialog's loop does.
    const DWORD hold = ReadDword(key, "PasswordHoldMs");
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < hold) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            // Input belongs to the dialog, not to the window behind it.
            if (message.message >= WM_KEYFIRST && message.message <= WM_KEYLAST) continue;
            if (message.message >= WM_MOUSEFIRST && message.message <= WM_MOUSELAST) continue;
            DispatchMessageA(&message);
        }
        Sleep(10);
    }

    char answer[32] = {};
    DWORD size = sizeof answer - 1, type = 0;
    const bool accept = RegQueryValueExA(key, "PasswordAnswer", nullptr, &type, reinterpret_cast<BYTE*>(answer),
                                         &size) == ERROR_SUCCESS &&
                        type == REG_SZ && lstrcmpiA(answer, "accept") == 0;
    RegCloseKey(key);
    return accept ? TRUE : FALSE;
}
