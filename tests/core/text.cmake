# The shared text helpers: canonical form, user-perceived characters, case folding
# and the unit scan.
brimvale_add_test(NAME tst_unicodetext SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_unicodetext.cpp
                  LIBS brimvale_core)
target_include_directories(tst_unicodetext PRIVATE ${CMAKE_SOURCE_DIR}/tests/ui)
