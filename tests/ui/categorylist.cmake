# The category list: its text helpers, models, geometry and view.
brimvale_add_test(NAME tst_textsearch SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_textsearch.cpp
                  LIBS brimvale_core)
brimvale_add_test(NAME tst_displaytext SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_displaytext.cpp
                  ${CMAKE_CURRENT_LIST_DIR}/GuardedText.h LIBS brimvale_core)
brimvale_add_test(NAME tst_listgeometry SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_listgeometry.cpp
                  LIBS brimvale_ui)
brimvale_add_test(NAME tst_categorylistmodels
                  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_categorylistmodels.cpp
                  ${CMAKE_CURRENT_LIST_DIR}/FakeTextList.h LIBS brimvale_ui brimvale_testsupport)
brimvale_add_test(NAME tst_categoryview SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_categoryview.cpp
                  LIBS brimvale_ui brimvale_testsupport)
brimvale_add_test(NAME tst_previewtext SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_previewtext.cpp
                  LIBS brimvale_ui)
brimvale_add_test(NAME tst_searchfilter
                  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_searchfilter.cpp
                  ${CMAKE_CURRENT_LIST_DIR}/FakeTextList.h ${CMAKE_CURRENT_LIST_DIR}/FilterRows.h
                  LIBS brimvale_ui)
brimvale_add_test(NAME tst_longsearch SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_longsearch.cpp
                  ${CMAKE_CURRENT_LIST_DIR}/FakeTextList.h ${CMAKE_CURRENT_LIST_DIR}/FilterRows.h
                  LIBS brimvale_ui brimvale_testsupport)
brimvale_add_test(NAME tst_cliplistview SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_cliplistview.cpp
                  ${CMAKE_CURRENT_LIST_DIR}/FakeTextList.h LIBS brimvale_ui)
