#pragma once
// The page's own files (src/report/page) and the graph-drawing library,
// embedded when the program is built (the source is generated).

#include <string>

namespace gaussnet {

std::string report_page_template();  // report.html, with the places for the rest
std::string report_page_style();     // report.css
std::string report_page_script();    // report.js
std::string report_graph_library();  // the library's minified file; empty when it could not be fetched

}  // namespace gaussnet
