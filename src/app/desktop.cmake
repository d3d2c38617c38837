# The program as a desktop application: its own icon (tray and window), the
# translations it loads from the session's locale, and where both are installed.
include(GNUInstallDirs)
find_package(Qt6 6.4 REQUIRED COMPONENTS LinguistTools)

target_sources(brimvale_app PRIVATE
  StatusIcon.h StatusIcon.cpp
  Translations.h Translations.cpp
)

# Installed, the translations sit in the data folder that goes with the binary's
# folder, found relative to it so the install prefix can move.
set(BRIMVALE_TRANSLATIONS_INSTALL_DIR ${CMAKE_INSTALL_DATADIR}/brimvale/translations)
file(RELATIVE_PATH translations_from_bindir ${CMAKE_INSTALL_FULL_BINDIR}
     ${CMAKE_INSTALL_FULL_DATADIR}/brimvale/translations)
target_compile_definitions(brimvale_app PRIVATE
  BRIMVALE_TRANSLATIONS_FROM_BINDIR="${translations_from_bindir}")

# Every text of ours is in the libraries below the executable; lupdate reads all
# their sources. Regenerate the .ts files after changing a text:
#   cmake --build build --target update_translations
set(translated_sources)
foreach(lib IN ITEMS brimvale_platform brimvale_core brimvale_ui brimvale_app brimvale)
  get_target_property(lib_dir ${lib} SOURCE_DIR)
  get_target_property(lib_sources ${lib} SOURCES)
  foreach(source IN LISTS lib_sources)
    if(source MATCHES "\\.(cpp|h)$")
      cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY ${lib_dir})
      list(APPEND translated_sources ${source})
    endif()
  endforeach()
endforeach()

set(BRIMVALE_TS_FILES ${PROJECT_SOURCE_DIR}/translations/brimvale_de.ts)
# Built beside the binary, where an uninstalled build finds them too.
set(BRIMVALE_QM_DIR ${CMAKE_CURRENT_BINARY_DIR}/translations CACHE INTERNAL "built .qm files")
set_source_files_properties(${BRIMVALE_TS_FILES} PROPERTIES OUTPUT_LOCATION ${BRIMVALE_QM_DIR})
qt_add_translations(brimvale
  TS_FILES ${BRIMVALE_TS_FILES}
  SOURCES ${translated_sources}
  LUPDATE_OPTIONS -locations none -no-obsolete
  QM_FILES_OUTPUT_VARIABLE brimvale_qm_files)
install(FILES ${brimvale_qm_files} DESTINATION ${BRIMVALE_TRANSLATIONS_INSTALL_DIR})
install(TARGETS brimvale RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
