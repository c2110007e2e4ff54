# Building the game for a web page with Debian's Emscripten. Emscripten's own
# platform file picks em++ and the WebAssembly target; its JavaScript tools
# run under whatever node is on the PATH, which finds Debian's acorn only
# through NODE_PATH, so every compile and link step gets it.
set(tolp_emscripten_platform /usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake)
if(NOT EXISTS "${tolp_emscripten_platform}")
    message(FATAL_ERROR "${tolp_emscripten_platform} not found: install Debian's emscripten package")
endif()
include("${tolp_emscripten_platform}")

set(ENV{NODE_PATH} /usr/share/nodejs)
set(tolp_node_path_launcher "${CMAKE_COMMAND}" -E env NODE_PATH=/usr/share/nodejs)
set(CMAKE_CXX_COMPILER_LAUNCHER ${tolp_node_path_launcher})
set(CMAKE_CXX_LINKER_LAUNCHER ${tolp_node_path_launcher})
