# Installation, desktop integration and the release packages: a Debian
# package on Linux, a zip on Windows. The version everywhere is
# PROJECT_VERSION from the top-level project() call.
include(GNUInstallDirs)

# A core-only build has no program to install or package.
if(NOT TARGET lattice-gas)
  return()
endif()
if(EMSCRIPTEN)
  include(WebPackaging)
  return()
endif()

set(LATTICEGAS_APP_ID "io.github.latticegas.LatticeGas")
set(LATTICEGAS_RELEASE_DATE "2026-12-08")
set(LATTICEGAS_RELEASE_DATE_RFC2822 "Tue, 08 Dec 2026 00:00:00 +0000")
set(CPACK_PACKAGE_CONTACT "The lattice-gas developers <lattice-gas@users.noreply.github.com>")
# AppStream wants a web address for the screenshot; this is where the
# committed docs/screenshot.png is served once the repository is published.
set(LATTICEGAS_SCREENSHOT_URL
  "https://raw.githubusercontent.com/latticegas/lattice-gas/v${PROJECT_VERSION}/docs/screenshot.png")

set(_pkg "${PROJECT_SOURCE_DIR}/packaging")

if(WIN32)
  # Icon and version details as Windows resources of the .exe.
  enable_language(RC)
  set(LATTICEGAS_ICO "${_pkg}/icons/lattice-gas.ico")
  configure_file("${_pkg}/lattice-gas.rc.in" "${PROJECT_BINARY_DIR}/packaging/lattice-gas.rc" @ONLY)
  target_sources(lattice-gas PRIVATE "${PROJECT_BINARY_DIR}/packaging/lattice-gas.rc")
  # windres reads the .ico itself; a new icon must recompile the resources.
  set_source_files_properties("${PROJECT_BINARY_DIR}/packaging/lattice-gas.rc"
    PROPERTIES OBJECT_DEPENDS "${LATTICEGAS_ICO}")

  # The zip is flat: the program next to its README and licence.
  install(TARGETS lattice-gas RUNTIME DESTINATION .)
  install(FILES "${PROJECT_SOURCE_DIR}/README.md" "${PROJECT_SOURCE_DIR}/LICENSE" DESTINATION .)
else()
  set(_doc "${CMAKE_INSTALL_DATADIR}/doc/lattice-gas")
  install(TARGETS lattice-gas RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
  install(FILES "${_pkg}/lattice-gas.desktop" DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")

  configure_file("${_pkg}/metainfo.xml.in"
    "${PROJECT_BINARY_DIR}/packaging/${LATTICEGAS_APP_ID}.metainfo.xml" @ONLY)
  install(FILES "${PROJECT_BINARY_DIR}/packaging/${LATTICEGAS_APP_ID}.metainfo.xml"
    DESTINATION "${CMAKE_INSTALL_DATADIR}/metainfo")

  install(FILES "${_pkg}/icons/lattice-gas.svg"
    DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps")
  foreach(_size 16 32 48 64 128 256)
    install(FILES "${_pkg}/icons/lattice-gas-${_size}.png"
      DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/${_size}x${_size}/apps"
      RENAME lattice-gas.png)
  endforeach()

  # The changelog of a Debian native package, in Debian's format.
  configure_file("${_pkg}/debian-changelog.in" "${PROJECT_BINARY_DIR}/packaging/changelog" @ONLY)

  # Debian wants manual pages and changelogs compressed, and gzip -n keeps
  # time stamps out so that rebuilding gives the same bytes.
  configure_file("${_pkg}/lattice-gas.1" "${PROJECT_BINARY_DIR}/packaging/lattice-gas.1" @ONLY)
  find_program(LATTICEGAS_GZIP gzip REQUIRED)
  add_custom_command(
    OUTPUT "${PROJECT_BINARY_DIR}/packaging/lattice-gas.1.gz"
           "${PROJECT_BINARY_DIR}/packaging/changelog.gz"
    COMMAND "${LATTICEGAS_GZIP}" -9nc "${PROJECT_BINARY_DIR}/packaging/lattice-gas.1"
            > "${PROJECT_BINARY_DIR}/packaging/lattice-gas.1.gz"
    COMMAND "${LATTICEGAS_GZIP}" -9nc "${PROJECT_BINARY_DIR}/packaging/changelog"
            > "${PROJECT_BINARY_DIR}/packaging/changelog.gz"
    DEPENDS "${PROJECT_BINARY_DIR}/packaging/lattice-gas.1" "${PROJECT_BINARY_DIR}/packaging/changelog"
    VERBATIM)
  add_custom_target(latticegas_compressed_docs ALL
    DEPENDS "${PROJECT_BINARY_DIR}/packaging/lattice-gas.1.gz"
            "${PROJECT_BINARY_DIR}/packaging/changelog.gz")
  install(FILES "${PROJECT_BINARY_DIR}/packaging/lattice-gas.1.gz"
    DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")

  configure_file("${_pkg}/copyright.in" "${PROJECT_BINARY_DIR}/packaging/copyright" @ONLY)
  install(FILES "${PROJECT_SOURCE_DIR}/README.md" "${PROJECT_SOURCE_DIR}/LICENSE"
                "${PROJECT_BINARY_DIR}/packaging/copyright"
                "${PROJECT_BINARY_DIR}/packaging/changelog.gz"
    DESTINATION "${_doc}")
endif()

# Packages. cpack --config <build>/CPackConfig.cmake builds the one that
# suits the build: DEB from a Linux build, ZIP from the MinGW build.
set(CPACK_PACKAGE_NAME "lattice-gas")
set(CPACK_PACKAGE_VENDOR "The lattice-gas developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_RESOURCE_FILE_LICENSE "${PROJECT_SOURCE_DIR}/LICENSE")
set(CPACK_STRIP_FILES ON)
set(CPACK_THREADS 2)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME win64)
  set(CPACK_PACKAGE_FILE_NAME "lattice-gas-${PROJECT_VERSION}-win64")
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION science)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # SDL opens libGL.so.1 at run time to make the OpenGL context, so the
  # library scan cannot see it; without it the window gets no graphics.
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libgl1")
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
  # The long text under the synopsis (CPACK_PACKAGE_DESCRIPTION_SUMMARY).
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"Lattice Gas runs a lattice-gas cellular automaton in real time and lets you
edit the lattice while it runs. Nodes sit in a plane and link to up to six
neighbours by proximity; particles hop one link per generation and bounce
back where a link is missing. Tagged particles are drawn red, the others
blue, in a lit 3-D view that can be panned and zoomed.")
endif()

include(CPack)
