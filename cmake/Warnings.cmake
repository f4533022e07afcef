# Our own targets warn widely, and nothing may fuse or reorder float
# operations, since the geometry relies on each step rounding to float.
# Warnings stop the build only where CMAKE_COMPILE_WARNING_AS_ERROR is on: our
# developer presets and CI, never the builds users make, which a newer
# compiler's new warnings must not break.
function(latticegas_warnings target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wpedantic -ffp-contract=off -fno-fast-math)
endfunction()
