# varnica-solo for Windows: the files go straight into the folder the
# variable "temp" names, the terminal's window is found with FindWindowA, and
# the files travel as resources of the launcher's executable (carried.rc.in):
# the terminal and the serial control file raw, the Qt run-time as gzip
# members that zlib (linked statically) unpacks; windows/runtimeframe.cpp
# says why that format.

find_library(ZLIB_STATIC_LIBRARY NAMES libz.a REQUIRED) # Debian: libz-mingw-w64-dev
find_path(ZLIB_INCLUDE_DIR zlib.h REQUIRED)
find_program(GZIP_PROGRAM gzip REQUIRED)

target_sources(varnica_launcher PRIVATE
  windows/processstarter.h windows/processstarter.cpp
  windows/runtimeframe.cpp
  windows/tempfolder.h windows/tempfolder.cpp
  windows/uniquehandle.h
  windows/windowfinder.h windows/windowfinder.cpp)
target_include_directories(varnica_launcher PUBLIC ${ZLIB_INCLUDE_DIR})
target_link_libraries(varnica_launcher PUBLIC ${ZLIB_STATIC_LIBRARY})

# It carries the terminal and its serial control file.
if(NOT TARGET varnica OR NOT TARGET mscomm32)
  message(STATUS "varnica-solo is left out: no terminal or serial control for Windows here")
  return()
endif()
set(carried_dir ${CMAKE_CURRENT_BINARY_DIR}/carried)

# The mingw run-time the Qt libraries and the terminal need.
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libstdc++-6.dll
  OUTPUT_VARIABLE mingw_libstdcxx OUTPUT_STRIP_TRAILING_WHITESPACE)
get_filename_component(mingw_runtime_dir ${mingw_libstdcxx} DIRECTORY)
find_file(WINPTHREAD_DLL libwinpthread-1.dll PATHS /usr/${VARNICA_MINGW_TRIPLE}/lib
  NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
get_filename_component(winpthread_dir ${WINPTHREAD_DLL} DIRECTORY)
# Qt's Chinese texts: the Qt for Windows may lack its translations; they are
# the same files for every platform of the same Qt.
find_file(QT_ZH_CN_TRANSLATION qtbase_zh_CN.qm
  PATHS ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_TRANSLATIONS} ${QT_HOST_PATH}/share/qt6/translations
  NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
if(NOT QT_ZH_CN_TRANSLATION)
  set(QT_ZH_CN_TRANSLATION "")
endif()
# The windows platform and the style of the Windows of today.
set(qt_plugins "")
foreach(plugin platforms/qwindows.dll styles/qwindowsvistastyle.dll)
  set(plugin ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_PLUGINS}/${plugin})
  if(NOT EXISTS ${plugin})
    message(FATAL_ERROR "varnica-solo carries ${plugin}, which Qt does not have here")
  endif()
  string(APPEND qt_plugins " [[${plugin}]]")
endforeach()

set(carried_rc ${carried_dir}/carried.rc)
file(GENERATE OUTPUT ${carried_dir}/inputs.cmake CONTENT "\
set(TERMINAL [[$<TARGET_FILE:varnica>]])
set(CONTROL [[$<TARGET_FILE:mscomm32>]])
set(PLUGINS${qt_plugins})
set(SEARCH [[${QT6_INSTALL_PREFIX}/${QT6_INSTALL_BINS}]] [[${mingw_runtime_dir}]] [[${winpthread_dir}]])
set(QT_TRANSLATION [[${QT_ZH_CN_TRANSLATION}]])
set(LICENSE [[${PROJECT_SOURCE_DIR}/LICENSE]])
set(TEMPLATE [[${CMAKE_CURRENT_SOURCE_DIR}/windows/carried.rc.in]])
set(OUT [[${carried_dir}]])
set(STRIP [[${CMAKE_STRIP}]])
set(OBJDUMP [[${CMAKE_OBJDUMP}]])
set(GZIP [[${GZIP_PROGRAM}]])
")
# The resource script is renewed whenever what it takes in changes, so that
# the resource compiler, which names no dependencies, runs again.
add_custom_command(
  OUTPUT ${carried_rc}
  COMMAND ${CMAKE_COMMAND} -DINPUTS=${carried_dir}/inputs.cmake
    -P ${CMAKE_CURRENT_SOURCE_DIR}/windows/carryruntime.cmake
  COMMAND ${CMAKE_COMMAND} -E touch ${carried_rc}
  DEPENDS varnica mscomm32
    windows/carryruntime.cmake windows/carried.rc.in
    ${PROJECT_SOURCE_DIR}/LICENSE ${carried_dir}/inputs.cmake
  COMMENT "Carrying the terminal, its serial control file and the Qt run-time"
  VERBATIM)
# An object library: the linker takes in every resource it is given, while
# from a static library it would take only what code refers to.
add_library(varnica_carried OBJECT carriedfiles.h windows/carriedfiles.cpp ${carried_rc})
set_target_properties(varnica_carried PROPERTIES AUTOMOC OFF)

add_executable(varnica-solo WIN32 windows/main.cpp)
target_link_libraries(varnica-solo PRIVATE varnica_launcher varnica_carried)
# The C and C++ run-time and the threads linked in: nothing needed beside it.
target_link_options(varnica-solo PRIVATE -static)
set_target_properties(varnica-solo PROPERTIES AUTOMOC OFF)

# Beside the terminal, in the top of the installed folder.
install(TARGETS varnica-solo RUNTIME DESTINATION .)
