# One library per room of src/, each seeing only the rooms it may use.
#
#   gaussnet_room(<room> [USES <room>...])
#
# builds src/<room>/*.cpp (but main.cpp) into gaussnet_<room>. The room's
# headers are reached through a view of its own, <build>/rooms/<room>, which
# holds one link, <room> -> src/<room>; a room's compile sees its own view and
# the views of the rooms it names in USES, not those of the rooms they use,
# and never src/ as a whole. So `#include "driver/app.h"` in a room below the
# driver does not compile, and a room's USES line lists every room whose
# headers it includes (directly or through another room's header).
# New .cpp files in a room are picked up by the glob; a new room is one call.

set(GAUSSNET_ROOM_VIEWS ${CMAKE_BINARY_DIR}/rooms)

# The view of one room: <build>/rooms/<room>/<room> -> src/<room>.
function(gaussnet_room_view room)
  file(MAKE_DIRECTORY ${GAUSSNET_ROOM_VIEWS}/${room})
  file(CREATE_LINK ${CMAKE_SOURCE_DIR}/src/${room} ${GAUSSNET_ROOM_VIEWS}/${room}/${room} SYMBOLIC)
endfunction()

function(gaussnet_room room)
  cmake_parse_arguments(PARSE_ARGV 1 ROOM "" "" "USES")
  set(view ${GAUSSNET_ROOM_VIEWS}/${room})
  gaussnet_room_view(${room})

  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/${room}/*.cpp)
  list(FILTER sources EXCLUDE REGEX ".*/main\\.cpp$")
  set(uses)
  foreach(used ${ROOM_USES})
    list(APPEND uses gaussnet_${used})
  endforeach()
  if(sources)
    add_library(gaussnet_${room} STATIC ${sources})
    target_include_directories(gaussnet_${room} PUBLIC ${view})
    # Private: what a room uses is linked in, but its headers stay out of
    # sight of the rooms above unless they name it too.
    target_link_libraries(gaussnet_${room} PRIVATE ${uses} Threads::Threads)
  else()
    add_library(gaussnet_${room} INTERFACE)
    target_include_directories(gaussnet_${room} INTERFACE ${view})
    target_link_libraries(gaussnet_${room} INTERFACE ${uses} Threads::Threads)
  endif()
  set_property(TARGET gaussnet_${room} PROPERTY GAUSSNET_USES ${uses})
  set_property(GLOBAL APPEND PROPERTY GAUSSNET_ROOMS ${room})
  set_property(GLOBAL APPEND PROPERTY GAUSSNET_ROOM_SOURCES ${sources})
endfunction()

# A room's program, src/<room>/main.cpp, sees what the room sees.
function(gaussnet_room_program name room)
  add_executable(${name} ${CMAKE_SOURCE_DIR}/src/${room}/main.cpp)
  get_target_property(uses gaussnet_${room} GAUSSNET_USES)
  target_link_libraries(${name} PRIVATE gaussnet_${room} ${uses})
endfunction()

# A test that proves the rule holds: a file that the <room>'s compile sees
# and that includes a header of <above> must fail to compile, for want of the
# header alone.
function(gaussnet_room_include_must_fail room above)
  file(GLOB headers ${CMAKE_SOURCE_DIR}/src/${above}/*.h)
  list(GET headers 0 header)
  get_filename_component(header ${header} NAME)
  set(probe ${CMAKE_BINARY_DIR}/rooms/probes/${room}_includes_${above}.cpp)
  file(WRITE ${probe} "#include \"${above}/${header}\"\n")
  add_library(probe_${room}_includes_${above} OBJECT EXCLUDE_FROM_ALL ${probe})
  target_link_libraries(probe_${room}_includes_${above} PRIVATE gaussnet_${room})
  add_test(NAME Rooms.${room}_cannot_include_${above}
           COMMAND ${CMAKE_COMMAND} --build ${CMAKE_BINARY_DIR} --target probe_${room}_includes_${above})
  set_tests_properties(Rooms.${room}_cannot_include_${above} PROPERTIES LABELS rooms
    PASS_REGULAR_EXPRESSION "${above}/${header}'?:? (No such file or directory|file not found)")
endfunction()
