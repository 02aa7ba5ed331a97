# Makes what varnica-solo carries on Windows, from the built terminal and
# serial control file. Run by the build as
# cmake -DINPUTS=<file> -P carryruntime.cmake; the inputs file names the
# outputs of the build, the folders to look for DLLs in and the tools to use.
#
# - The terminal and the serial control file, stripped of symbols and debug
#   information, raw (resources 101 and 102).
# - The run-time they need: every DLL that they and the carried Qt plugins
#   import, followed recursively, found in the Qt for Windows and the mingw
#   run-time, except the system's own DLLs (below); the plugins in their
#   folders (platforms/, styles/); qt.conf, which points Qt at the folder the
#   terminal runs from for its plugins; Qt's Chinese texts in translations/,
#   where the terminal looks for them; the licence texts of what is carried.
# Each run-time file becomes one gzip member (gzip -9 -n: no name, no time,
# so the same input gives the same bytes) that states its size and carries a
# CRC-32 of its bytes. carried.rc lists them all for the resource compiler.
cmake_minimum_required(VERSION 3.22)
include(${INPUTS})

# What every Windows has: the system's DLLs and the API sets.
set(system_dlls
  "^api-ms-" "^ext-ms-"
  "^(advapi32|authz|bcrypt|comctl32|comdlg32|crypt32|d2d1|d3d9|d3d11|d3d12|dnsapi|dwmapi|dwrite|dxgi|gdi32|gdiplus|imm32|iphlpapi|kernel32|mpr|msimg32|msvcrt|netapi32|ntdll|ole32|oleaut32|rpcrt4|secur32|setupapi|shell32|shcore|shlwapi|ucrtbase|user32|userenv|uxtheme|version|winmm|winspool\\.drv|ws2_32|wtsapi32)(\\.dll)?$")

file(MAKE_DIRECTORY ${OUT}/frames ${OUT}/runtime)
foreach(pair "terminal.exe;${TERMINAL}" "mscomm32.ocx;${CONTROL}")
  list(GET pair 0 name)
  list(GET pair 1 source)
  execute_process(COMMAND ${STRIP} --strip-all -o ${OUT}/${name} ${source}
    COMMAND_ERROR_IS_FATAL ANY)
endforeach()

# The DLLs each file imports, as "DLL Name:" lines of objdump -p; names are
# compared regardless of case, as Windows does. (file(GET_RUNTIME_DEPENDENCIES)
# compares them in lower case, and so finds none of Qt's on Linux.)
set(found_names "")
set(found_files "")
foreach(folder IN LISTS SEARCH)
  file(GLOB dlls ${folder}/*.dll)
  foreach(dll IN LISTS dlls)
    get_filename_component(name ${dll} NAME)
    string(TOLOWER ${name} name)
    if(NOT name IN_LIST found_names)
      list(APPEND found_names ${name})
      list(APPEND found_files ${dll})
    endif()
  endforeach()
endforeach()
set(libraries "")
set(missing "")
set(pending ${TERMINAL} ${CONTROL} ${PLUGINS})
while(pending)
  list(POP_FRONT pending file)
  execute_process(COMMAND ${OBJDUMP} -p ${file} OUTPUT_VARIABLE dump COMMAND_ERROR_IS_FATAL ANY)
  string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${dump}")
  foreach(import IN LISTS imports)
    string(REGEX REPLACE "^DLL Name: " "" name "${import}")
    string(STRIP "${name}" name)
    string(TOLOWER "${name}" name)
    set(system FALSE)
    foreach(pattern IN LISTS system_dlls)
      if(name MATCHES "${pattern}")
        set(system TRUE)
      endif()
    endforeach()
    # The serial control file is carried on its own, as resource 102.
    if(system OR name STREQUAL "mscomm32.ocx")
      continue()
    endif()
    list(FIND found_names ${name} index)
    if(index LESS 0)
      list(APPEND missing ${name})
      continue()
    endif()
    list(GET found_files ${index} library)
    if(NOT library IN_LIST libraries)
      list(APPEND libraries ${library})
      list(APPEND pending ${library})
    endif()
  endforeach()
endwhile()
if(missing)
  list(REMOVE_DUPLICATES missing)
  message(FATAL_ERROR "The terminal needs DLLs that are neither carried nor the system's: ${missing}")
endif()

set(carried_paths "")

# Copies source to path in the run-time, stripped when it is a DLL, and
# compresses it; only when the source is newer than its frame.
function(carry source path)
  set(copy ${OUT}/runtime/${path})
  set(frame ${OUT}/frames/${path}.gz)
  if(NOT EXISTS ${frame} OR ${source} IS_NEWER_THAN ${frame})
    get_filename_component(folder ${frame} DIRECTORY)
    file(MAKE_DIRECTORY ${folder})
    get_filename_component(folder ${copy} DIRECTORY)
    file(MAKE_DIRECTORY ${folder})
    if(path MATCHES "\\.dll$")
      execute_process(COMMAND ${STRIP} --strip-all -o ${copy} ${source} COMMAND_ERROR_IS_FATAL ANY)
    else()
      file(COPY_FILE ${source} ${copy})
    endif()
    execute_process(COMMAND ${GZIP} -9 -n -c ${copy} OUTPUT_FILE ${frame}
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
  carry(${source} ${path})
  set(carried_paths ${carried_paths} PARENT_SCOPE)
endfunction()

# Relative paths in qt.conf are taken from the folder it lies in. Without it
# Qt would first look for plugins in the folder above Qt6Core.dll's, the
# prefix of an installed Qt: beside the temporary folder, in a folder of
# others.
carry_text("[Paths]\nPrefix = .\nPlugins = .\nTranslations = translations\n" qt.conf)
foreach(library IN LISTS libraries)
  get_filename_component(name ${library} NAME)
  carry(${library} ${name})
endforeach()
foreach(plugin IN LISTS PLUGINS)
  get_filename_component(name ${plugin} NAME)
  get_filename_component(kind ${plugin} DIRECTORY)
  get_filename_component(kind ${kind} NAME)
  carry(${plugin} ${kind}/${name})
endforeach()
if(QT_TRANSLATION)
  get_filename_component(name ${QT_TRANSLATION} NAME)
  carry(${QT_TRANSLATION} translations/${name})
endif()
# The licences: Qt's (the same sources as Debian's Qt), the mingw run-time's,
# the common licences they name, and the project's own.
foreach(pair "qt;/usr/share/doc/libqt6core6/copyright"
    "mingw-w64-gcc-runtime;/usr/share/doc/gcc-mingw-w64-x86-64-posix-runtime/copyright"
    "mingw-w64-winpthreads;/usr/share/doc/mingw-w64-x86-64-dev/copyright"
    "LGPL-3;/usr/share/common-licenses/LGPL-3" "GPL-3;/usr/share/common-licenses/GPL-3")
  list(GET pair 0 name)
  list(GET pair 1 source)
  if(EXISTS ${source})
    carry(${source} licences/${name})
  endif()
endforeach()
carry(${LICENSE} licences/varnica)

# The resource script: the paths one a line (resource 1), then the frames in
# the same order (2, 3, ...).
string(REPLACE ";" "\n" path_lines "${carried_paths}")
file(WRITE ${OUT}/paths.txt.new "${path_lines}\n")
file(COPY_FILE ${OUT}/paths.txt.new ${OUT}/paths.txt ONLY_IF_DIFFERENT)
set(terminal ${OUT}/terminal.exe)
set(control ${OUT}/mscomm32.ocx)
set(paths ${OUT}/paths.txt)
set(frames "")
set(id 2)
foreach(path IN LISTS carried_paths)
  string(APPEND frames "${id} RUNTIME \"${OUT}/frames/${path}.gz\"\n")
  math(EXPR id "${id} + 1")
endforeach()
configure_file(${TEMPLATE} ${OUT}/carried.rc @ONLY)
