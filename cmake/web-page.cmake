# The browser build: the program becomes velastria.js + velastria.wasm, which the page in
# src/platform/web/page/ loads (scripts/build-web.sh puts them together with the data).
set(VELASTRIA_WEB_LIBRARY ${CMAKE_SOURCE_DIR}/src/platform/web/library.js)
target_link_options(velastria PRIVATE
  # The fixed-function pipeline the engine draws with, emulated on WebGL 1; the landscape
  # sends one batch of about 3 MB, more than the emulation's default 2 MB scratch space.
  -sLEGACY_GL_EMULATION=1 -sGL_MAX_TEMP_BUFFER_SIZE=16777216
  -sMIN_WEBGL_VERSION=1 -sMAX_WEBGL_VERSION=1
  -sALLOW_MEMORY_GROWTH=1 -sINITIAL_MEMORY=67108864
  # The page fetches the data files into the file system, then starts main at the viewer's
  # click (and again for "play again"); the program's end is not the page's.
  -sFORCE_FILESYSTEM=1 -sINVOKE_RUN=0 -sEXIT_RUNTIME=0
  "-sEXPORTED_RUNTIME_METHODS=['callMain','FS','UTF8ToString']"
  "-sEXPORTED_FUNCTIONS=['_main','_velastria_audio_pump','_malloc','_free']"
  -sENVIRONMENT=web
  --js-library ${VELASTRIA_WEB_LIBRARY})
set_target_properties(velastria PROPERTIES SUFFIX ".js" LINK_DEPENDS ${VELASTRIA_WEB_LIBRARY})
