#include "settings/SettingsStore.h"

#include <algorithm>
#include <iterator>

namespace tovra {

SettingsStore::~SettingsStore() = default;

std::string MemorySettingsStore::GetSetting(const std::string& application, const std::string& section,
                                            const std::string& key, const std::string& defaultText) {
    calls.push_back({Call::kGet, application, section, key, defaultText});
    const auto it = entries_.find({application, section, key});
    return it == entries_.end() ? defaultText : it->second;
}

void MemorySettingsStore::SaveSetting(const std::string& application, const std::string& section,
                                      const std::string& key, const std::string& text) {
    calls.push_back({Call::kSave, application, section, key, text});
    Put(application, section, key, text);
}

void MemorySettingsStore::Put(const std::string& application, const std::string& section,
                              const std::string& key, const std::string& text) {
    entries_[{application, section, key}] = text;
}

std::vector<MemorySettingsStore::Call> MemorySettingsStore::Saves() const {
    std::vector<Call> saves;
    std::copy_if(calls.begin(), calls.end(), std::back_inserter(saves),
                 [](const Call& c) { return c.kind == Call::kSave; });
    return saves;
}

}  // namespace tovra
