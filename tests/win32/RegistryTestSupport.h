#pragma once
// Raw reads and writes of the real registry in the test's own Wine prefix,
// and scratch names that no other run uses.

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace tovra::test {

// A name no other process uses, e.g. "SCRNSAVE:Tovra Screensaver test settings 1234".
inline std::string ScratchName(const std::string& purpose) {
    return "SCRNSAVE:Tovra Screensaver test " + purpose + " " + std::to_string(GetCurrentProcessId());
}

struct RawValue {
    DWORD type = REG_NONE;
    std::vector<unsigned char> data;
    bool operator==(const RawValue&) const = default;
};

// A REG_SZ value holding `text` and its terminating zero byte.
inline RawValue Sz(const std::string& text) {
    RawValue v{REG_SZ, {text.begin(), text.end()}};
    v.data.push_back(0);
    return v;
}

inline bool KeyExists(HKEY root, const std::string& subkey) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, subkey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

// The value as stored, or nothing when the key or the value is absent.
inline std::optional<RawValue> ReadRaw(HKEY root, const std::string& subkey, const std::string& name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, subkey.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return std::nullopt;
    RawValue value{REG_NONE, std::vector<unsigned char>(1 << 16)};
    DWORD size = static_cast<DWORD>(value.data.size());
    const LONG status = RegQueryValueExA(key, name.c_str(), nullptr, &value.type, value.data.data(), &size);
    RegCloseKey(key);
    value.data.resize(size);
    if (status != ERROR_SUCCESS) return std::nullopt;
    return value;
}

// Writes a value of any type, or deletes it when `value` is nothing.
inline LONG WriteRaw(HKEY root, const std::string& subkey, const std::string& name,
                     const std::optional<RawValue>& value) {
    if (!value) return RegDeleteKeyValueA(root, subkey.c_str(), name.c_str());
    return RegSetKeyValueA(root, subkey.c_str(), name.c_str(), value->type,
                           value->data.empty() ? nullptr : value->data.data(), static_cast<DWORD>(value->data.size()));
}

}  // namespace tovra::test
