#include "output/csv.h"

#include <charconv>

namespace gaussnet {

std::string csv_field(std::string_view text) {
    const bool padded = !text.empty() && (text.front() == ' ' || text.back() == ' ');
    if (!padded && text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

std::string shortest_text(double value) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

}  // namespace gaussnet
