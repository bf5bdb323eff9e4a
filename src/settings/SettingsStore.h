#pragma once
// The per-user settings store: text values addressed by application, section
// and key. Reading an absent value gives the caller's default and writes
// nothing; saving creates what is missing and replaces any earlier text.
// Nothing is ever deleted, and neither operation reports a failure.

#include <map>
#include <string>
#include <tuple>
#include <vector>

namespace tovra {

class SettingsStore {
public:
    virtual ~SettingsStore();
    virtual std::string GetSetting(const std::string& application, const std::string& section,
                                   const std::string& key, const std::string& defaultText) = 0;
    virtual void SaveSetting(const std::string& application, const std::string& section,
                             const std::string& key, const std::string& text) = 0;
};

// A store in memory, for tests. Every call is logged in order.
class MemorySettingsStore : public SettingsStore {
public:
    struct Call {
        enum Kind { kGet, kSave };
        Kind kind;
        std::string application, section, key;
        std::string text;  // the default passed to a read, the text of a save
        bool operator==(const Call&) const = default;
    };

    std::string GetSetting(const std::string& application, const std::string& section,
                           const std::string& key, const std::string& defaultText) override;
    void SaveSetting(const std::string& application, const std::string& section,
                     const std::string& key, const std::string& text) override;

    // Stores a value without logging a call (a test's starting state).
    void Put(const std::string& application, const std::string& section, const std::string& key,
             const std::string& text);
    // The logged saves, in order.
    std::vector<Call> Saves() const;

    std::vector<Call> calls;

private:
    std::map<std::tuple<std::string, std::string, std::string>, std::string> entries_;
};

}  // namespace tovra
