# Flags of the fuzzing build (TOLVEX_FUZZ=ON), included before any library is
# defined: every object gets libFuzzer's coverage hooks and the address and
# undefined-behaviour checks, so a fault anywhere stops the run at its cause.
if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  message(FATAL_ERROR "TOLVEX_FUZZ needs clang (libFuzzer): configure with CMAKE_CXX_COMPILER=clang++")
endif()
add_compile_options(-fsanitize=fuzzer-no-link,address,undefined
                    -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
add_link_options(-fsanitize=address,undefined)
# Clang's -Wconversion also turns on -Wsign-conversion, which GCC's does not
# for C++: the project is kept clean of GCC's set, so this build checks the same.
add_compile_options(-Wno-sign-conversion)
