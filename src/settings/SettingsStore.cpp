#include "settings/SettingsStore.h"

namespace tovra {

SettingsStore::~SettingsStore() = default;

std::string MemorySettingsStore::GetSetting(const std::string& application, const std::string& section,
                                            const std::string& key, const std::string& defaultText) {
    const auto it = entries_.find({application, section, key});
    return it == entries_.end() ? defaultText : it->second;
}

void MemorySettingsStore::SaveSetting(const std::string& application, const std::string& section,
                                      const std::string& key, const std::string& text) {
    saves_.push_back({application, section, key, text});
    Put(application, section, key, text);
}

void MemorySettingsStore::Put(const std::string& application, const std::string& section,
                              const std::string& key, const std::string& text) {
    entries_[{application, section, key}] = text;
}

}  // namespace tovra
