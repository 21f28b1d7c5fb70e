# Installs the npm package tedious into DIR for the TLS tests, unless it is there already. Never
# fails: without network or npm the tests that need tedious skip and say why.
if(EXISTS "${DIR}/node_modules/tedious/package.json")
    return()
endif()
execute_process(
    COMMAND "${NPM}" install --prefix "${DIR}" --no-audit --no-fund --no-save
        --fetch-retries=1 --fetch-timeout=30000 tedious@19
    RESULT_VARIABLE result
    OUTPUT_VARIABLE output
    ERROR_VARIABLE output
    TIMEOUT 180)
if(NOT result EQUAL 0)
    message(WARNING "tedious could not be installed into ${DIR} (${result}): ${output}")
endif()
