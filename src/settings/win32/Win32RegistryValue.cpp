#include "settings/win32/Win32RegistryValue.h"

namespace tovra {

namespace {

HKEY ToHkey(RegistryCalls::Key key) { return reinterpret_cast<HKEY>(key); }

}  // namespace

long Win32RegistryCalls::OpenKey(Key root, const std::string& subkey, Key& key) {
    HKEY opened = nullptr;
    const LONG status = RegOpenKeyA(ToHkey(root), subkey.c_str(), &opened);
    if (status == ERROR_SUCCESS) key = reinterpret_cast<Key>(opened);
    return status;
}

long Win32RegistryCalls::QueryValue(Key key, const std::string& valueName, uint32_t& type, unsigned char* data,
                                    uint32_t& byteCount) {
    DWORD valueType = 0;
    DWORD count = byteCount;
    const LONG status = RegQueryValueExA(ToHkey(key), valueName.c_str(), nullptr, &valueType, data, &count);
    type = valueType;
    byteCount = count;
    return status;
}

long Win32RegistryCalls::CloseKey(Key key) { return RegCloseKey(ToHkey(key)); }

std::string ReadRegistryText(HKEY root, const std::string& subkey, const std::string& valueName) {
    Win32RegistryCalls registry;
    return ReadRegistryText(registry, reinterpret_cast<RegistryCalls::Key>(root), subkey, valueName);
}

bool ReadUsePassword() {
    return UsePasswordFromRegistryText(ReadRegistryText(HKEY_CURRENT_USER, kPasswordSubkey, kPasswordValueName));
}

}  // namespace tovra
