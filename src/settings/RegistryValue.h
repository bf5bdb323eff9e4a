#pragma once
// Reading one registry value as text, and the screen-saver password switch
// built on it. The registry calls sit behind RegistryCalls so that the whole
// read can run against a fake; the Windows adapter is in win32/.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tovra {

// The result of a read that failed.
inline constexpr char kNotFound[] = "Not Found";

// Where the platform keeps the user's password switch (under the current
// user's root key).
inline constexpr char kPasswordSubkey[] = "Control Panel\\Desktop";
inline constexpr char kPasswordValueName[] = "ScreenSaveUsePassword";

// The read buffer; longer values are not read.
inline constexpr uint32_t kRegistryBufferSize = 2048;
// Registry value type of a 32-bit number stored low byte first.
inline constexpr uint32_t kRegDwordType = 4;

// The three registry calls of a read, with the platform's results (0 is
// success). Key handles are passed as integers; 0 means no key.
class RegistryCalls {
public:
    using Key = std::uintptr_t;
    virtual ~RegistryCalls();
    // Opens `subkey` under `root` into `key`; leaves `key` alone on failure.
    virtual long OpenKey(Key root, const std::string& subkey, Key& key) = 0;
    // Reads `valueName` of `key`: `byteCount` holds the buffer's size on entry
    // and the number of bytes stored on return.
    virtual long QueryValue(Key key, const std::string& valueName, uint32_t& type, unsigned char* data,
                            uint32_t& byteCount) = 0;
    virtual long CloseKey(Key key) = 0;
};

// The text of a queried value. "Not Found" for a failed query (status not 0)
// and for a value of no bytes or more bytes than the buffer holds. A 32-bit
// number (type 4) is written in decimal with at least three digits ("000",
// "001", "1234"); any other type gives its first byteCount - 1 bytes as
// characters (a string without its terminating zero byte).
std::string RegistryValueText(long queryStatus, uint32_t type, const unsigned char* data, uint32_t byteCount,
                         std::size_t bufferSize = kRegistryBufferSize);

// Reads `valueName` under root\subkey as text, or "Not Found": opens the key
// (a failure leaves the handle 0 and the query then fails), queries the value
// into a buffer of 2048 bytes filled with spaces, forms the result and closes
// the key it opened. Never writes.
std::string ReadRegistryText(RegistryCalls& registry, RegistryCalls::Key root, const std::string& subkey,
                        const std::string& valueName);

// The password switch from the text ReadRegistryText returned: on exactly when the
// number at the start of the text is not 0 ("001", "1" on; "000", "0", empty
// text and "Not Found" off).
bool UsePasswordFromRegistryText(std::string_view text);

}  // namespace tovra
