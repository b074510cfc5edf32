# Warnings for our own targets; -Werror in CI (QGEN_WERROR); sanitizers and
# coverage on demand.
function(qgen_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
  # g++ 12 at -O2 reports std::variant's inactive members as "maybe
  # uninitialized" (a known false positive of its flow analysis); clang, which
  # CI also builds with, keeps checking uninitialised use.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(${target} PRIVATE -Wno-maybe-uninitialized)
  endif()
  if(QGEN_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

if(QGEN_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
endif()

if(QGEN_COVERAGE)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "QGEN_COVERAGE needs clang: configure with CXX=clang++")
  endif()
  add_compile_options(-fprofile-instr-generate -fcoverage-mapping)
  add_link_options(-fprofile-instr-generate)
endif()

if(QGEN_SANITIZE_THREAD)
  if(QGEN_SANITIZE)
    message(FATAL_ERROR "QGEN_SANITIZE_THREAD and QGEN_SANITIZE cannot be combined")
  endif()
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()
