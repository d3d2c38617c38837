list(APPEND BRIMVALE_UI_SOURCES
  Icons.h Icons.cpp icons.qrc
)
