# Reliability builds.
#   TESSARO_SANITIZE  AddressSanitizer (with LeakSanitizer) and UndefinedBehaviorSanitizer on every
#                     target; undefined behaviour aborts instead of printing and carrying on, so a
#                     test that meets it fails. scripts/dev.sh sanitize builds it in build-asan/.
#   TESSARO_FUZZ      libFuzzer targets in tests/fuzz (clang only): the libraries are instrumented
#                     for coverage, ASan and UBSan. scripts/dev.sh fuzz builds it in build-fuzz/.
# Either build leaves out the benchmarks.
option(TESSARO_SANITIZE "Build everything with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(TESSARO_FUZZ "Build the libFuzzer targets in tests/fuzz (needs clang)" OFF)

if(TESSARO_SANITIZE)
    # -O1 with line tables only: quicker to compile than -O2 -g, and every report still names the
    # file and line of each frame.
    set(CMAKE_CXX_FLAGS_RELWITHDEBINFO "-O1 -g1 -DNDEBUG")
    set(CMAKE_C_FLAGS_RELWITHDEBINFO "-O1 -g1 -DNDEBUG")
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()

if(TESSARO_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        message(FATAL_ERROR "TESSARO_FUZZ needs clang (-DCMAKE_CXX_COMPILER=clang++)")
    endif()
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
        -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()
