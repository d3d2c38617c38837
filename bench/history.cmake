# The history benchmarks run the program's stores on a real file; the clipboard is
# the tests' in-memory one, built in from its source (the test-support library
# exists only when the tests are built).
set(BRIMVALE_BENCH_CLIPBOARD ${CMAKE_SOURCE_DIR}/tests/support/MemoryClipboard.h
                             ${CMAKE_SOURCE_DIR}/tests/support/MemoryClipboard.cpp)
add_executable(bench_history ${CMAKE_CURRENT_LIST_DIR}/bench_history.cpp ${BRIMVALE_BENCH_CLIPBOARD})
target_include_directories(bench_history PRIVATE ${CMAKE_SOURCE_DIR}/tests/support)
target_link_libraries(bench_history PRIVATE brimvale_core benchmark::benchmark brimvale_options)
add_executable(bench_memory ${CMAKE_CURRENT_LIST_DIR}/bench_memory.cpp ${BRIMVALE_BENCH_CLIPBOARD})
target_include_directories(bench_memory PRIVATE ${CMAKE_SOURCE_DIR}/tests/support)
target_link_libraries(bench_memory PRIVATE brimvale_core brimvale_options)
# A text of hundreds of megabytes written while the user goes on.
add_executable(bench_largewrite ${CMAKE_CURRENT_LIST_DIR}/bench_largewrite.cpp ${BRIMVALE_BENCH_CLIPBOARD})
target_include_directories(bench_largewrite PRIVATE ${CMAKE_SOURCE_DIR}/tests/support ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(bench_largewrite PRIVATE brimvale_core brimvale_options)
