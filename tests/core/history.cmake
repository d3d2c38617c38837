set(core_libs brimvale_core brimvale_platform)
set(core_test_libs ${core_libs} brimvale_testsupport)
foreach(t tst_clipboardmanager tst_clipboardpolling tst_historypersistence tst_historyexport
          tst_historytroubles tst_longitems tst_compacthistory)
  brimvale_add_test(NAME ${t} SOURCES ${CMAKE_CURRENT_LIST_DIR}/${t}.cpp LIBS ${core_test_libs} SQLite::SQLite3)
  target_include_directories(${t} PRIVATE ${CMAKE_SOURCE_DIR}/tests/platform)
  target_include_directories(${t} PRIVATE ${CMAKE_SOURCE_DIR}/tests/common)
endforeach()

add_executable(crash_writer ${CMAKE_CURRENT_LIST_DIR}/crash_writer.cpp)
target_link_libraries(crash_writer PRIVATE ${core_test_libs} brimvale_options)
brimvale_add_test(NAME tst_crashsafety SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_crashsafety.cpp
                  LIBS brimvale_testsupport SQLite::SQLite3)
target_compile_definitions(tst_crashsafety PRIVATE CRASH_WRITER="$<TARGET_FILE:crash_writer>")
add_dependencies(tst_crashsafety crash_writer)
