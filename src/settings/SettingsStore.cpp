#include "settings/SettingsStore.h"

#include <algorithm>
#include <iterator>

namespace tovra {

namespace {

bool SameName(const std::string& a, const std::string& b) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [&](char x, char y) { return lower(x) == lower(y); });
}

}  // namespace

SettingsStore::~SettingsStore() = default;

std::size_t MemorySettingsStore::IndexOf(const std::string& application, const std::string& section,
                                         const std::string& key) const {
    std::size_t i = 0;
    for (; i < entries_.size(); ++i) {
        const Entry& e = entries_[i];
        if (SameName(e.application, application) && SameName(e.section, section) && SameName(e.key, key)) break;
    }
    return i;
}

std::string MemorySettingsStore::GetSetting(const std::string& application, const std::string& section,
                                            const std::string& key, const std::string& defaultText) {
    calls.push_back({Call::kGet, application, section, key, defaultText});
    const std::size_t i = IndexOf(application, section, key);
    return i < entries_.size() ? entries_[i].text : defaultText;
}

void MemorySettingsStore::SaveSetting(const std::string& application, const std::string& section,
                                      const std::string& key, const std::string& text) {
    calls.push_back({Call::kSave, application, section, key, text});
    Put(application, section, key, text);
}

void MemorySettingsStore::Put(const std::string& application, const std::string& section,
                              const std::string& key, const std::string& text) {
    const std::size_t i = IndexOf(application, section, key);
    if (i < entries_.size()) {
        entries_[i].text = text;
    } else {
        entries_.push_back({application, section, key, text});
    }
}

std::optional<std::string> MemorySettingsStore::Find(const std::string& application,
                                                     const std::string& section,
                                                     const std::string& key) const {
    const std::size_t i = IndexOf(application, section, key);
    if (i == entries_.size()) return std::nullopt;
    return entries_[i].text;
}

std::vector<MemorySettingsStore::Call> MemorySettingsStore::Saves() const {
    std::vector<Call> saves;
    std::copy_if(calls.begin(), calls.end(), std::back_inserter(saves),
                 [](const Call& c) { return c.kind == Call::kSave; });
    return saves;
}

}  // namespace tovra
