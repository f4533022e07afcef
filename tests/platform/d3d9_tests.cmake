# Tests of the Direct3D 9 / D3DX9 stand-in (platform/d3d9, platform/gl). Included from this
# folder's CMakeLists.txt on both builds.
#   gl_tests                  headless: D3DX against the real one's numbers
#                             (d3dx_golden.txt), the headless device
#   gl_scene_matches_d3d9     wine: the same scene drawn by the stand-in and by
#                             Direct3D 9 under Wine, screenshots compared
add_executable(scene_probe scene_probe.cpp)
latticegas_warnings(scene_probe)
if(WIN32)
  # Prints what the real D3DX9 returns (see d3dx_regen_golden.sh).
  add_executable(d3dx_probe d3dx_probe.cpp)
  target_link_libraries(d3dx_probe PRIVATE latticegas_platform)
  latticegas_warnings(d3dx_probe)
  target_link_libraries(scene_probe PRIVATE latticegas_platform)
  return()
endif()
target_sources(scene_probe PRIVATE test_entry.cpp)
target_link_libraries(scene_probe PRIVATE latticegas_boxes_on_stderr latticegas_platform latticegas_entry)

add_executable(gl_tests gl_d3dx_golden_test.cpp gl_headless_device_test.cpp draw_culler_test.cpp)
target_link_libraries(gl_tests PRIVATE latticegas_headless_d3d9 latticegas_platform GTest::gtest
  GTest::gtest_main)
target_compile_definitions(gl_tests PRIVATE
  LATTICEGAS_D3DX_GOLDEN="${CMAKE_CURRENT_SOURCE_DIR}/d3dx_golden.txt")
latticegas_warnings(gl_tests)
gtest_discover_tests(gl_tests PROPERTIES LABELS headless TIMEOUT 30 DISCOVERY_TIMEOUT 60)

add_test(NAME gl_scene_matches_d3d9
  COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/d3d9_scene_compare.sh
    $<TARGET_FILE:scene_probe>
    ${LATTICEGAS_WINDOWS_BUILD}/tests/platform/scene_probe.exe
    ${CMAKE_CURRENT_BINARY_DIR}/scene_compare)
set_tests_properties(gl_scene_matches_d3d9 PROPERTIES
  LABELS wine TIMEOUT 180 RUN_SERIAL ON SKIP_RETURN_CODE 77)

# The program's frames on a real display, culling off and on.
add_executable(gl_display_tests gl_culling_display_test.cpp)
target_link_libraries(gl_display_tests PRIVATE latticegas_app GTest::gtest GTest::gtest_main)
latticegas_warnings(gl_display_tests)
gtest_discover_tests(gl_display_tests PROPERTIES LABELS display TIMEOUT 120 RUN_SERIAL ON
  DISCOVERY_TIMEOUT 60)
