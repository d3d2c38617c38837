brimvale_add_test(NAME test_icons SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/test_icons.cpp
                  LIBS brimvale_ui LABELS ui)
