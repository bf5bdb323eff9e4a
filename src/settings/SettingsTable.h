#pragma once
// The stored settings of section "Settings", one row each, in the order the
// display window's reader reads them: the store key and its default text,
// and for the settings the Linux programs take, their X resource, option and
// the conversion of a value given there into the stored text. The reader,
// the Linux options and resources and their usage take their settings from
// here; a new setting is a row here and the code that uses it.

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tovra {

struct SettingRow {
    const char* key;          // the store key
    const char* defaultText;  // what the readers pass as the default
    // The Linux programs' part; none (nullptr) for a setting they do not take.
    const char* resource = nullptr;  // the X resource (tovra.NAME)
    const char* option = nullptr;    // the option's name where it differs from the resource's
    bool isSwitch = false;           // -NAME and -no-NAME instead of a value (the resource takes true or false)
    const char* allowed = nullptr;   // what a value may be, for messages
    const char* usage = nullptr;     // the value in the usage line ("0..300"); none for a switch
    // The store text of a Linux value; nothing for a value it does not allow.
    std::optional<std::string> (*storeText)(std::string_view value) = nullptr;

    const char* OptionName() const { return option != nullptr ? option : resource; }
};

// Every row, in the reader's order; each key once.
std::span<const SettingRow> SettingsTable();

// The default text of a key of section "Settings"; "" for a key that has no row.
const char* SettingDefaultText(std::string_view key);

}  // namespace tovra
