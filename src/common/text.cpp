#include "common/text.h"

#include <cstdarg>
#include <cstdio>

namespace gaussnet {

std::string strprintf(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text(length > 0 ? static_cast<std::size_t>(length) : 0, '\0');
    if (length > 0) std::vsnprintf(text.data(), text.size() + 1, format, args);
    va_end(args);
    return text;
}

std::string printable(std::string_view text, bool escape_non_ascii) {
    std::string shown;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f || (escape_non_ascii && byte >= 0x80)) {
            shown += strprintf("\\x%02X", byte);
        } else {
            shown.push_back(c);
        }
    }
    return shown;
}

}  // namespace gaussnet
