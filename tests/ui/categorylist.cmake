# The category list: its text helpers, models and view.
set(categorylist_tests tst_textsearch tst_displaytext)
brimvale_add_test(NAME tst_textsearch SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_textsearch.cpp
                  LIBS brimvale_core)
brimvale_add_test(NAME tst_displaytext SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_displaytext.cpp
                  ${CMAKE_CURRENT_LIST_DIR}/GuardedText.h LIBS brimvale_core)
