#pragma once

// What screen readers see of a CategoryPicker: a page tab list whose tabs are its
// segments, each named by its category. Pressing a tab chooses its category just
// as a click on the segment does, so the list below follows.
namespace CategoryPickerAccessible {

// Makes every CategoryPicker known to QAccessible; once is enough.
void install();

} // namespace CategoryPickerAccessible
