# The web edition's static site: the page, lattice-gas.js and lattice-gas.wasm,
# side by side at the top of the build folder, which can be served as it is;
# with the manifest, its icons and the service worker that make it installable
# and keep it offline.
if(NOT EMSCRIPTEN OR NOT TARGET lattice-gas)
  return()
endif()
set_target_properties(lattice-gas PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})
configure_file(${PROJECT_SOURCE_DIR}/packaging/web/index.html ${PROJECT_BINARY_DIR}/index.html COPYONLY)
configure_file(${PROJECT_SOURCE_DIR}/packaging/web/manifest.webmanifest
  ${PROJECT_BINARY_DIR}/manifest.webmanifest COPYONLY)
# The cache it keeps the site in is named after the version.
configure_file(${PROJECT_SOURCE_DIR}/packaging/web/service-worker.js.in
  ${PROJECT_BINARY_DIR}/service-worker.js @ONLY)

# The icons an installed page shows, rendered from the project's icon at their
# exact sizes, as packaging/icons/render.sh renders the desktop ones.
find_program(LATTICEGAS_RSVG_CONVERT rsvg-convert REQUIRED)
set(latticegas_web_icons)
foreach(size 192 512)
  add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/icon-${size}.png
    COMMAND ${LATTICEGAS_RSVG_CONVERT} -w ${size} -h ${size}
      ${PROJECT_SOURCE_DIR}/packaging/icons/lattice-gas.svg -o ${PROJECT_BINARY_DIR}/icon-${size}.png
    DEPENDS ${PROJECT_SOURCE_DIR}/packaging/icons/lattice-gas.svg
    COMMENT "Rendering the web edition's ${size} px icon"
    VERBATIM)
  list(APPEND latticegas_web_icons ${PROJECT_BINARY_DIR}/icon-${size}.png)
endforeach()
add_custom_target(web_icons ALL DEPENDS ${latticegas_web_icons})
# Built with the program, which is all scripts/package asks for.
add_dependencies(lattice-gas web_icons)
