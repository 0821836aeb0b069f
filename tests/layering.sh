#!/usr/bin/env bash
# Which source folder may include which: scenes use the engine, the engine never
# includes scenes, and only src/platform talks to SDL, EGL, FreeType, fontconfig or the
# Windows API.
set -u
cd "$(dirname "$0")/.."
fail=0
check() {  # folder, forbidden include pattern, reason[, the one file allowed to break the rule]
  local hits
  hits=$(grep -rnE "#include *[<\"]($2)" "src/$1" ${4:+--exclude="$4"} 2>/dev/null)
  if [ -n "$hits" ]; then
    echo "layering: src/$1 must not include $2 ($3):"
    echo "$hits"
    fail=1
  fi
}
for sub in app engine geometry resources music scenes; do
  check "$sub" 'SDL|EGL/|ft2build|freetype/|fontconfig/|windows\.h|mmsystem\.h' 'only src/platform talks to these libraries'
  # The backends are chosen at build time by the sources CMake picks, never by the preprocessor.
  check "$sub" 'platform/backend\.h' 'the backend interface is private to src/platform'
done
check engine 'scenes/' 'the engine never includes scenes'
# Particle sprites face the World's camera and the fly camera reads the keys, both reached
# through theDemo in geometry/scene_access.cpp alone.
check geometry 'scenes/|app/demo' 'geometry sits below the scenes and the shell' 'scene_access.cpp'
check resources 'scenes/' 'resources sit below the scenes'
check music 'scenes/|engine/|geometry/|resources/|app/' 'music stands on its own'
check platform 'scenes/|engine/|geometry/|resources/|app/|music/' 'the platform layer stands below everything'
if [ $fail -eq 0 ]; then echo "1 passed, 0 failed"; else echo "0 passed, 1 failed"; fi
exit $fail
