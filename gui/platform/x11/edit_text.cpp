// Editing operations of the edit box's text.
#include "gui/platform/x11/edit_text.h"

#include <algorithm>

namespace gui::x11 {

void EditText::SetText(const std::string& text) {
  text_ = text.substr(0, limit_);
  SelectAll();
}

void EditText::SelectAll() {
  anchor_ = 0;
  caret_ = text_.size();
}

void EditText::EraseSelection() {
  const std::size_t start = SelectionStart();
  text_.erase(start, SelectionEnd() - start);
  caret_ = anchor_ = start;
}

void EditText::Type(char c) {
  EraseSelection();
  if (text_.size() >= limit_) return;
  text_.insert(caret_, 1, c);
  anchor_ = ++caret_;
}

void EditText::Backspace() {
  if (HasSelection()) return EraseSelection();
  if (caret_ == 0) return;
  text_.erase(--caret_, 1);
  anchor_ = caret_;
}

void EditText::Delete() {
  if (HasSelection()) return EraseSelection();
  if (caret_ < text_.size()) text_.erase(caret_, 1);
}

void EditText::MoveTo(std::size_t pos, bool extend) {
  caret_ = std::min(pos, text_.size());
  if (!extend) anchor_ = caret_;
}

void EditText::Left(bool extend) {
  if (!extend && HasSelection()) return MoveTo(SelectionStart(), false);
  MoveTo(caret_ > 0 ? caret_ - 1 : 0, extend);
}

void EditText::Right(bool extend) {
  if (!extend && HasSelection()) return MoveTo(SelectionEnd(), false);
  MoveTo(caret_ + 1, extend);
}

void EditText::Home(bool extend) { MoveTo(0, extend); }

void EditText::End(bool extend) { MoveTo(text_.size(), extend); }

void EditText::PlaceCaret(std::size_t pos) { MoveTo(pos, false); }

}  // namespace gui::x11
