brimvale_add_test(NAME tst_wordtagger SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_wordtagger.cpp
                  LIBS brimvale_core)
brimvale_add_test(NAME tst_classifier SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_classifier.cpp
                  LIBS brimvale_core)
