# Privacy Mode: the manager's logic over the fakes, and the same over the real X
# clipboard with xclip as the other program.
brimvale_add_test(NAME tst_privacymode SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_privacymode.cpp
                  LIBS brimvale_core brimvale_platform brimvale_testsupport)
brimvale_add_test(NAME tst_privacymode_x11
                  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_privacymode_x11.cpp
                  LIBS brimvale_core brimvale_platform brimvale_testsupport Qt6::Gui
                  PLATFORM xcb TIMEOUT 180)
target_include_directories(tst_privacymode_x11 PRIVATE ${CMAKE_SOURCE_DIR}/tests/e2e)
# The X clipboard is one per display: tests that use it must not overlap.
set_tests_properties(tst_privacymode_x11 PROPERTIES RESOURCE_LOCK x11_clipboard)
# The mouse selection: when a selection is finished, and the recorder over fakes.
brimvale_add_test(NAME tst_selectionrecording
                  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_selectionrecording.cpp
                  LIBS brimvale_core brimvale_platform brimvale_testsupport)
