# Runs run_bench at a tiny size and checks that it ends well and prints every figure. With
# threshold 0 every node is counted, so the run issues the report and table queries, one node
# query and one count query per node for each report, and one look-up per counted node.
math(EXPR expected_queries "2 + ${REPORTS} * (1 + ${NODES}) + ${REPORTS} * ${NODES}")

execute_process(
    COMMAND ${RUN_BENCH} --reports ${REPORTS} --nodes ${NODES} --repeat 1 --round-trips 200
    RESULT_VARIABLE result
    OUTPUT_VARIABLE output
    ERROR_VARIABLE errors)
message("${output}")
if(NOT result EQUAL 0)
    message(FATAL_ERROR "run_bench failed (${result}): ${errors}")
endif()

set(figures
    "through Qt QODBC +[0-9.]+ us"
    "through raw ODBC +[0-9.]+ us"
    "queries issued +${expected_queries}\n"
    "run +[0-9.]+ ms"
    "fixed waits +[0-9.]+ ms: test trap 50 x 10 ms = [0-9.]+ ms, run log 70 x 10 ms = [0-9.]+ ms"
    "run without the waits +[0-9.]+ ms, [0-9.]+ us per query"
    "replay +[0-9.]+ ms, [0-9.]+ us per query"
    "ratio run / replay +[0-9.]+ without the waits"
    "peak resident memory +[0-9.]+ MiB beyond idle"
    "run-log size +[1-9][0-9]* bytes")
foreach(figure IN LISTS figures)
    if(NOT output MATCHES "${figure}")
        message(FATAL_ERROR "run_bench printed no figure matching '${figure}'")
    endif()
endforeach()
