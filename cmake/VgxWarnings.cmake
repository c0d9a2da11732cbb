# Compile settings the library's users share (never -ffast-math: the tolerances
# rely on exact 32-bit float rounding): the language level, and the sanitizers
# when on, which a host linking a sanitized library needs too.
add_library(vgx_settings INTERFACE)
target_compile_features(vgx_settings INTERFACE cxx_std_20)

# Settings for this project's own code only, never handed to a host's targets.
add_library(vgx_build_flags INTERFACE)
target_compile_options(vgx_build_flags INTERFACE -Wall -Wextra)
# At -O2 GCC keeps the allocator's "leave new elements unmade" test inside the
# standard library's per-element loops: growing a big mesh array then walks every
# new element for nothing, and zero-filling one stores element by element.
# Unswitched, the first loop vanishes and the second becomes a memset.
target_compile_options(vgx_build_flags INTERFACE $<$<CXX_COMPILER_ID:GNU>:-funswitch-loops>)
if(VGX_FUZZ)
  # The library is instrumented for coverage; only the fuzz targets get the fuzzer's main.
  target_compile_options(vgx_settings INTERFACE -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  target_link_options(vgx_settings INTERFACE -fsanitize=address,undefined)
endif()
if(VGX_THREAD_SANITIZE)
  target_compile_options(vgx_settings INTERFACE -fsanitize=thread -fno-omit-frame-pointer)
  target_link_options(vgx_settings INTERFACE -fsanitize=thread)
endif()
if(VGX_SANITIZE)
  target_compile_options(vgx_settings INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(vgx_settings INTERFACE -fsanitize=address,undefined)
endif()
