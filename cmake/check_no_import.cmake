# Fails when the program EXE imports the library DLL (compared without case).
#   cmake -DEXE=... -DOBJDUMP=... -DDLL=... -P check_no_import.cmake
execute_process(COMMAND ${OBJDUMP} -p ${EXE} OUTPUT_VARIABLE headers RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} -p ${EXE} failed")
endif()
string(TOUPPER "${headers}" headers)
string(TOUPPER "${DLL}" dll)
if(headers MATCHES "DLL NAME: ${dll}")
  message(FATAL_ERROR "${EXE} imports ${DLL}; bind the functions it needs from it on first use instead")
endif()
