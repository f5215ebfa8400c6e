# quorvantel-host.exe on the Windows quorvantel.clap under Wine: what it reads of the plug-in,
# and a preset saved through the state extension that reads back as the same settings.
# Usage: cmake -DWINE=wine -DHOST=quorvantel-host.exe -DPLUGIN=quorvantel.clap -DOUT=dir -P ...
include(${CMAKE_CURRENT_LIST_DIR}/../windows/wine_host_run.cmake)

file(MAKE_DIRECTORY ${OUT})
run(0 info --plugin ${PLUGIN})
expect("com.halbrecken.quorvantel")
expect("parameters:    89")
expect("editor:        yes (win32)")
run(0 preset save ${OUT}/clap.fxp --set Length=120 --set Shape1=Sine --plugin ${PLUGIN})
run(0 params --preset ${OUT}/clap.fxp --plugin ${PLUGIN})
expect("120.0 ms")
run(0 bench --seconds 1 --plugin ${PLUGIN})
expect("real-time factor")
