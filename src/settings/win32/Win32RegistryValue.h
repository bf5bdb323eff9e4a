#pragma once
// ReadRegistryText on the real registry, through RegOpenKeyA, RegQueryValueExA
// and RegCloseKey. It only reads.

#include <windows.h>

#include <string>

#include "settings/RegistryValue.h"

namespace tovra {

class Win32RegistryCalls : public RegistryCalls {
public:
    long OpenKey(Key root, const std::string& subkey, Key& key) override;
    long QueryValue(Key key, const std::string& valueName, uint32_t& type, unsigned char* data,
                    uint32_t& byteCount) override;
    long CloseKey(Key key) override;
};

// The value's text, or "Not Found" (see the platform-free ReadRegistryText).
std::string ReadRegistryText(HKEY root, const std::string& subkey, const std::string& valueName);

// The current user's screen-saver password switch.
bool ReadUsePassword();

}  // namespace tovra
