add_executable(bench_history ${CMAKE_CURRENT_LIST_DIR}/bench_history.cpp)
target_link_libraries(bench_history PRIVATE brimvale_core benchmark::benchmark brimvale_options)
add_executable(bench_memory ${CMAKE_CURRENT_LIST_DIR}/bench_memory.cpp)
target_link_libraries(bench_memory PRIVATE brimvale_core brimvale_options)
