# The HTML report's page: its own files (src/report/page/*.html|css|js) and
# the graph-drawing library, which npm fetches into the build tree from the
# pinned lock file (src/report/page/package-lock.json), embedded into a
# generated source of the report room. Without npm or the registry the build
# goes on: the program then says, when asked for a report, that it was built
# without one.

set(GAUSSNET_REPORT_PAGE ${CMAKE_SOURCE_DIR}/src/report/page)
set(GAUSSNET_REPORT_NPM ${CMAKE_BINARY_DIR}/report-npm)
set(GAUSSNET_REPORT_LIBRARY_FILE ${GAUSSNET_REPORT_NPM}/node_modules/cytoscape/dist/cytoscape.min.js)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${GAUSSNET_REPORT_PAGE}/package.json
                                                                ${GAUSSNET_REPORT_PAGE}/package-lock.json)

find_program(GAUSSNET_NPM npm)
set(lock_copy ${GAUSSNET_REPORT_NPM}/package-lock.json)
set(lock_changed TRUE)
if(EXISTS ${lock_copy} AND EXISTS ${GAUSSNET_REPORT_LIBRARY_FILE})
  file(SHA256 ${lock_copy} installed)
  file(SHA256 ${GAUSSNET_REPORT_PAGE}/package-lock.json wanted)
  if(installed STREQUAL wanted)
    set(lock_changed FALSE)
  endif()
endif()
if(GAUSSNET_NPM AND lock_changed)
  file(REMOVE_RECURSE ${GAUSSNET_REPORT_NPM})
  file(COPY ${GAUSSNET_REPORT_PAGE}/package.json ${GAUSSNET_REPORT_PAGE}/package-lock.json
       DESTINATION ${GAUSSNET_REPORT_NPM})
  message(STATUS "Fetching the report's graph-drawing library with npm ci")
  execute_process(COMMAND ${GAUSSNET_NPM} ci --ignore-scripts --no-audit --no-fund
                  WORKING_DIRECTORY ${GAUSSNET_REPORT_NPM} RESULT_VARIABLE npm_status
                  OUTPUT_QUIET ERROR_VARIABLE npm_error TIMEOUT 600)
  if(NOT npm_status EQUAL 0)
    message(STATUS "npm ci failed (${npm_status}): the program is built without the HTML report\n${npm_error}")
    file(REMOVE ${lock_copy})
  endif()
elseif(NOT GAUSSNET_NPM)
  message(STATUS "npm not found: the program is built without the HTML report")
endif()

set(library "")
if(EXISTS ${GAUSSNET_REPORT_LIBRARY_FILE})
  set(library ${GAUSSNET_REPORT_LIBRARY_FILE})
endif()
set(GAUSSNET_REPORT_BUILT_WITH_LIBRARY ${library})

set(assets ${CMAKE_BINARY_DIR}/generated/report_page_assets.cpp)
file(GLOB page_files CONFIGURE_DEPENDS ${GAUSSNET_REPORT_PAGE}/*.html ${GAUSSNET_REPORT_PAGE}/*.css
     ${GAUSSNET_REPORT_PAGE}/*.js)
add_custom_command(
  OUTPUT ${assets}
  COMMAND ${CMAKE_COMMAND} -DPAGE=${GAUSSNET_REPORT_PAGE} "-DLIBRARY=${library}" -DOUT=${assets} -P
          ${CMAKE_SOURCE_DIR}/cmake/embed_report_page.cmake
  DEPENDS ${page_files} ${library} ${CMAKE_SOURCE_DIR}/cmake/embed_report_page.cmake
  COMMENT "Embedding the report's page")
target_sources(gaussnet_report PRIVATE ${assets})
