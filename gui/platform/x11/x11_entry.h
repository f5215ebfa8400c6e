// The value entry's boxes on X11. X has no native edit box or drop-down list, so both are
// child windows of the editor window that we draw with the raster layer and the editor's font.
#pragma once

#include <memory>

#include "gui/window_layer.h"

namespace gui::x11 {

class X11Session;

// Editor thread: the box for request (an edit box or, with request.list, a drop-down list) over
// the editor, holding the keyboard focus. It reports to entry as the native one would: Return
// or a chosen row commits, Escape cancels, and after the box has lost the focus once, gaining it
// again sets EntryFocused and losing it returns to EntryIdle.
std::unique_ptr<IEntryWidget> OpenEntryBox(X11Session& session, const EntryRequest& request,
                                           ValueEntry& entry);

}  // namespace gui::x11
