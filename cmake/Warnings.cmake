# Our own targets: every warning is an error, and nothing may fuse or reorder
# float operations, since the geometry relies on each step rounding to float.
function(latticegas_warnings target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wpedantic -Werror -ffp-contract=off -fno-fast-math)
endfunction()
