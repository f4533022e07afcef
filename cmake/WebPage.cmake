# The web edition's static site: the page, lattice-gas.js and lattice-gas.wasm,
# side by side at the top of the build folder, which can be served as it is.
if(NOT EMSCRIPTEN OR NOT TARGET lattice-gas)
  return()
endif()
set_target_properties(lattice-gas PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})
configure_file(${PROJECT_SOURCE_DIR}/packaging/web/index.html ${PROJECT_BINARY_DIR}/index.html COPYONLY)
