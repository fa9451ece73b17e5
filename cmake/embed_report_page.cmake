# Writes OUT, a source that returns each file of the report's page (PAGE) and
# the graph-drawing library (LIBRARY; none: empty) as a string. The files go
# in as raw string literals of at most 30,000 bytes each, within what every
# compiler takes.

set(delimiter "gnpage")

function(embed_function name file)
  set(body "std::string ${name}() {\n    static const char* const parts[] = {\n")
  set(count 0)
  if(file)
    file(READ ${file} content)
    string(FIND "${content}" ")${delimiter}\"" clash)
    if(NOT clash EQUAL -1)
      message(FATAL_ERROR "${file} holds the literals' delimiter ${delimiter}")
    endif()
    string(LENGTH "${content}" length)
    set(at 0)
    while(at LESS length)
      string(SUBSTRING "${content}" ${at} 30000 piece)
      string(APPEND body "        R\"${delimiter}(${piece})${delimiter}\",\n")
      math(EXPR at "${at} + 30000")
      math(EXPR count "${count} + 1")
    endwhile()
  endif()
  if(count EQUAL 0)
    string(APPEND body "        \"\",\n")
  endif()
  string(APPEND body "    };\n    std::string text;\n    for (const char* part : parts) text += part;\n"
         "    return text;\n}\n\n")
  file(APPEND ${OUT} "${body}")
endfunction()

file(WRITE ${OUT} "// Generated from the report's page files when the program is built; do not edit.\n"
     "#include \"report/page_assets.h\"\n\nnamespace gaussnet {\n\n")
embed_function(report_page_template ${PAGE}/report.html)
embed_function(report_page_style ${PAGE}/report.css)
embed_function(report_page_script ${PAGE}/report.js)
embed_function(report_graph_library "${LIBRARY}")
file(APPEND ${OUT} "}  // namespace gaussnet\n")
