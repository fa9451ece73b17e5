// The number parser on arbitrary text. A text of the decimal form (optional
// sign, digits with an optional point and fraction, optional exponent) is
// accepted or out of range, anything else is not a number; an accepted
// number equals strtof of the same text bit for bit, and out of range means
// strtof gives an infinity.

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "input/number_text.h"

using namespace gaussnet;

namespace {

bool digit(char c) { return c >= '0' && c <= '9'; }

bool decimal_form(std::string_view t) {
    std::size_t k = 0;
    if (k < t.size() && (t[k] == '+' || t[k] == '-')) ++k;
    std::size_t digits = 0;
    while (k < t.size() && digit(t[k])) ++k, ++digits;
    if (k < t.size() && t[k] == '.') {
        ++k;
        while (k < t.size() && digit(t[k])) ++k, ++digits;
    }
    if (digits == 0) return false;
    if (k < t.size() && (t[k] == 'e' || t[k] == 'E')) {
        ++k;
        if (k < t.size() && (t[k] == '+' || t[k] == '-')) ++k;
        std::size_t exponent_digits = 0;
        while (k < t.size() && digit(t[k])) ++k, ++exponent_digits;
        if (exponent_digits == 0) return false;
    }
    return k == t.size();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    float value = 12345.0f;
    const number_status status = parse_float(text, value);
    FUZZ_CHECK((status != number_status::not_a_number) == decimal_form(text));
    if (status == number_status::not_a_number) return 0;
    char* end = nullptr;
    const float expected = std::strtof(text.c_str(), &end);
    FUZZ_CHECK(end == text.c_str() + text.size());
    if (status == number_status::out_of_range) {
        FUZZ_CHECK(std::isinf(expected));
    } else {
        FUZZ_CHECK(std::memcmp(&value, &expected, sizeof value) == 0);
    }
    return 0;
}
