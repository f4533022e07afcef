# The browser platform, included from platform/CMakeLists.txt for Emscripten
# builds: Win32 on the page (web/) and Direct3D 9 on WebGL2 (webgl/), with the
# Win32 core (win32/, in latticegas_win32_core_sources), the GL-free Direct3D
# parts (d3d9/) and the GL calls of gl_common/ shared with the desktop.
add_library(latticegas_platform STATIC ${latticegas_win32_core_sources} ${latticegas_d3d9_sources}
  web/web_messages.cpp
  web/web_touch.cpp
  web/win32_web.cpp
  gl_common/gl_core.cpp
  webgl/drawing_way.cpp
  webgl/frame_stream.cpp
  webgl/way_chooser.cpp
  webgl/triangle_stream.cpp
  webgl/webgl_device.cpp)
target_include_directories(latticegas_platform PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/..)
latticegas_warnings(latticegas_platform)

# The functions on the stack whenever the program yields to the browser: the
# entry, WinMain, the frame loop and its frame, Present (which waits for the
# next animation frame) and the start-up failure path into MessageBoxA, the
# Win32 core's MessageBox and the page's ShowMessageBox (which waits for the
# box to close). Only these are rewritten by Asyncify, which
# keeps the code small and the drawing passes untouched.
# Names as in the wasm name section, with their parameter lists, hence the
# wildcards. The optimiser inlines some of them into main in some builds (the
# link then warns that a pattern matched nothing); main is listed, so what was
# inlined is rewritten with it.
set(latticegas_web_yielding
  main "StartWinMain*" "WinMain*" "*Frame*" "*Present*" "*InitD3D*" "*MessageBox*")
list(JOIN latticegas_web_yielding "," latticegas_web_yielding_list)

target_link_options(latticegas_platform PUBLIC
  -sMIN_WEBGL_VERSION=2 -sMAX_WEBGL_VERSION=2
  -sASYNCIFY "-sASYNCIFY_ONLY=[${latticegas_web_yielding_list}]"
  # WinMain's result ends the program: the globals' teardown runs and the
  # page is told the exit code.
  -sEXIT_RUNTIME=1
  -sALLOW_MEMORY_GROWTH=1
  -sENVIRONMENT=web
  -sEXPORTED_RUNTIME_METHODS=[]
  -sINCOMING_MODULE_JS_API=[canvas,onExit,onAbort,print,printErr,locateFile,preRun,postRun,noInitialRun]
  -lGL)

# WinMain started as Windows' start-up code would; its result ends the program.
add_library(latticegas_entry STATIC web/web_entry.cpp)
target_link_libraries(latticegas_entry PUBLIC latticegas_platform)
latticegas_warnings(latticegas_entry)
