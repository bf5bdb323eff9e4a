#pragma once
// The settings store in the registry: each value is a REG_SZ string named by
// its key under HKEY_CURRENT_USER\Software\<application>\<section>. Reading
// opens keys for reading only and never creates anything; saving creates the
// application's and the section's keys as needed.

#include "settings/SettingsStore.h"

namespace tovra {

class RegistrySettingsStore : public SettingsStore {
public:
    // Values of another type than a string read as absent.
    std::string GetSetting(const std::string& application, const std::string& section,
                           const std::string& key, const std::string& defaultText) override;
    void SaveSetting(const std::string& application, const std::string& section,
                     const std::string& key, const std::string& text) override;
};

// The registry path of a section, below HKEY_CURRENT_USER.
std::string SettingsKeyPath(const std::string& application, const std::string& section);

}  // namespace tovra
