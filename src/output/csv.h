#pragma once
// CSV fields as other tools read them: quoted only when they must be.

#include <string>
#include <string_view>

namespace gaussnet {

// The field as is, or in double quotes with every quote doubled when it holds
// a comma, a quote, a line end or leading or trailing blanks.
std::string csv_field(std::string_view text);

// The shortest text that reads back as the same double: 0.745, not 0.74500000000000002.
std::string shortest_text(double value);

// Graph tools and browsers read UTF-8 only. A byte that is no part of a UTF-8
// character comes from a Latin-1 file (a spreadsheet's export) and is taken as such.
std::string as_utf8(std::string_view text);

}  // namespace gaussnet
