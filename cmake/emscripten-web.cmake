# The browser build with Debian's emscripten. Its JavaScript tools need the
# modules in Debian's folder, which this machine's node does not search: every
# compile and link step gets NODE_PATH, so no player's shell has to.
set(_node_path NODE_PATH=/usr/share/nodejs)
set(ENV{NODE_PATH} /usr/share/nodejs)
include(/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake)
set(CMAKE_C_COMPILER_LAUNCHER env ${_node_path} CACHE STRING "" FORCE)
set(CMAKE_CXX_COMPILER_LAUNCHER env ${_node_path} CACHE STRING "" FORCE)
set(CMAKE_CXX_LINKER_LAUNCHER env ${_node_path} CACHE STRING "" FORCE)
set(CMAKE_C_LINKER_LAUNCHER env ${_node_path} CACHE STRING "" FORCE)
