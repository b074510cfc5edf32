# Configures, builds and runs the consumer project against a checkout.
#   cmake -DCHECKOUT=<qgen> -DBUILD=<dir> -DCXX=<compiler> [-DMAKE=<ninja>] -P run.cmake
foreach(_var CHECKOUT BUILD CXX)
  if(NOT DEFINED ${_var})
    message(FATAL_ERROR "run.cmake needs -D${_var}=...")
  endif()
endforeach()
set(_make_option)
if(MAKE)
  set(_make_option -DCMAKE_MAKE_PROGRAM=${MAKE})
endif()

function(run_step what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE _result)
  if(NOT _result EQUAL 0)
    message(FATAL_ERROR "consumer: ${what} failed (${_result})")
  endif()
endfunction()

# --fresh: a new cache each run, so the checkout's options are read as a
# newcomer reads them; the objects of earlier runs are kept for speed.
run_step(configure ${CMAKE_COMMAND} --fresh -S ${CHECKOUT}/tests/consumer -B ${BUILD} -G Ninja
  -DQGEN_CHECKOUT=${CHECKOUT} -DCMAKE_CXX_COMPILER=${CXX} ${_make_option}
  -DQGEN_BUILD_TESTS=OFF -DQGEN_BUILD_TOOLS=OFF)
run_step(build ${CMAKE_COMMAND} --build ${BUILD} --target consumer)
run_step(run ${BUILD}/consumer)
