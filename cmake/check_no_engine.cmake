# cmake -DFILE=<executable> -P check_no_engine.cmake
# Fails when the executable loads the 3-D engine's library (libOgreMain).
execute_process(COMMAND ldd ${FILE} OUTPUT_VARIABLE libs RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "ldd could not read ${FILE}")
endif()
if(libs MATCHES "libOgreMain")
  message(FATAL_ERROR "${FILE} loads libOgreMain")
endif()
