# The install folders and qv_install_plugin, which each plug-in format calls beside its target.
# Linux: the plug-in folders hosts search (lib/vst, lib/lv2, lib/clap under the prefix: /usr for
# the package, /usr/local with tools/install.sh --system; tools/install.sh --user sets them to
# ~/.vst, ~/.lv2 and ~/.clap), the rest after GNUInstallDirs. Windows: the zip's flat layout.
if(WIN32)
  # Fixed, whatever a build folder's cache holds from an earlier configure.
  set(CMAKE_INSTALL_BINDIR .)
  set(CMAKE_INSTALL_DOCDIR .)
  set(qv_plugin_dirs . . .)
  set(qv_preset_dir presets)
else()
  set(CMAKE_INSTALL_DOCDIR share/doc/quorvantel CACHE PATH "README and licence")
  # Not CMAKE_INSTALL_LIBDIR: hosts look in lib/vst, never in Debian's lib/<triplet>/vst.
  set(qv_plugin_dirs lib/vst lib/lv2 lib/clap)
  set(qv_preset_dir share/quorvantel/presets)
endif()
include(GNUInstallDirs)
list(GET qv_plugin_dirs 0 qv_dir)
set(QV_INSTALL_VST2DIR ${qv_dir} CACHE PATH "Folder of the VST 2 plug-in")
list(GET qv_plugin_dirs 1 qv_dir)
set(QV_INSTALL_LV2DIR ${qv_dir} CACHE PATH "Folder of the LV2 bundle")
list(GET qv_plugin_dirs 2 qv_dir)
set(QV_INSTALL_CLAPDIR ${qv_dir} CACHE PATH "Folder of the CLAP plug-in")
set(QV_INSTALL_PRESETDIR ${qv_preset_dir} CACHE PATH "Folder of the factory presets")

# qv_install_plugin(<target> VST2|LV2|CLAP [BUNDLE <folder>] [FILES <file>...])
# Installs the module of <target> into the format's folder (inside BUNDLE, when given, with the
# FILES beside it) and notes the format for the package's description and the zip's README.
# Installs into the default component: the package and tools/install.sh take that one.
function(qv_install_plugin target format)
  cmake_parse_arguments(ARG "" "BUNDLE" "FILES" ${ARGN})
  if(NOT format MATCHES "^(VST2|LV2|CLAP)$")
    message(FATAL_ERROR "qv_install_plugin(${target} ${format}): the format is VST2, LV2 or CLAP")
  endif()
  set(destination ${QV_INSTALL_${format}DIR})
  if(ARG_BUNDLE)
    string(APPEND destination /${ARG_BUNDLE})
  endif()
  # Hosts load modules, nobody runs them: read-only, as Debian installs its plug-ins.
  set(readable OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  install(TARGETS ${target} LIBRARY DESTINATION ${destination} PERMISSIONS ${readable})
  if(ARG_FILES)
    install(FILES ${ARG_FILES} DESTINATION ${destination} PERMISSIONS ${readable})
  endif()
  set_property(GLOBAL APPEND PROPERTY QV_INSTALLED_FORMATS ${format})
endfunction()

# qv_install_path_from_bin(<out> <folder>): <folder> (an install folder, relative to the prefix
# or absolute) as seen from the installed program's folder, so quorvantel-host finds what was
# installed with it wherever the prefix is: "../lib/vst" for the package, "../../.vst" per user.
function(qv_install_path_from_bin out folder)
  foreach(dir bin folder)
    if(dir STREQUAL "bin")
      set(path ${CMAKE_INSTALL_BINDIR})
    else()
      set(path ${folder})
    endif()
    if(NOT IS_ABSOLUTE "${path}")
      set(path ${CMAKE_INSTALL_PREFIX}/${path})
    endif()
    cmake_path(NORMAL_PATH path)
    set(${dir}_full ${path})
  endforeach()
  file(RELATIVE_PATH relative ${bin_full} ${folder_full})
  if(relative STREQUAL "")
    set(relative .)
  endif()
  set(${out} ${relative} PARENT_SCOPE)
endfunction()
