#pragma once
// The desktop's settings as an XSETTINGS manager publishes them: the
// _XSETTINGS_SETTINGS property of the owner of the _XSETTINGS_S<screen>
// selection, read here from its bytes.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace tovra {

// The integer setting `name` ("Gtk/EnableAnimations"); nothing where the
// data holds no such setting, holds it with a value of another type, or is
// cut short or malformed.
std::optional<int32_t> XSettingsInteger(const unsigned char* data, std::size_t size, std::string_view name);

}  // namespace tovra
