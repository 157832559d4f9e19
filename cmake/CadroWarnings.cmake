# One place for the flags every target of the suite is built with. Each target links
# cadro_warnings (PRIVATE), so tightening a rule here tightens it everywhere.
add_library(cadro_warnings INTERFACE)
target_compile_options(cadro_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wnon-virtual-dtor
  $<$<CXX_COMPILER_ID:GNU>:-Wshadow=local> $<$<CXX_COMPILER_ID:Clang>:-Wshadow-uncaptured-local> -Wcast-qual
  -Wformat=2 -Wimplicit-fallthrough)
if(CADRO_WERROR)
  target_compile_options(cadro_warnings INTERFACE -Werror)
endif()
if(CADRO_SANITIZE)
  target_compile_options(cadro_warnings INTERFACE
    -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(cadro_warnings INTERFACE -fsanitize=address,undefined)
endif()
# Coverage feedback from every library the fuzz targets call, not only the shared core: without
# it libFuzzer mutates blindly inside the readers it is meant to explore.
if(CADRO_FUZZ)
  target_compile_options(cadro_warnings INTERFACE -fsanitize=fuzzer-no-link)
endif()
