#include "settings/win32/RegistrySettingsStore.h"

#include <windows.h>

#include <algorithm>
#include <vector>

namespace tovra {

std::string SettingsKeyPath(const std::string& application, const std::string& section) {
    return "Software\\" + application + "\\" + section;
}

std::string RegistrySettingsStore::GetSetting(const std::string& application, const std::string& section,
                                              const std::string& key, const std::string& defaultText) {
    HKEY hkey = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, SettingsKeyPath(application, section).c_str(), 0, KEY_QUERY_VALUE,
                      &hkey) != ERROR_SUCCESS) {
        return defaultText;
    }
    std::string result = defaultText;
    std::vector<char> data(256);
    // The value may grow between two queries: ask again with the size given.
    for (int attempt = 0; attempt < 8; ++attempt) {
        DWORD type = 0;
        DWORD size = static_cast<DWORD>(data.size());
        const LONG status =
            RegQueryValueExA(hkey, key.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
        if (status == ERROR_MORE_DATA) {
            data.resize(static_cast<std::size_t>(size) + 1);
            continue;
        }
        if (status == ERROR_SUCCESS && (type == REG_SZ || type == REG_EXPAND_SZ)) {
            std::size_t length = std::min<std::size_t>(size, data.size());
            // The text ends at its terminating zero byte, if it has one.
            while (length > 0 && data[length - 1] == '\0') --length;
            result.assign(data.data(), length);
        }
        break;
    }
    RegCloseKey(hkey);
    return result;
}

void RegistrySettingsStore::SaveSetting(const std::string& application, const std::string& section,
                                        const std::string& key, const std::string& text) {
    HKEY hkey = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, SettingsKeyPath(application, section).c_str(), 0, nullptr,
                        REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, &hkey, nullptr) != ERROR_SUCCESS) {
        return;
    }
    RegSetValueExA(hkey, key.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>(text.size() + 1));
    RegCloseKey(hkey);
}

}  // namespace tovra
