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

# The program's face in Explorer: an icon painted by texgen from the title art, the manifest
# (per-monitor DPI awareness, Windows 10/11) and the version, compiled in by windres.
enable_language(RC)
set(VELASTRIA_ICON ${CMAKE_BINARY_DIR}/velastria.ico)
set(VELASTRIA_MANIFEST ${CMAKE_BINARY_DIR}/velastria.manifest)
add_custom_command(
  OUTPUT ${VELASTRIA_ICON}
  COMMAND ${VELASTRIA_HOST_TOOLS_DIR}/texgen --icon ${VELASTRIA_ICON}
  DEPENDS ${VELASTRIA_HOST_TOOLS_DIR}/texgen
  COMMENT "Painting the program's icon"
  VERBATIM)
add_custom_target(program_icon DEPENDS ${VELASTRIA_ICON})
configure_file(${CMAKE_SOURCE_DIR}/src/platform/win32/velastria.manifest ${VELASTRIA_MANIFEST} @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/src/platform/win32/velastria.rc.in ${CMAKE_BINARY_DIR}/velastria.rc @ONLY)
target_sources(velastria PRIVATE ${CMAKE_BINARY_DIR}/velastria.rc)
set_source_files_properties(${CMAKE_BINARY_DIR}/velastria.rc PROPERTIES OBJECT_DEPENDS "${VELASTRIA_ICON};${VELASTRIA_MANIFEST}")
add_dependencies(velastria program_icon)

# The zip unpacks into one folder, velastria/, with the program, its data and a read-me
# (Windows line ends, for any editor a double click opens).
set(package_dir ${CMAKE_BINARY_DIR}/package)
configure_file(${CMAKE_SOURCE_DIR}/packaging/windows/README.txt ${CMAKE_BINARY_DIR}/README.txt NEWLINE_STYLE WIN32)
set(package_zip ${CMAKE_BINARY_DIR}/velastria-win64.zip)
add_custom_command(
  OUTPUT ${package_zip}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${package_zip} ${package_dir}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${package_dir}/velastria
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${VELASTRIA_DEMO_DIR}/sound ${package_dir}/velastria/sound
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${VELASTRIA_DEMO_DIR}/textures ${package_dir}/velastria/textures
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:velastria> ${CMAKE_BINARY_DIR}/README.txt ${package_dir}/velastria/
  COMMAND ${CMAKE_COMMAND} -E chdir ${package_dir} ${CMAKE_COMMAND} -E tar cf ${package_zip} --format=zip -- velastria
  DEPENDS velastria ${content_stamp} ${CMAKE_BINARY_DIR}/README.txt
  COMMENT "Packing velastria-win64.zip"
  VERBATIM)
add_custom_target(package_zip ALL DEPENDS ${package_zip})
