#pragma once
// Helpers for tests on the real registry of the test's own Wine prefix:
// scratch names that no other run uses, raw reads and writes, and a value
// that is put back as it was when the test ends.

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
    RawValue value;
    DWORD size = 0;
    LONG status = RegQueryValueExA(key, name.c_str(), nullptr, &value.type, nullptr, &size);
    if (status == ERROR_SUCCESS) {
        value.data.resize(size);
        status = RegQueryValueExA(key, name.c_str(), nullptr, &value.type, size ? value.data.data() : nullptr,
                                  &size);
        value.data.resize(size);
    }
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) return std::nullopt;
    return value;
}

// Writes a value of any type; `data` may be empty (a value of no bytes).
inline LONG WriteRaw(HKEY root, const std::string& subkey, const std::string& name, const RawValue& value) {
    HKEY key = nullptr;
    LONG status = RegCreateKeyExA(root, subkey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                                  nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS) return status;
    status = RegSetValueExA(key, name.c_str(), 0, value.type, value.data.empty() ? nullptr : value.data.data(),
                            static_cast<DWORD>(value.data.size()));
    RegCloseKey(key);
    return status;
}

inline LONG DeleteRaw(HKEY root, const std::string& subkey, const std::string& name) {
    HKEY key = nullptr;
    LONG status = RegOpenKeyExA(root, subkey.c_str(), 0, KEY_SET_VALUE, &key);
    if (status != ERROR_SUCCESS) return status;
    status = RegDeleteValueA(key, name.c_str());
    RegCloseKey(key);
    return status;
}

// Keeps a value as it is now and puts it back (or removes it again) when
// it goes out of scope.
class PreservedValue {
public:
    PreservedValue(HKEY root, std::string subkey, std::string name)
        : root_(root), subkey_(std::move(subkey)), name_(std::move(name)),
          saved_(ReadRaw(root_, subkey_, name_)) {}
    ~PreservedValue() {
        if (saved_) {
            WriteRaw(root_, subkey_, name_, *saved_);
        } else {
            DeleteRaw(root_, subkey_, name_);
        }
    }
    PreservedValue(const PreservedValue&) = delete;
    PreservedValue& operator=(const PreservedValue&) = delete;

private:
    HKEY root_;
    std::string subkey_, name_;
    std::optional<RawValue> saved_;
};

}  // namespace tovra::test
