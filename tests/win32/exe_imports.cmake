# Fails when the program imports a DLL outside the allowed set: the loader
# looks for any import that is no KnownDLL (nor redirected by the manifest,
# as the common controls are) in the program's own folder first.
# cmake -DOBJDUMP=... -DEXE=... -P exe_imports.cmake
cmake_minimum_required(VERSION 3.20)
set(allowed kernel32 user32 gdi32 advapi32 shell32 comctl32 msvcrt ole32 comdlg32 shlwapi)
execute_process(COMMAND ${OBJDUMP} -p ${EXE} OUTPUT_VARIABLE dump RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} -p ${EXE} failed")
endif()
string(REGEX MATCHALL "DLL Name: [^\n]+" names "${dump}")
if(NOT names)
  message(FATAL_ERROR "no imports found in ${EXE}")
endif()
foreach(entry ${names})
  string(REGEX REPLACE "DLL Name: (.+)\\.[dD][lL][lL]$" "\\1" dll "${entry}")
  string(TOLOWER "${dll}" dll)
  if(NOT dll IN_LIST allowed)
    message(FATAL_ERROR "${EXE} imports ${entry}, outside the allowed set")
  endif()
  message(STATUS "${entry}")
endforeach()
