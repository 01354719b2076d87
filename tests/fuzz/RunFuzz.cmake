# Runs one fuzz target for a bounded time (cmake -P, from CTest).
#   FUZZER   the target's executable
#   SCRATCH  writable folder in the build tree: corpus/ gets new inputs,
#            artifacts/ any crash, leak or timeout input
#   SEEDS    the hand-made starting inputs in the source tree (only read)
#   DICT     dictionary file, or empty
#   SECONDS  run time
foreach(v FUZZER SCRATCH SEEDS SECONDS)
    if(NOT DEFINED ${v} OR "${${v}}" STREQUAL "")
        message(FATAL_ERROR "RunFuzz.cmake: ${v} not given")
    endif()
endforeach()

file(MAKE_DIRECTORY ${SCRATCH}/corpus ${SCRATCH}/artifacts)
set(args -max_total_time=${SECONDS} -rss_limit_mb=2048 -timeout=10 -print_final_stats=1
         -artifact_prefix=${SCRATCH}/artifacts/)
if(DICT)
    list(APPEND args -dict=${DICT})
endif()

execute_process(COMMAND ${FUZZER} ${args} ${SCRATCH}/corpus ${SEEDS}
                RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${FUZZER} failed (${rc}); the input is in ${SCRATCH}/artifacts")
endif()
