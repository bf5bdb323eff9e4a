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

// A store in memory (the Linux program's, and tests'). Saves are logged in order.
class MemorySettingsStore : public SettingsStore {
public:
    struct Save {
        std::string application, section, key, text;
    };

    std::string GetSetting(const std::string& application, const std::string& section,
                           const std::string& key, const std::string& defaultText) override;
    void SaveSetting(const std::string& application, const std::string& section,
                     const std::string& key, const std::string& text) override;

    // Stores a value without logging a save (a test's starting state).
    void Put(const std::string& application, const std::string& section, const std::string& key,
             const std::string& text);
    // The logged saves, in order.
    const std::vector<Save>& Saves() const { return saves_; }

private:
    std::vector<Save> saves_;
    std::map<std::tuple<std::string, std::string, std::string>, std::string> entries_;
};

}  // namespace tovra
