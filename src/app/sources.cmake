target_sources(brimvale_app PRIVATE
  PanelPlacement.h PanelPlacement.cpp
  PanelWindow.h PanelWindow.cpp
  Services.h
  SystemServices.h SystemServices.cpp
  AppShell.h AppShell.cpp
  StopSignals.h StopSignals.cpp
)
target_compile_definitions(brimvale_app PUBLIC BRIMVALE_VERSION="${PROJECT_VERSION}")
# A later start reaches the running one over the session bus or a local socket.
find_package(Qt6 6.4 REQUIRED COMPONENTS DBus Network)
target_sources(brimvale_app PRIVATE
  InstanceCommand.h InstanceCommand.cpp
  InstanceServer.h InstanceServer.cpp
  InstanceClient.h InstanceClient.cpp
  SocketPeer.h SocketPeer.cpp
  SingleInstance.h SingleInstance.cpp
  HistoryCommands.h HistoryCommands.cpp
)
target_link_libraries(brimvale_app PUBLIC Qt6::DBus Qt6::Network)
target_sources(brimvale_app PRIVATE TrayMenu.h TrayMenu.cpp)
