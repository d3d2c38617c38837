target_sources(brimvale_app PRIVATE
  PanelPlacement.h PanelPlacement.cpp
  PanelWindow.h PanelWindow.cpp
  Services.h
  SystemServices.h SystemServices.cpp
  Larkspan.h Larkspan.cpp
  StopSignals.h StopSignals.cpp
)
target_compile_definitions(brimvale_app PUBLIC BRIMVALE_VERSION="${PROJECT_VERSION}")
