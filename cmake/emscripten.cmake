# The web build: Debian's Emscripten, offline (no ports). Its JavaScript
# optimizer needs the system's Node modules, which Debian keeps in
# /usr/share/nodejs, so the compiler and linker run with NODE_PATH set.
set(MIRUKADO_EMSCRIPTEN_ROOT /usr/share/emscripten CACHE PATH "Emscripten installation")
include(${MIRUKADO_EMSCRIPTEN_ROOT}/cmake/Modules/Platform/Emscripten.cmake)
set(CMAKE_CXX_COMPILER_LAUNCHER ${CMAKE_COMMAND} -E env NODE_PATH=/usr/share/nodejs)
set(CMAKE_C_COMPILER_LAUNCHER ${CMAKE_COMMAND} -E env NODE_PATH=/usr/share/nodejs)
set(CMAKE_CXX_LINKER_LAUNCHER ${CMAKE_COMMAND} -E env NODE_PATH=/usr/share/nodejs)
