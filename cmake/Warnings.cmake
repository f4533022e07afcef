# Our own targets warn widely. Warnings stop the build only where
# CMAKE_COMPILE_WARNING_AS_ERROR is on: our developer presets and CI, never
# the builds users make, which a newer compiler's new warnings must not break.
# (The float flags that every target needs are set for all of them in the
# top-level CMakeLists.txt, not here.)
function(latticegas_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
endfunction()
