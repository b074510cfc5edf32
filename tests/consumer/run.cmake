# The consumer tests: builds tests/consumer the ways users take qgen in, runs
# it in a fresh folder and checks that it issued INV-0001 to INV-0003.
#   cmake -DSTEP=<step> -DCHECKOUT=<qgen> -DWORK=<dir> -DCXX=<compiler> [-DMAKE=<ninja>]
#         [-DBUILD=<qgen build tree>] [-DLIBDIR=<its library folder, e.g. lib>]
#         [-DFLAGS=<compile and link flags>] -P run.cmake
# Steps:
#   subdirectory  add_subdirectory() of the checkout (builds the library anew)
#   install       cmake --install of BUILD's development files to WORK/prefix
#   find_package  find_package(qgen) in WORK/prefix
#   pkg_config    the compiler alone, with what `pkg-config qgen` gives for WORK/prefix
foreach(_var STEP CHECKOUT WORK CXX)
  if(NOT DEFINED ${_var})
    message(FATAL_ERROR "run.cmake needs -D${_var}=...")
  endif()
endforeach()
set(_source ${CHECKOUT}/tests/consumer)
set(_prefix ${WORK}/prefix)
set(_cmake_options -G Ninja -DCMAKE_CXX_COMPILER=${CXX} "-DCMAKE_CXX_FLAGS=${FLAGS}"
  "-DCMAKE_EXE_LINKER_FLAGS=${FLAGS}")
if(MAKE)
  list(APPEND _cmake_options -DCMAKE_MAKE_PROGRAM=${MAKE})
endif()

function(run_step what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE _result OUTPUT_VARIABLE _out
    ERROR_VARIABLE _out)
  if(NOT _result EQUAL 0)
    message(FATAL_ERROR "consumer: ${what} failed (${_result}):\n${_out}")
  endif()
endfunction()

# Runs `program` in an empty folder; it must print the first three numbers.
function(check_consumer program)
  set(_run ${WORK}/run-${STEP})
  file(REMOVE_RECURSE ${_run})
  file(MAKE_DIRECTORY ${_run})
  execute_process(COMMAND ${program} WORKING_DIRECTORY ${_run} RESULT_VARIABLE _result
    OUTPUT_VARIABLE _out ERROR_VARIABLE _err)
  if(NOT _result EQUAL 0 OR NOT _out STREQUAL "INV-0001\nINV-0002\nINV-0003\n")
    message(FATAL_ERROR "consumer (${STEP}): status ${_result}, printed:\n${_out}${_err}")
  endif()
endfunction()

if(STEP STREQUAL "subdirectory")
  # --fresh: a new cache each run, so the checkout's options are read as a
  # newcomer reads them; the objects of earlier runs are kept for speed.
  set(_build ${WORK}/subdirectory)
  run_step(configure ${CMAKE_COMMAND} --fresh -S ${_source} -B ${_build} ${_cmake_options}
    -DQGEN_CHECKOUT=${CHECKOUT})
  run_step(build ${CMAKE_COMMAND} --build ${_build} --target consumer)
  check_consumer(${_build}/consumer)
elseif(STEP STREQUAL "install")
  file(REMOVE_RECURSE ${_prefix})
  run_step(install ${CMAKE_COMMAND} --install ${BUILD} --prefix ${_prefix} --component devel)
elseif(STEP STREQUAL "find_package")
  set(_build ${WORK}/find_package)
  run_step(configure ${CMAKE_COMMAND} --fresh -S ${_source} -B ${_build} ${_cmake_options}
    -DCMAKE_PREFIX_PATH=${_prefix})
  run_step(build ${CMAKE_COMMAND} --build ${_build})
  check_consumer(${_build}/consumer)
elseif(STEP STREQUAL "pkg_config")
  set(ENV{PKG_CONFIG_PATH} ${_prefix}/${LIBDIR}/pkgconfig)
  execute_process(COMMAND pkg-config --cflags --libs qgen RESULT_VARIABLE _result
    OUTPUT_VARIABLE _flags ERROR_VARIABLE _err OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT _result EQUAL 0)
    message(FATAL_ERROR "consumer: pkg-config --cflags --libs qgen failed:\n${_err}")
  endif()
  separate_arguments(_flags UNIX_COMMAND "${_flags}")
  separate_arguments(_extra UNIX_COMMAND "${FLAGS}")
  set(_program ${WORK}/pkg-config-consumer)
  run_step(compile ${CXX} -std=c++20 ${_extra} ${_source}/main.cpp -o ${_program} ${_flags})
  check_consumer(${_program})
else()
  message(FATAL_ERROR "run.cmake: unknown STEP ${STEP}")
endif()
