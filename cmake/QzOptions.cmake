# Compiler flags shared by every target: warnings on, no contraction of
# floating-point expressions (peers must compute bit-identical results).
add_library(qz_options INTERFACE)
target_compile_options(qz_options INTERFACE
  -Wall -Wextra -Wno-unused-parameter -ffp-contract=off -fno-fast-math)
target_include_directories(qz_options INTERFACE ${PROJECT_SOURCE_DIR})

if(QZ_SANITIZE)
  set(QZ_SANITIZER_FLAGS -fsanitize=address,undefined -fno-omit-frame-pointer
      -fno-sanitize-recover=undefined)
  target_compile_options(qz_options INTERFACE ${QZ_SANITIZER_FLAGS})
  target_link_options(qz_options INTERFACE ${QZ_SANITIZER_FLAGS})
  target_compile_definitions(qz_options INTERFACE QZ_SANITIZED=1)
endif()

if(QZ_SANITIZE_THREAD)
  if(QZ_SANITIZE)
    message(FATAL_ERROR "QZ_SANITIZE_THREAD and QZ_SANITIZE cannot be combined")
  endif()
  set(QZ_TSAN_FLAGS -fsanitize=thread -fno-omit-frame-pointer)
  target_compile_options(qz_options INTERFACE ${QZ_TSAN_FLAGS})
  target_link_options(qz_options INTERFACE ${QZ_TSAN_FLAGS})
endif()

# A fuzz build instruments every library with coverage counters (not only
# the fuzz programs), so libFuzzer sees the parsers it drives.
if(QZ_FUZZ_COVERAGE)
  if(NOT QZ_BUILD_FUZZERS)
    message(FATAL_ERROR "QZ_FUZZ_COVERAGE goes with QZ_BUILD_FUZZERS")
  endif()
  target_compile_options(qz_options INTERFACE -fsanitize=fuzzer-no-link)
endif()

if(NOT CMAKE_BUILD_TYPE)
  set(CMAKE_BUILD_TYPE RelWithDebInfo CACHE STRING "" FORCE)
endif()
