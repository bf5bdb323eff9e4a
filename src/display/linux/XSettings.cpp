#include "display/linux/XSettings.h"

namespace tovra {

namespace {

// The data's fields in the byte order its first byte names.
struct Reader {
    const unsigned char* data;
    std::size_t size;
    bool msbFirst;
    std::size_t at = 0;
    bool ok = true;

    uint32_t Take(int bytes) {
        if (size - at < static_cast<std::size_t>(bytes)) {
            ok = false;
            return 0;
        }
        uint32_t value = 0;
        for (int i = 0; i < bytes; ++i) {
            const uint32_t byte = data[at + static_cast<std::size_t>(i)];
            value |= msbFirst ? byte << (8 * (bytes - 1 - i)) : byte << (8 * i);
        }
        at += static_cast<std::size_t>(bytes);
        return value;
    }
    // Past `bytes` bytes and the padding to a multiple of four.
    void Skip(std::size_t bytes) {
        const std::size_t padded = (bytes + 3) / 4 * 4;
        if (padded < bytes || size - at < padded) ok = false;
        else at += padded;
    }
};

enum : uint8_t { kInteger = 0, kString = 1, kColour = 2 };

}  // namespace

std::optional<int32_t> XSettingsInteger(const unsigned char* data, std::size_t size, std::string_view name) {
    if (data == nullptr || size < 12 || data[0] > 1) return std::nullopt;
    Reader r{data, size, data[0] == 1};
    r.Skip(4);   // byte order and padding
    r.Take(4);   // serial
    const uint32_t count = r.Take(4);
    for (uint32_t n = 0; n < count && r.ok; ++n) {
        const uint32_t type = r.Take(1);
        r.Take(1);
        const uint32_t nameLength = r.Take(2);
        const std::size_t nameAt = r.at;
        r.Skip(nameLength);
        r.Take(4);  // the serial of its last change
        // Compared only if the reader stayed within the data.
        const std::string_view settingName(reinterpret_cast<const char*>(data + nameAt), nameLength);
        if (type == kInteger) {
            const int32_t value = static_cast<int32_t>(r.Take(4));
            if (r.ok && settingName == name) return value;
        } else if (type == kString) {
            r.Skip(r.Take(4));
        } else if (type == kColour) {
            r.Take(4), r.Take(4);
        } else {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

}  // namespace tovra
