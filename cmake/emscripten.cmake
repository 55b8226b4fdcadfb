# The web page's toolchain: Emscripten's own toolchain file, from the
# emsdk or Emscripten checkout that EMSCRIPTEN_ROOT names, else from the
# folder of the emcc on the PATH (Debian's package puts it in
# /usr/share/emscripten).
if(DEFINED ENV{EMSCRIPTEN_ROOT})
  set(_d88cut_emscripten "$ENV{EMSCRIPTEN_ROOT}")
else()
  find_program(_d88cut_emcc emcc)
  if(NOT _d88cut_emcc)
    message(FATAL_ERROR "emcc is not on the PATH: install Emscripten (Debian: apt-get install emscripten) "
                        "or set EMSCRIPTEN_ROOT to its folder")
  endif()
  file(REAL_PATH "${_d88cut_emcc}" _d88cut_emcc)
  get_filename_component(_d88cut_emscripten "${_d88cut_emcc}" DIRECTORY)
endif()
set(_d88cut_toolchain "${_d88cut_emscripten}/cmake/Modules/Platform/Emscripten.cmake")
if(NOT EXISTS "${_d88cut_toolchain}")
  message(FATAL_ERROR "no Emscripten toolchain file at ${_d88cut_toolchain}")
endif()
include("${_d88cut_toolchain}")
