list(APPEND BRIMVALE_UI_SOURCES
  SearchScan.h SearchScan.cpp
  SearchFilterModel.h SearchFilterModel.cpp
  TextSelectionModel.h TextSelectionModel.cpp
  RowGeometry.h RowGeometry.cpp
  CopyMark.h CopyMark.cpp
  ClipDelegate.h ClipDelegate.cpp
  TextBlocks.h TextBlocks.cpp
  PreviewTextView.h PreviewTextView.cpp
  PreviewPanel.h PreviewPanel.cpp
  RowMotion.h RowMotion.cpp
  RowAnimator.h RowAnimator.cpp
  PreviewController.h PreviewController.cpp
  RowListView.h RowListView.cpp
  ClipListView.h ClipListView.cpp ClipListViewInput.cpp
  ClipListAccessible.h ClipListAccessible.cpp
  CategoryView.h CategoryView.cpp
  CategorySearch.h CategorySearch.cpp
)
