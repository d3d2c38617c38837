# The panel's views and the application shell around them. They run on a real store
# file in a temporary directory, a clipboard in memory and poll timers the tests
# tick, and use in-memory preferences where a test counts what was written
# (brimvale_testsupport).
brimvale_add_test(NAME tst_icons SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_icons.cpp
                  LIBS brimvale_ui LABELS ui)
brimvale_add_test(NAME tst_contentview
                  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_contentview.cpp
                          ${CMAKE_CURRENT_LIST_DIR}/FakeSaveDialog.h
                  LIBS brimvale_ui brimvale_testsupport LABELS ui)
target_include_directories(tst_contentview PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../common)
brimvale_add_test(NAME tst_clearconfirmation
                  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_clearconfirmation.cpp
                          ${CMAKE_CURRENT_LIST_DIR}/FakeSaveDialog.h
                  LIBS brimvale_ui brimvale_testsupport LABELS ui)
brimvale_add_test(NAME tst_filesavedialog
                  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_filesavedialog.cpp
                  LIBS brimvale_ui LABELS ui)
brimvale_add_test(NAME tst_panelplacement
                  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_panelplacement.cpp
                  LIBS brimvale_app LABELS app)
brimvale_add_test(NAME tst_panelshell
                  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_panelshell.cpp
                          ${CMAKE_CURRENT_LIST_DIR}/PanelTestHelpers.h
                  LIBS brimvale_app brimvale_testsupport LABELS app)
brimvale_add_test(NAME tst_applaunch
                  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_applaunch.cpp
                          ${CMAKE_CURRENT_LIST_DIR}/PanelTestHelpers.h
                  LIBS brimvale_app brimvale_testsupport LABELS app)
target_include_directories(tst_applaunch PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../common)
# Pictures of the panel in its usual states, written to screenshots/ for review.
brimvale_add_test(NAME tst_panelscreenshots
                  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_panelscreenshots.cpp
                  LIBS brimvale_app brimvale_testsupport LABELS app)
target_compile_definitions(tst_panelscreenshots PRIVATE
                           BRIMVALE_SCREENSHOT_DIR="${CMAKE_BINARY_DIR}/screenshots")
# The tray icon's menu and the "Start at Login" switch.
brimvale_add_test(NAME tst_traymenu
                  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_traymenu.cpp
                          ${CMAKE_CURRENT_LIST_DIR}/PanelTestHelpers.h
                  LIBS brimvale_app brimvale_testsupport LABELS app)
