list(APPEND BRIMVALE_UI_SOURCES
  Icons.h Icons.cpp icons.qrc
  PanelStyle.h PanelStyle.cpp
  ToggleSwitch.h ToggleSwitch.cpp
  IconLabel.h IconLabel.cpp
  CategoryPicker.h CategoryPicker.cpp
  ConfirmationCard.h ConfirmationCard.cpp
  CategoryPickerAccessible.h CategoryPickerAccessible.cpp
  ClearConfirmation.h ClearConfirmation.cpp
  ContentView.h ContentView.cpp
  FileSaveDialog.h FileSaveDialog.cpp
  CaptureReachNote.h CaptureReachNote.cpp
)
list(APPEND BRIMVALE_UI_SOURCES StartAtLoginRow.h StartAtLoginRow.cpp)
list(APPEND BRIMVALE_UI_SOURCES RecordSelectionRow.h RecordSelectionRow.cpp)
