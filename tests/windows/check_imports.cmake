# Fails unless a Windows module needs only DLLs that every Windows installation has (the
# compiler's runtime is linked in statically).
# Usage: cmake -DOBJDUMP=x86_64-w64-mingw32-objdump -DMODULE=path/quorvantel.dll -P ...
cmake_minimum_required(VERSION 3.25)
set(system_dlls advapi32 comdlg32 gdi32 kernel32 msvcrt ole32 shell32 user32 windowscodecs
    wininet)
execute_process(COMMAND ${OBJDUMP} -p ${MODULE} OUTPUT_VARIABLE listing RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cannot list the imports of ${MODULE}")
endif()
string(REGEX MATCHALL "DLL Name: [^\n]+" rows "${listing}")
set(foreign "")
foreach(row IN LISTS rows)
  string(REGEX REPLACE "DLL Name: (.*)\\.[dD][lL][lL]$" "\\1" name "${row}")
  string(TOLOWER "${name}" name)
  if(NOT name IN_LIST system_dlls)
    list(APPEND foreign ${name})
  endif()
endforeach()
if(foreign)
  message(FATAL_ERROR "${MODULE} needs DLLs Windows does not have: ${foreign}")
endif()
