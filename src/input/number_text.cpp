#include "input/number_text.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>
#include <system_error>

namespace gaussnet {

namespace {

bool starts_mantissa(std::string_view text) {
    return !text.empty() && ((text[0] >= '0' && text[0] <= '9') || text[0] == '.');
}

// from_chars reports a magnitude too large and one too small for any
// nonzero float alike; strtof tells them apart (rare, so the copy is cheap).
number_status classify_out_of_range(std::string_view text, float& value) {
    const std::string copy(text);
    const float rounded = std::strtof(copy.c_str(), nullptr);
    if (std::isinf(rounded)) return number_status::out_of_range;
    value = rounded;  // a tiny number underflows to a signed zero, as %f gives it
    return number_status::ok;
}

}  // namespace

number_status parse_float(std::string_view text, float& value) {
    // One sign, then a digit or point: this keeps out "+-1", "inf" and "nan".
    std::string_view mantissa = text;
    if (!mantissa.empty() && (mantissa[0] == '+' || mantissa[0] == '-')) mantissa.remove_prefix(1);
    if (!starts_mantissa(mantissa)) return number_status::not_a_number;
    // from_chars takes a '-' but no '+'.
    if (text[0] == '+') text.remove_prefix(1);

    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value, std::chars_format::general);
    if (ec == std::errc::invalid_argument || ptr != end) return number_status::not_a_number;
    if (ec == std::errc::result_out_of_range) return classify_out_of_range(text, value);
    return number_status::ok;
}

}  // namespace gaussnet
