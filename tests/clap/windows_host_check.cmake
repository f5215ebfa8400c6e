# quorvantel-host.exe on the Windows quorvantel.clap under Wine: what it reads of the plug-in,
# and a preset saved through the state extension that reads back as the same settings.
# Usage: cmake -DWINE=wine -DHOST=quorvantel-host.exe -DPLUGIN=quorvantel.clap -DOUT=dir -P ...
function(run)
  execute_process(COMMAND ${WINE} ${HOST} ${ARGN}
                  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "'${ARGN}' ended with ${status}:\n${out}${err}")
  endif()
  set(out "${out}${err}" PARENT_SCOPE)
endfunction()

function(expect text)
  string(FIND "${out}" "${text}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "expected \"${text}\" in:\n${out}")
  endif()
endfunction()

file(MAKE_DIRECTORY ${OUT})
run(info --plugin ${PLUGIN})
expect("com.halbrecken.quorvantel")
expect("parameters:    89")
expect("editor:        yes (win32)")
run(preset save ${OUT}/clap.fxp --set Length=120 --set Shape1=Sine --plugin ${PLUGIN})
run(params --preset ${OUT}/clap.fxp --plugin ${PLUGIN})
expect("120.0 ms")
run(bench --seconds 1 --plugin ${PLUGIN})
expect("real-time factor")
