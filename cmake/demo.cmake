# Writes a sample 2HD image and cuts it in a fresh folder, showing the tool's
# own output. Run by the `demo` target: cmake -DSAMPLE=... -DTOOL=... -DWORK=... -P demo.cmake
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
execute_process(COMMAND "${SAMPLE}" sample.d88 WORKING_DIRECTORY "${WORK}"
                COMMAND_ERROR_IS_FATAL ANY)
message("\n$ d88cut sample.d88")
execute_process(COMMAND "${TOOL}" sample.d88 WORKING_DIRECTORY "${WORK}"
                RESULT_VARIABLE status)
message("exit status ${status}\n")
foreach(name PROG MUS00 MUS01 MUS02 MUS03 MUS04 MUS05 MUS06 MUS07 MUS08)
  file(SIZE "${WORK}/${name}" size)
  file(READ "${WORK}/${name}" label LIMIT 16)
  string(SUBSTRING "${label}" 0 7 label)
  message("  ${name}  ${size} bytes, begins \"${label}\"")
endforeach()
message("\nThe files are in ${WORK}")
if(NOT status EQUAL 0)
  message(FATAL_ERROR "d88cut failed on the sample image")
endif()
