# Runs run_bench at a tiny size and checks that it ends well and prints every figure; with
# MODE=explorer the threshold explorer's benchmark, with MODE=month the same over a month, with
# MODE=tune the tuning's, else the test run's.
if(MODE STREQUAL "month")
    set(arguments --explorer --month --reports ${REPORTS} --nodes ${NODES} --repeat 1)
    set(figures
        "H = 720 hours of 300-second samples, [1-9][0-9]* rows of [1-9][0-9]* devices"
        "a month's first result +[0-9.]+ ms from run\\(\\) to resultShown at threshold 0"
        "bare replay of it +[0-9.]+ ms, CPU [0-9.]+ ms"
        "month ratio +[0-9.]+ first result / bare replay \\(target <= 1.15: (met|MISSED)\\)"
        "peak resident memory +[0-9.]+ MiB beyond idle \\(target < 400 MiB: (met|MISSED)\\); [0-9]+ bytes per node-hour"
        "ladder's counts +[0-9]+ bytes per node-hour, keys and order included \\(target <= 24: (met|MISSED)\\)"
        "redraw for a threshold +slowest [0-9.]+ ms \\(target < 150 ms: (met|MISSED)\\).*: 5 %: [0-9.]+ ms, 20 %: [0-9.]+ ms, 50 %: [0-9.]+ ms, 75 %: [0-9.]+ ms, 95 %: [0-9.]+ ms"
        "a device's load +[0-9.]+ ms .* \\(target < 1 s: (met|MISSED)\\)"
        "month_first_result_s=[0-9.]+ month_ratio=[0-9.]+ month_memory_mib=[0-9.]+ month_ladder_redraw_ms=[0-9.]+ bytes_per_node_hour=[0-9]+\n")
elseif(MODE STREQUAL "tune")
    set(arguments --tune --reports ${REPORTS} --nodes ${NODES} --hours 2 --repeat 1)
    set(figures
        "tune +[0-9.]+ ms, [1-9][0-9]* node-hours, [0-9]+ statements; the surface and its json [0-9.]+ ms of it"
        "bare replay +[0-9.]+ ms"
        "ratio tune / replay +[0-9.]+ \\(target <= 1.10: (met|MISSED)\\)"
        "sweeps, one a threshold +20 sweeps, [0-9.]+ ms in all, [0-9.]+ ms each"
        "speed-up +[0-9.]+ \\(target >= 15: (met|MISSED)\\)"
        "peak resident memory +[0-9.]+ MiB beyond idle\n"
        "tune with incidents +[0-9.]+ ms, 1000 incidents and a budget; the answers and their json [0-9.]+ ms of it"
        "speed-up with incidents +[0-9.]+ \\(target >= 15: (met|MISSED)\\)"
        "memory with incidents +[0-9.]+ MiB beyond idle at its peak\n"
        "The same over a week, H = 168 hours"
        "peak resident memory +[0-9.]+ MiB beyond idle, [0-9.]+ times that of 2 hours \\(target <= 1.25: (met|MISSED)\\)"
        "tune summary: ratio=[0-9.]+ speedup=[0-9.]+ memory_mib=[0-9.]+ week_speedup=[0-9.]+ week_memory_mib=[0-9.]+ incidents_speedup=[0-9.]+ incidents_memory_mib=[0-9.]+\n")
elseif(MODE STREQUAL "explorer")
    set(arguments --explorer --reports ${REPORTS} --nodes ${NODES} --hours 2 --repeat 1)
    set(figures
        "first result +[0-9.]+ ms from run\\(\\) to resultShown at threshold 0 \\(target <= 3 s: (met|MISSED)\\); views painted at [0-9.]+ ms, the window's CPU [0-9.]+ ms"
        "bare replay of it +[0-9.]+ ms, CPU [0-9.]+ ms"
        "requery +[0-9.]+ ms from run\\(\\) to its views painted at threshold 1"
        "window's own work +[0-9.]+ ms CPU in the window's process during the requery"
        "redraw for occurrences +slowest [0-9.]+ ms .*: 1: [0-9.]+ ms, 2: [0-9.]+ ms, 6: [0-9.]+ ms, 10: [0-9.]+ ms, 12: [0-9.]+ ms"
        "redraw for a threshold +slowest [0-9.]+ ms .*: 5 %: [0-9.]+ ms, 20 %: [0-9.]+ ms, 50 %: [0-9.]+ ms, 75 %: [0-9.]+ ms, 95 %: [0-9.]+ ms"
        "surface ratio +[0-9.]+ first result with its tuning surface / bare replay"
        "peak resident memory +[0-9.]+ MiB beyond idle"
        "a week's first result +[0-9.]+ ms from run\\(\\) to resultShown over 168 hours, [0-9]+ rows; [0-9.]+ MiB beyond idle"
        "explorer summary: first_result_s=[0-9.]+ requery_window_s=[0-9.]+ redraw_ms=[0-9.]+ memory_mib=[0-9.]+ ladder_redraw_ms=[0-9.]+ surface_ratio=[0-9.]+ week_first_result_s=[0-9.]+ week_memory_mib=[0-9.]+ device_load_s=[0-9.]+\n")
else()
    # With threshold 0 every node is counted, so the run issues the report and table queries, one
    # node query and one count query per node for each report, and one look-up per counted node.
    math(EXPR expected_queries "2 + ${REPORTS} * (1 + ${NODES}) + ${REPORTS} * ${NODES}")
    set(arguments --reports ${REPORTS} --nodes ${NODES} --repeat 1 --round-trips 200)
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
endif()

execute_process(
    COMMAND ${RUN_BENCH} ${arguments}
    RESULT_VARIABLE result
    OUTPUT_VARIABLE output
    ERROR_VARIABLE errors)
message("${output}")
if(NOT result EQUAL 0)
    message(FATAL_ERROR "run_bench failed (${result}): ${errors}")
endif()

foreach(figure IN LISTS figures)
    if(NOT output MATCHES "${figure}")
        message(FATAL_ERROR "run_bench printed no figure matching '${figure}'")
    endif()
endforeach()
