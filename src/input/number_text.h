#pragma once
// Conversion of one data value from its text to the nearest single-precision
// number, accepting the ordinary decimal forms that C's %f reads: an optional
// sign, digits with an optional point and fraction, an optional exponent
// ("3", "-0.25", "+1.5e-3", ".5", "5."). Infinities, NaNs and hexadecimal
// numbers are not data.

#include <string_view>

namespace gaussnet {

enum class number_status {
    ok,            // value holds the correctly rounded number (a tiny one may round to zero)
    not_a_number,  // the text is not a decimal number
    out_of_range,  // the magnitude exceeds the largest single-precision number
};

number_status parse_float(std::string_view text, float& value);

}  // namespace gaussnet
