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
# The popup fitting a short screen, and the resizable window's remembered size.
brimvale_add_test(NAME tst_panelsize SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_panelsize.cpp
                  LIBS brimvale_app brimvale_testsupport LABELS app)
# The same on Xvfb with a scale factor that makes the screen shorter than the panel.
brimvale_add_test(NAME tst_panelscale SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_panelscale.cpp
                          ${CMAKE_CURRENT_LIST_DIR}/PanelTestHelpers.h
                  LIBS brimvale_app brimvale_testsupport PLATFORM xcb LABELS app)
set_property(TEST tst_panelscale APPEND PROPERTY ENVIRONMENT "QT_SCALE_FACTOR=3")
brimvale_add_test(NAME tst_capturereachnote
                  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_capturereachnote.cpp
                          ${CMAKE_CURRENT_LIST_DIR}/PanelTestHelpers.h
                  LIBS brimvale_app brimvale_testsupport LABELS app)
# The panel from the keyboard: the confirmation's focus, the keyboard path through
# the panel, and what the list shows and tells screen readers.
brimvale_add_test(NAME tst_confirmationfocus
                  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_confirmationfocus.cpp
                          ${CMAKE_CURRENT_LIST_DIR}/PanelTestHelpers.h
                  LIBS brimvale_app brimvale_testsupport LABELS app)
brimvale_add_test(NAME tst_panelkeyboard
                  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_panelkeyboard.cpp
                          ${CMAKE_CURRENT_LIST_DIR}/PanelTestHelpers.h
                  LIBS brimvale_app brimvale_testsupport LABELS app)
brimvale_add_test(NAME tst_listkeyboard SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_listkeyboard.cpp
                  LIBS brimvale_ui brimvale_testsupport LABELS ui)
brimvale_add_test(NAME tst_listaccessibility
                  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_listaccessibility.cpp
                  LIBS brimvale_ui brimvale_testsupport LABELS ui)
# The tray icon's menu and the "Start at Login" switch.
brimvale_add_test(NAME tst_traymenu
                  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_traymenu.cpp
                          ${CMAKE_CURRENT_LIST_DIR}/PanelTestHelpers.h
                  LIBS brimvale_app brimvale_testsupport LABELS app)
