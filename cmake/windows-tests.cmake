# The cross-built tests: the code that does not draw (music, picture readers, geometry,
# maths), run under Wine through CMAKE_CROSSCOMPILING_EMULATOR.  What draws needs a
# display and an OpenGL driver and is tested end to end with the real program instead.
# GoogleTest is built for the target from the sources Debian ships in /usr/src/googletest.
set(VELASTRIA_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources (Debian's googletest package)")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${VELASTRIA_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

set(tests ${CMAKE_SOURCE_DIR}/tests)
file(GLOB support_sources CONFIGURE_DEPENDS ${tests}/support/*.cpp)
add_library(velastria_test_support STATIC ${support_sources})
target_include_directories(velastria_test_support PUBLIC ${tests})
target_link_libraries(velastria_test_support PUBLIC velastria_core gtest gmock)
target_compile_definitions(velastria_test_support PUBLIC
  VELASTRIA_SHARED_XM_DIR="${VELASTRIA_SHARED_DIR}/xm"
  VELASTRIA_DEMO_DIR="${VELASTRIA_DEMO_DIR}"
  VELASTRIA_TOOLS_DIR="${VELASTRIA_TOOLS_DIR}"
  VELASTRIA_SOURCE_DIR="${CMAKE_SOURCE_DIR}")

set(wine_prefix ${CMAKE_BINARY_DIR}/wine)
function(windows_test name)
  list(TRANSFORM ARGN PREPEND ${tests}/)
  add_executable(${name}_tests ${ARGN})
  target_link_libraries(${name}_tests PRIVATE velastria_test_support gtest_main)
  add_test(NAME windows.${name} COMMAND ${name}_tests WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
  set_tests_properties(windows.${name} PROPERTIES LABELS windows TIMEOUT 300
    ENVIRONMENT "WINEPREFIX=${wine_prefix};WINEDEBUG=-all;WINEDLLOVERRIDES=mscoree,mshtml=")
endfunction()

file(GLOB music_sources CONFIGURE_DEPENDS ${tests}/music/*.cpp)
list(TRANSFORM music_sources REPLACE "^${tests}/" "")
list(REMOVE_ITEM music_sources music/default_device_test.cpp)  # the Linux backend's device
windows_test(music ${music_sources})
windows_test(resources resources/dib_test.cpp resources/hostile_files_test.cpp resources/image_files.cpp
             resources/jpeg_test.cpp resources/material_library_test.cpp)
windows_test(geometry geometry/controllers_test.cpp geometry/generators_test.cpp geometry/mesh_test.cpp
             geometry/particles_test.cpp)
windows_test(engine engine/math_test.cpp engine/node_test.cpp)

# The program itself under Wine on a virtual screen: its window, pictures and messages,
# then its sound through a sound server of the test's own.
add_test(NAME windows.wine_show COMMAND bash ${tests}/windows/wine_show.sh ${CMAKE_BINARY_DIR})
add_test(NAME windows.wine_sound
  COMMAND bash ${tests}/windows/wine_sound.sh ${CMAKE_BINARY_DIR} ${VELASTRIA_HOST_TOOLS_DIR}/xmrender)
set_tests_properties(windows.wine_show windows.wine_sound PROPERTIES LABELS windows TIMEOUT 300 RUN_SERIAL TRUE
  ENVIRONMENT "WINEPREFIX=${wine_prefix};WINEDEBUG=-all;WINEDLLOVERRIDES=mscoree,mshtml=")
