# varnica-solo on Linux: a private folder inside the temporary folder, the
# terminal's window found on the X display (libxcb), the run-time carried as
# zstd frames (zstd's decompression linked in statically).

find_library(ZSTD_STATIC_LIBRARY NAMES libzstd.a REQUIRED)
find_path(ZSTD_INCLUDE_DIR zstd.h REQUIRED)
find_program(ZSTD_PROGRAM zstd REQUIRED)
find_program(PATCHELF patchelf REQUIRED)
find_program(DPKG_QUERY dpkg-query REQUIRED)

target_sources(varnica_launcher PRIVATE
  unix/privatefolder.h unix/privatefolder.cpp
  unix/programstarter.h unix/programstarter.cpp
  unix/runtimeframe.cpp
  unix/uniquefd.h
  unix/windowlookup.h unix/windowlookup.cpp)
target_include_directories(varnica_launcher PUBLIC ${ZSTD_INCLUDE_DIR})
target_link_libraries(varnica_launcher PUBLIC PkgConfig::XCB ${ZSTD_STATIC_LIBRARY})

# The carried files, made from the build's outputs by carryruntime.cmake
# whenever the terminal or its serial control library is rebuilt. The
# generated source is renewed each time, so that what it takes in is taken in
# anew (the compiler does not follow .incbin).
set(carried_dir ${CMAKE_CURRENT_BINARY_DIR}/carried)
set(carried_source ${carried_dir}/carriedfiles.cpp)
set(qt_translation ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_TRANSLATIONS}/qtbase_zh_CN.qm)
# The X11 platform plugin; the Wayland one, with the shell and the window
# decorations it needs, for a Wayland session that has no X display; the
# offscreen one, so that the terminal runs without a display where asked to
# (QT_QPA_PLATFORM=offscreen) as the installed one does; and the input
# methods' plugins that let the user type Chinese into the send box (through
# IBus) or compose accented letters.
set(qt_plugins "")
foreach(plugin platforms/libqxcb.so platforms/libqwayland-generic.so
    wayland-shell-integration/libxdg-shell.so wayland-decoration-client/libbradient.so
    platforms/libqoffscreen.so
    platforminputcontexts/libcomposeplatforminputcontextplugin.so
    platforminputcontexts/libibusplatforminputcontextplugin.so)
  set(plugin ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_PLUGINS}/${plugin})
  if(NOT EXISTS ${plugin})
    message(FATAL_ERROR "varnica-solo carries ${plugin}, which Qt does not have here")
  endif()
  string(APPEND qt_plugins " [[${plugin}]]")
endforeach()
file(GENERATE OUTPUT ${carried_dir}/inputs.cmake CONTENT "\
set(TERMINAL [[$<TARGET_FILE:varnica>]])
set(CONTROL [[$<TARGET_FILE:mscomm32>]])
set(PLUGINS${qt_plugins})
set(QT_TRANSLATION [[${qt_translation}]])
set(LICENSE [[${PROJECT_SOURCE_DIR}/LICENSE]])
set(TEMPLATE [[${CMAKE_CURRENT_SOURCE_DIR}/unix/carriedfiles.cpp.in]])
set(OUT [[${carried_dir}]])
set(STRIP [[${CMAKE_STRIP}]])
set(OBJDUMP [[${CMAKE_OBJDUMP}]])
set(PATCHELF [[${PATCHELF}]])
set(ZSTD [[${ZSTD_PROGRAM}]])
set(DPKG_QUERY [[${DPKG_QUERY}]])
")
add_custom_command(
  OUTPUT ${carried_source}
  BYPRODUCTS ${carried_dir}/packages.txt
  COMMAND ${CMAKE_COMMAND} -DINPUTS=${carried_dir}/inputs.cmake
    -P ${CMAKE_CURRENT_SOURCE_DIR}/unix/carryruntime.cmake
  COMMAND ${CMAKE_COMMAND} -E touch ${carried_source}
  DEPENDS varnica mscomm32 unix/carryruntime.cmake unix/carriedfiles.cpp.in
    ${PROJECT_SOURCE_DIR}/LICENSE ${carried_dir}/inputs.cmake
  COMMENT "Carrying the terminal, its serial control library and their run-time"
  VERBATIM)
add_library(varnica_carried STATIC carriedfiles.h ${carried_source})
set_target_properties(varnica_carried PROPERTIES AUTOMOC OFF)

add_executable(varnica-solo unix/main.cpp)
target_link_libraries(varnica-solo PRIVATE varnica_launcher varnica_carried)
set_target_properties(varnica-solo PROPERTIES AUTOMOC OFF)

# It carries everything it writes, so it needs nothing beside it.
install(TARGETS varnica-solo RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
