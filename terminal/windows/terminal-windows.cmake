# The terminal as a Windows program: a GUI program (no console window), with
# its icon and version in its resources, and Qt's Chinese texts in a
# translations folder beside it, where it looks for them.

set_target_properties(varnica PROPERTIES WIN32_EXECUTABLE ON)

# The icon is drawn by the terminal's own code, run under the emulator.
add_executable(varnica-iconfile ${CMAKE_CURRENT_LIST_DIR}/iconfile.cpp)
target_link_libraries(varnica-iconfile PRIVATE varnica_appicon)
set(icon_file ${CMAKE_CURRENT_BINARY_DIR}/varnica.ico)
add_custom_command(
  OUTPUT ${icon_file}
  COMMAND varnica-iconfile ${icon_file} 16 24 32 48 64 256
  DEPENDS varnica-iconfile
  COMMENT "Drawing the icon file"
  VERBATIM)
set(VARNICA_ICON_FILE ${icon_file})
configure_file(${CMAKE_CURRENT_LIST_DIR}/varnica.rc.in ${CMAKE_CURRENT_BINARY_DIR}/varnica.rc @ONLY)
target_sources(varnica PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/varnica.rc)
set_source_files_properties(${CMAKE_CURRENT_BINARY_DIR}/varnica.rc PROPERTIES
  OBJECT_DEPENDS ${icon_file})

# Qt's own translation is the same file on every platform: the one of the
# system Qt (Debian's qt6-translations-l10n) is carried, since the Qt built
# for Windows brings none.
find_file(VARNICA_QTBASE_ZH_CN qtbase_zh_CN.qm
  PATHS /usr/share/qt6/translations NO_CMAKE_FIND_ROOT_PATH NO_DEFAULT_PATH)
if(NOT VARNICA_QTBASE_ZH_CN)
  message(FATAL_ERROR "Qt's Chinese texts (qtbase_zh_CN.qm) are missing: install qt6-translations-l10n")
endif()
set(translations_dir ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/translations)
add_custom_command(
  OUTPUT ${translations_dir}/qtbase_zh_CN.qm
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${VARNICA_QTBASE_ZH_CN} ${translations_dir}/qtbase_zh_CN.qm
  DEPENDS ${VARNICA_QTBASE_ZH_CN}
  COMMENT "Putting Qt's Chinese texts beside the terminal")
add_custom_target(varnica_translations DEPENDS ${translations_dir}/qtbase_zh_CN.qm)
add_dependencies(varnica varnica_translations)

install(TARGETS varnica RUNTIME DESTINATION .)
install(TARGETS mscomm32 RUNTIME DESTINATION .)
install(FILES ${translations_dir}/qtbase_zh_CN.qm DESTINATION translations)
