add_executable(bench_categorylist ${CMAKE_CURRENT_LIST_DIR}/bench_categorylist.cpp
               ${CMAKE_CURRENT_LIST_DIR}/HistoryGenerator.h ${BRIMVALE_BENCH_CLIPBOARD})
target_include_directories(bench_categorylist PRIVATE ${CMAKE_SOURCE_DIR}/tests/support)
target_link_libraries(bench_categorylist PRIVATE brimvale_ui brimvale_platform
                      benchmark::benchmark brimvale_options)
