# The web edition's package: the static site as a zip,
# lattice-gas-<version>-web.zip, with the page, the program, the manifest, its
# icons and the service worker, README and licence
# in one folder that can be put on any static file server.
install(FILES ${PROJECT_BINARY_DIR}/index.html
              ${PROJECT_BINARY_DIR}/lattice-gas.js
              ${PROJECT_BINARY_DIR}/lattice-gas.wasm
              ${PROJECT_BINARY_DIR}/manifest.webmanifest
              ${PROJECT_BINARY_DIR}/service-worker.js
              ${PROJECT_BINARY_DIR}/icon-192.png
              ${PROJECT_BINARY_DIR}/icon-512.png
              ${PROJECT_SOURCE_DIR}/README.md
              ${PROJECT_SOURCE_DIR}/LICENSE
        DESTINATION .)
set(CPACK_PACKAGE_NAME "lattice-gas")
set(CPACK_PACKAGE_VENDOR "The lattice-gas developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_RESOURCE_FILE_LICENSE "${PROJECT_SOURCE_DIR}/LICENSE")
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_FILE_NAME "lattice-gas-${PROJECT_VERSION}-web")
include(CPack)
