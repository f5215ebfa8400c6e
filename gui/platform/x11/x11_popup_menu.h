// The parameter popup menu on X11: an override-redirect window at the pointer that holds the
// pointer and keyboard until an item is chosen or the menu is dismissed.
#pragma once

#include <string>
#include <vector>

namespace gui::x11 {

class X11Session;

// Editor thread: shows items at the pointer, itemsPerColumn rows to a column (0 or less: one
// column), item checked (0-based, -1 for none) with a check mark. Returns the chosen item's
// number 1..n, or 0 when the menu was dismissed (a click outside it, Escape, the editor
// closing, or a pointer held by another program).
int RunPopupMenu(X11Session& session, const std::vector<std::string>& items, int checked,
                 int itemsPerColumn);

}  // namespace gui::x11
