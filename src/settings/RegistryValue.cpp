#include "settings/RegistryValue.h"

#include <algorithm>
#include <vector>

#include "settings/Conversions.h"

namespace tovra {

RegistryCalls::~RegistryCalls() = default;

std::string RegistryValueText(long queryStatus, uint32_t type, const unsigned char* data, uint32_t byteCount,
                         std::size_t bufferSize) {
    if (queryStatus != 0 || byteCount == 0 || byteCount > bufferSize || data == nullptr) return kNotFound;
    if (type == kRegDwordType) {
        // Low byte first; a value shorter than four bytes counts only the
        // bytes it has.
        uint32_t number = 0;
        const uint32_t bytes = std::min<uint32_t>(byteCount, 4);
        for (uint32_t i = 0; i < bytes; ++i) number |= static_cast<uint32_t>(data[i]) << (8 * i);
        return ThreeDigitText(number);
    }
    return std::string(reinterpret_cast<const char*>(data), byteCount - 1);
}

std::string ReadRegistryText(RegistryCalls& registry, RegistryCalls::Key root, const std::string& subkey,
                        const std::string& valueName) {
    RegistryCalls::Key key = 0;
    std::string result;
    try {
        registry.OpenKey(root, subkey, key);
        std::vector<unsigned char> buffer(kRegistryBufferSize, ' ');
        uint32_t byteCount = kRegistryBufferSize;
        uint32_t type = 0;
        const long status = registry.QueryValue(key, valueName, type, buffer.data(), byteCount);
        result = RegistryValueText(status, type, buffer.data(), byteCount, buffer.size());
    } catch (...) {
        // Whatever went wrong, the read is abandoned: the switch reads as off.
        result = kNotFound;
    }
    if (key != 0) {
        try {
            registry.CloseKey(key);
        } catch (...) {
        }
    }
    return result;
}

bool UsePasswordFromRegistryText(std::string_view text) { return LeadingNumber(text) != 0.0; }

}  // namespace tovra
