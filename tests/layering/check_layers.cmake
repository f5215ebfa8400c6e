# Reads every #include of the product's sources and checks it against the layers: a folder may
# include only from the folders listed for it below (and from itself), so no two folders include
# each other; operating-system and window-system headers appear only in platform/<system>/
# folders. Usage: cmake -DSOURCE=<project root> -P check_layers.cmake
cmake_minimum_required(VERSION 3.25)

# Layers, most specific folder first: a file belongs to the first one its path starts with.
set(layers
  quorvantel/parameters quorvantel/editor quorvantel/vst2 quorvantel/lv2 quorvantel/clap
  quorvantel framework/vst2 framework/lv2 framework/clap framework gui
  engine modulation raster
  host/lib host/window host/cli
  vst2 clap common)
set(allowed_quorvantel/parameters framework engine modulation common)
set(allowed_quorvantel/editor quorvantel/parameters gui framework engine modulation raster common)
set(allowed_quorvantel/vst2 quorvantel quorvantel/parameters quorvantel/editor framework/vst2
    framework gui engine modulation raster vst2 common)
# The LV2 UI shows the editor in a window of its own when a host asks (ui:showInterface): the
# host's top-level window serves.
set(allowed_quorvantel/lv2 quorvantel quorvantel/parameters quorvantel/editor framework/lv2
    framework gui engine modulation raster host/window common)
set(allowed_quorvantel quorvantel/parameters quorvantel/editor framework gui engine modulation
    raster vst2 common)
set(allowed_framework/vst2 framework vst2 common)
set(allowed_framework/lv2 framework common)
set(allowed_quorvantel/clap quorvantel quorvantel/parameters quorvantel/editor framework/clap
    framework gui engine modulation raster vst2 clap common)
set(allowed_framework/clap framework clap common)
set(allowed_framework common)
set(allowed_gui framework raster common)
set(allowed_engine modulation common)
set(allowed_modulation common)
set(allowed_raster common)
set(allowed_host/lib vst2 clap common)
set(allowed_host/window common)
set(allowed_host/cli host/lib host/window quorvantel/vst2 quorvantel/clap quorvantel
    quorvantel/editor quorvantel/parameters
    framework/vst2 framework/clap framework gui engine modulation raster vst2 clap common)
set(allowed_vst2)
set(allowed_clap)
set(allowed_common)

# Headers of an operating system, a window system or JACK: only platform code may include them.
set(system_headers "windows\\.h|winuser\\.h|shlobj\\.h|shellapi\\.h|wincodec\\.h|io\\.h|xcb/|X11/|sys/|unistd\\.h|dlfcn\\.h|poll\\.h|signal\\.h|fcntl\\.h|pthread\\.h|jack/")

function(layer_of path out)
  foreach(layer ${layers})
    string(LENGTH "${layer}/" n)
    string(SUBSTRING "${path}" 0 ${n} head)
    if(head STREQUAL "${layer}/")
      set(${out} ${layer} PARENT_SCOPE)
      return()
    endif()
  endforeach()
  set(${out} "" PARENT_SCOPE)
endfunction()

set(faults "")
set(checked 0)
foreach(top quorvantel framework gui engine modulation raster host vst2 clap common)
  file(GLOB_RECURSE files RELATIVE ${SOURCE} ${SOURCE}/${top}/*.h ${SOURCE}/${top}/*.cpp)
  foreach(file ${files})
    layer_of(${file} from)
    if(from STREQUAL "")
      list(APPEND faults "${file}: in no layer")
      continue()
    endif()
    math(EXPR checked "${checked} + 1")
    file(STRINGS ${SOURCE}/${file} lines REGEX "^#include [<\"]")
    foreach(line ${lines})
      if(line MATCHES "^#include \"([^\"]+)\"")
        set(included ${CMAKE_MATCH_1})
        layer_of(${included} to)
        if(to STREQUAL "" OR to STREQUAL from)
          continue()
        endif()
        if(NOT to IN_LIST allowed_${from})
          list(APPEND faults "${file}: ${from}/ must not include ${included}")
        endif()
      elseif(line MATCHES "^#include <([^>]+)>")
        set(included ${CMAKE_MATCH_1})
        if(included MATCHES "^(${system_headers})" AND NOT file MATCHES "/platform/")
          list(APPEND faults "${file}: <${included}> outside a platform/ folder")
        endif()
      endif()
    endforeach()
  endforeach()
endforeach()

if(faults)
  list(JOIN faults "\n  " text)
  message(FATAL_ERROR "Includes against the layers:\n  ${text}")
endif()
message(STATUS "${checked} files keep to the layers")
