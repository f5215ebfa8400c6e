# What the Windows host checks share: run(STATUS ARGS...) runs quorvantel-host.exe under Wine with
# ARGS, fails unless it ends with STATUS and keeps what it printed in `out`; expect(TEXT) fails
# unless `out` holds TEXT.
function(run expected_status)
  execute_process(COMMAND ${WINE} ${HOST} ${ARGN}
                  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status)
  if(NOT status EQUAL expected_status)
    message(FATAL_ERROR "'${ARGN}' ended with ${status}, expected ${expected_status}:\n${out}${err}")
  endif()
  set(out "${out}${err}" PARENT_SCOPE)
endfunction()

function(expect text)
  string(FIND "${out}" "${text}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "expected \"${text}\" in:\n${out}")
  endif()
endfunction()
