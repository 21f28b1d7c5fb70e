# Runs the include check over the tree backward/ and passes only when it fails there, naming
# each backward include and the folder that is no layer, and nothing that points down.
execute_process(
    COMMAND ${CMAKE_COMMAND} -DROOT=${CMAKE_CURRENT_LIST_DIR}/backward
        -P ${CMAKE_CURRENT_LIST_DIR}/IncludeDirection.cmake
    RESULT_VARIABLE result
    OUTPUT_VARIABLE output
    ERROR_VARIABLE output)
message("${output}")
if(result EQUAL 0)
    message(FATAL_ERROR "the check passed a tree with backward includes")
endif()
set(expected
    "db/Reader.cpp:3 includes \"output/RunLog.h\" against the layers"
    "output/Writer.cpp:3 includes \"testrun/TestRun.h\" against the layers"
    "options/Reader.cpp:3 includes \"explorer/ExplorerWindow.h\" against the layers"
    "monitoring/Rules.cpp:3 includes \"host/RunHost.h\" against the layers"
    "sweep/Engine.cpp:3 includes \"testrun/RunOutcome.h\" against the layers"
    "sweep/Engine.cpp:4 includes \"options/OptionText.h\" against the layers"
    "stray/Stray.h lies in no layer")
foreach(line IN LISTS expected)
    string(FIND "${output}" "${line}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "the check did not report: ${line}")
    endif()
endforeach()
foreach(allowed "db/Reader.h" "db/DbConnection.h" "common/ValueText.h" "sweep/SweepChoice.h"
    "monitoring/AlarmRules.h")
    string(FIND "${output}" "\"${allowed}\"" at)
    if(NOT at EQUAL -1)
        message(FATAL_ERROR "the check reported a downward include: ${allowed}")
    endif()
endforeach()
