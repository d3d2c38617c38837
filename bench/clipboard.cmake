# Reading the X11 clipboard through Qt and on our own connection; needs DISPLAY.
add_executable(bench_clipboard ${CMAKE_CURRENT_LIST_DIR}/bench_clipboard.cpp)
target_link_libraries(bench_clipboard PRIVATE brimvale_core brimvale_platform Qt6::Gui
                      PkgConfig::XCB brimvale_options)
