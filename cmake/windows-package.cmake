# The Windows program's folder and zip: velastria.exe beside sound/ and textures/, painted
# and composed by the native build's tools (VELASTRIA_HOST_TOOLS_DIR, usually build/tools).
set(VELASTRIA_HOST_TOOLS_DIR "" CACHE PATH "tools folder of a native build (texgen, songgen)")
if(NOT VELASTRIA_HOST_TOOLS_DIR)
  message(FATAL_ERROR "A cross build needs VELASTRIA_HOST_TOOLS_DIR (build/tools of the native build)")
endif()

set(content_stamp ${CMAKE_BINARY_DIR}/content.stamp)
add_custom_command(
  OUTPUT ${content_stamp}
  COMMAND ${VELASTRIA_HOST_TOOLS_DIR}/texgen ${VELASTRIA_DEMO_DIR}
  COMMAND ${VELASTRIA_HOST_TOOLS_DIR}/songgen ${VELASTRIA_DEMO_DIR}
  COMMAND ${CMAKE_COMMAND} -E touch ${content_stamp}
  DEPENDS ${VELASTRIA_HOST_TOOLS_DIR}/texgen ${VELASTRIA_HOST_TOOLS_DIR}/songgen
  COMMENT "Painting the textures and composing the song with the native tools"
  VERBATIM)
add_custom_target(demo_content ALL DEPENDS ${content_stamp})

set(package_zip ${CMAKE_BINARY_DIR}/velastria-win64.zip)
add_custom_command(
  OUTPUT ${package_zip}
  COMMAND ${CMAKE_COMMAND} -E rm -f ${package_zip}
  COMMAND ${CMAKE_COMMAND} -E tar cf ${package_zip} --format=zip -- velastria.exe sound textures
  WORKING_DIRECTORY ${VELASTRIA_DEMO_DIR}
  DEPENDS velastria ${content_stamp}
  COMMENT "Packing velastria-win64.zip"
  VERBATIM)
add_custom_target(package_zip ALL DEPENDS ${package_zip})
