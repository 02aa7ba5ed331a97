# Makes what varnica-solo carries, from the built terminal and serial control
# library. Run by the build as cmake -DINPUTS=<file> -P carryruntime.cmake;
# the inputs file names the outputs of the build and the tools to use.
#
# - The terminal and its serial control library, stripped of symbols and debug
#   information, raw.
# - The run-time they need that a desktop may lack: every library that they and
#   the carried Qt plugins name as NEEDED, followed recursively, except the base
#   set below, whose libraries are not looked into either. Each library gets
#   the RUNPATH $ORIGIN (a plugin: the folder two levels up), so that it finds
#   the others beside it and never a library of the machine's own Qt.
# - qt.conf, which points the carried Qt at the carried plugins and translation
#   instead of the machine's; Qt's Chinese translation when the build machine
#   has it; the licence texts of everything carried.
# Each run-time file becomes one zstd frame that states its size and checksums
# its bytes. The generated carriedfiles.cpp takes all of it in with .incbin;
# packages.txt lists the Debian packages the carried files come from.
cmake_minimum_required(VERSION 3.22)
include(${INPUTS})

# What every Linux desktop has: the C and C++ run-time, X11 and the core of
# libxcb, fonts and text shaping, zlib, GLib, D-Bus and udev, OpenGL and EGL.
set(base_set
  ^ld-linux ^libc\\.so ^libm\\.so ^libmvec\\.so ^libpthread\\.so ^libdl\\.so ^librt\\.so
  ^libresolv\\.so ^libutil\\.so ^libstdc\\+\\+\\.so ^libgcc_s\\.so
  ^libX11\\.so ^libX11-xcb\\.so ^libxcb\\.so ^libXau\\.so ^libXdmcp\\.so ^libxkbcommon\\.so
  ^libfontconfig\\.so ^libfreetype\\.so ^libharfbuzz\\.so ^libpng16\\.so ^libexpat\\.so ^libz\\.so
  ^libglib-2\\.0\\.so ^libgobject-2\\.0\\.so ^libgio-2\\.0\\.so ^libgmodule-2\\.0\\.so
  ^libgthread-2\\.0\\.so ^libdbus-1\\.so ^libudev\\.so ^libsystemd\\.so ^libuuid\\.so ^libzstd\\.so
  ^libGL\\.so ^libEGL\\.so ^libGLX\\.so ^libOpenGL\\.so ^libGLdispatch\\.so)

file(MAKE_DIRECTORY ${OUT}/runtime ${OUT}/frames)
foreach(pair "terminal;${TERMINAL}" "control;${CONTROL}")
  list(GET pair 0 name)
  list(GET pair 1 source)
  execute_process(COMMAND ${STRIP} --strip-all -o ${OUT}/${name} ${source}
    COMMAND_ERROR_IS_FATAL ANY)
endforeach()

set(CMAKE_GET_RUNTIME_DEPENDENCIES_PLATFORM linux+elf)
set(CMAKE_GET_RUNTIME_DEPENDENCIES_TOOL objdump)
set(CMAKE_GET_RUNTIME_DEPENDENCIES_COMMAND ${OBJDUMP})
file(GET_RUNTIME_DEPENDENCIES
  EXECUTABLES ${TERMINAL}
  LIBRARIES ${CONTROL}
  MODULES ${PLUGINS}
  # The serial control library is carried on its own, as resource 102.
  PRE_EXCLUDE_REGEXES ${base_set} "^mscomm32\\.ocx$"
  RESOLVED_DEPENDENCIES_VAR libraries
  UNRESOLVED_DEPENDENCIES_VAR missing
  CONFLICTING_DEPENDENCIES_PREFIX conflicting)
if(missing)
  message(FATAL_ERROR "The terminal needs libraries this machine lacks: ${missing}")
endif()
if(conflicting_FILENAMES)
  message(FATAL_ERROR "Libraries found in more than one place: ${conflicting_FILENAMES}")
endif()

# The run-time's files as they lie in the private folder, and the machine's
# files among their sources, whose licences go with them.
set(carried_paths "")
set(licensed_sources "")

# Copies source to path in the run-time, with the given RUNPATH when not
# empty, and compresses it; only when the source is newer than its frame.
function(carry source path runpath)
  set(copy ${OUT}/runtime/${path})
  set(frame ${OUT}/frames/${path}.zst)
  if(NOT EXISTS ${frame} OR ${source} IS_NEWER_THAN ${frame})
    get_filename_component(folder ${frame} DIRECTORY)
    file(MAKE_DIRECTORY ${folder})
    get_filename_component(folder ${copy} DIRECTORY)
    file(MAKE_DIRECTORY ${folder})
    file(COPY_FILE ${source} ${copy})
    if(runpath)
      execute_process(COMMAND ${PATCHELF} --set-rpath ${runpath} ${copy}
        COMMAND_ERROR_IS_FATAL ANY)
    endif()
    # Level 9 keeps the build quick; the file then stays far below its limit.
    execute_process(COMMAND ${ZSTD} -q -f -9 --check -o ${frame} ${copy}
      COMMAND_ERROR_IS_FATAL ANY)
  endif()
  set(carried_paths ${carried_paths} ${path} PARENT_SCOPE)
endfunction()

# Writes text to path in the run-time and carries it (only a change rewrites it).
function(carry_text text path)
  set(source ${OUT}/text/${path})
  if(EXISTS ${source})
    file(READ ${source} old)
  endif()
  if(NOT EXISTS ${source} OR NOT old STREQUAL text)
    file(WRITE ${source} "${text}")
  endif()
  carry(${source} ${path} "")
  set(carried_paths ${carried_paths} PARENT_SCOPE)
endfunction()

carry_text("[Paths]\nPrefix = .\nPlugins = plugins\nTranslations = translations\n" qt.conf)
foreach(library IN LISTS libraries)
  get_filename_component(name ${library} NAME)
  carry(${library} ${name} "$ORIGIN")
  list(APPEND licensed_sources ${library})
endforeach()
foreach(plugin IN LISTS PLUGINS)
  get_filename_component(name ${plugin} NAME)
  get_filename_component(kind ${plugin} DIRECTORY)
  get_filename_component(kind ${kind} NAME)
  carry(${plugin} plugins/${kind}/${name} "$ORIGIN/../..")
  list(APPEND licensed_sources ${plugin})
endforeach()
if(EXISTS ${QT_TRANSLATION})
  get_filename_component(name ${QT_TRANSLATION} NAME)
  carry(${QT_TRANSLATION} translations/${name} "")
  list(APPEND licensed_sources ${QT_TRANSLATION})
endif()

# The licences: the Debian copyright file of each package a carried file comes
# from, the common licences they refer to, and the project's own.
# The package database names a file as its package installed it, under /lib
# or /usr/lib; a merged /usr resolves both to /usr/lib.
set(queried "")
foreach(source IN LISTS licensed_sources)
  file(REAL_PATH ${source} real)
  string(REGEX REPLACE "^/usr/" "/" unmerged ${real})
  list(APPEND queried ${real} ${unmerged})
endforeach()
execute_process(COMMAND ${DPKG_QUERY} -S ${queried} OUTPUT_VARIABLE owners ERROR_QUIET)
string(REPLACE "\n" ";" owners "${owners}")
set(packages "")
foreach(source IN LISTS licensed_sources)
  file(REAL_PATH ${source} real)
  string(REGEX REPLACE "^/usr/" "/" unmerged ${real})
  set(owner "")
  foreach(line IN LISTS owners) # "package[:architecture]: path"
    if(line MATCHES "^([^:]+)(:[^:]+)?: (.*)$")
      if(CMAKE_MATCH_3 STREQUAL real OR CMAKE_MATCH_3 STREQUAL unmerged)
        set(owner ${CMAKE_MATCH_1})
      endif()
    endif()
  endforeach()
  if(NOT owner)
    message(FATAL_ERROR "No package owns ${source}, so its licence is unknown")
  endif()
  list(APPEND packages ${owner})
endforeach()
list(REMOVE_DUPLICATES packages)
list(SORT packages)
set(common_licences "")
foreach(package IN LISTS packages)
  set(copyright /usr/share/doc/${package}/copyright)
  if(NOT EXISTS ${copyright})
    message(FATAL_ERROR "${package} has no ${copyright}: its licence cannot be carried")
  endif()
  carry(${copyright} licences/${package} "")
  file(READ ${copyright} text)
  string(REGEX MATCHALL "/usr/share/common-licenses/[A-Za-z0-9.+-]*[A-Za-z0-9+]" named "${text}")
  list(APPEND common_licences ${named})
endforeach()
list(REMOVE_DUPLICATES common_licences)
foreach(licence IN LISTS common_licences)
  if(EXISTS ${licence})
    get_filename_component(name ${licence} NAME)
    carry(${licence} licences/common-licenses/${name} "")
  endif()
endforeach()
carry(${LICENSE} licences/varnica "")
string(REPLACE ";" "\n" package_lines "${packages}")
file(WRITE ${OUT}/packages.txt.new "${package_lines}\n")
file(COPY_FILE ${OUT}/packages.txt.new ${OUT}/packages.txt ONLY_IF_DIFFERENT)

# The source that takes it all in.
set(incbins "")
set(symbols "")
set(table "")
set(index 0)
foreach(pair "terminal;${OUT}/terminal" "control;${OUT}/control")
  list(GET pair 0 name)
  list(GET pair 1 file)
  string(APPEND incbins "    .balign 64\nvarnica_carried_${name}_begin:\n    .incbin \"${file}\"\nvarnica_carried_${name}_end:\n")
  string(APPEND symbols "extern const char varnica_carried_${name}_begin[];\nextern const char varnica_carried_${name}_end[];\n")
endforeach()
foreach(path IN LISTS carried_paths)
  set(frame ${OUT}/frames/${path}.zst)
  string(APPEND incbins "varnica_runtime_${index}_begin:\n    .incbin \"${frame}\"\nvarnica_runtime_${index}_end:\n")
  string(APPEND symbols "extern const char varnica_runtime_${index}_begin[];\nextern const char varnica_runtime_${index}_end[];\n")
  string(APPEND table "    {\"${path}\", framed(varnica_runtime_${index}_begin, varnica_runtime_${index}_end)},\n")
  math(EXPR index "${index} + 1")
endforeach()
configure_file(${TEMPLATE} ${OUT}/carriedfiles.cpp @ONLY)
