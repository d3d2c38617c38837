#pragma once

class ClipListView;
class QModelIndex;

// What screen readers see of a ClipListView: a list whose items are the rows in
// sight, each named by its display text, with the row's actions (open or close
// its full text, copy, delete). The view's viewport, which holds the search field,
// comes first, the scroll bar last.
namespace ClipListAccessible {

// Makes every ClipListView known to QAccessible; once is enough.
void install();
// Tells the screen reader that the current row moved while the list has focus.
void currentRowChanged(ClipListView &view, const QModelIndex &current);

} // namespace ClipListAccessible
