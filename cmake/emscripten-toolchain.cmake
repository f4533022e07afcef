# The web preset's toolchain: Emscripten's own toolchain file, wherever this
# machine's Emscripten is. In order: $EMSCRIPTEN (its root, as emsdk sets it),
# then the folder of the emcc found on PATH (Debian's /usr/bin/emcc links
# into /usr/share/emscripten; emsdk puts its root on PATH).
set(_latticegas_emscripten_roots)
if(DEFINED ENV{EMSCRIPTEN})
  list(APPEND _latticegas_emscripten_roots "$ENV{EMSCRIPTEN}")
endif()
find_program(LATTICEGAS_EMCC emcc)
if(LATTICEGAS_EMCC)
  file(REAL_PATH "${LATTICEGAS_EMCC}" _latticegas_emcc)
  get_filename_component(_latticegas_emcc_dir "${_latticegas_emcc}" DIRECTORY)
  list(APPEND _latticegas_emscripten_roots "${_latticegas_emcc_dir}")
endif()
foreach(_root IN LISTS _latticegas_emscripten_roots)
  if(EXISTS "${_root}/cmake/Modules/Platform/Emscripten.cmake")
    include("${_root}/cmake/Modules/Platform/Emscripten.cmake")
    return()
  endif()
endforeach()
message(FATAL_ERROR "Emscripten not found: put emcc on PATH (Debian: apt-get install emscripten) "
  "or set EMSCRIPTEN to its root. Looked in: ${_latticegas_emscripten_roots}")
