# `brimvale --list` over a large store: the real binary through a pipe.
add_executable(bench_commandline ${CMAKE_CURRENT_LIST_DIR}/bench_commandline.cpp)
target_include_directories(bench_commandline PRIVATE ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(bench_commandline PRIVATE brimvale_core benchmark::benchmark brimvale_options)
target_compile_definitions(bench_commandline PRIVATE BRIMVALE_BINARY="$<TARGET_FILE:brimvale>")
add_dependencies(bench_commandline brimvale)
