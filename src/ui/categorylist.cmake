list(APPEND BRIMVALE_UI_SOURCES
  SearchFilterModel.h SearchFilterModel.cpp
  ClipSelection.h ClipSelection.cpp
  ListAnimation.h ListAnimation.cpp
  RowGeometry.h RowGeometry.cpp
  ClipDelegate.h ClipDelegate.cpp
  TextBlocks.h TextBlocks.cpp
  PreviewTextView.h PreviewTextView.cpp
  PreviewPanel.h PreviewPanel.cpp
  ClipListView.h ClipListView.cpp ClipListViewChanges.cpp ClipListViewInput.cpp
  CategoryView.h CategoryView.cpp
)
