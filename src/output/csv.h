#pragma once
// CSV fields as other tools read them: quoted only when they must be.

#include <string>
#include <string_view>

namespace gaussnet {

// The field as is, or in double quotes with every quote doubled when it holds
// a comma, a quote, a line end or leading or trailing blanks.
std::string csv_field(std::string_view text);

}  // namespace gaussnet
