// The text of the value entry's edit box with its caret and selection, as typing and the
// editing keys change it. Plain data, no window: the X11 edit box draws it.
#pragma once

#include <cstddef>
#include <string>

namespace gui::x11 {

class EditText {
 public:
  // Holds at most this many characters; typing beyond it is ignored.
  explicit EditText(std::size_t limit) : limit_(limit) {}

  // Replaces the text and selects all of it (so typing replaces it).
  void SetText(const std::string& text);
  const std::string& Text() const { return text_; }

  std::size_t Caret() const { return caret_; }
  bool HasSelection() const { return anchor_ != caret_; }
  std::size_t SelectionStart() const { return anchor_ < caret_ ? anchor_ : caret_; }
  std::size_t SelectionEnd() const { return anchor_ < caret_ ? caret_ : anchor_; }

  // Replaces the selection (or inserts at the caret) with c.
  void Type(char c);
  // Delete the selection, else the character before (Backspace) or after (Delete) the caret.
  void Backspace();
  void Delete();
  // Caret moves; with extend the selection grows from where it was anchored, else it is
  // dropped (Left and Right then go to the selection's start or end).
  void Left(bool extend);
  void Right(bool extend);
  void Home(bool extend);
  void End(bool extend);
  void SelectAll();
  // Puts the caret at pos (clamped), dropping the selection.
  void PlaceCaret(std::size_t pos);

 private:
  void MoveTo(std::size_t pos, bool extend);
  void EraseSelection();

  std::size_t limit_;
  std::string text_;
  std::size_t caret_ = 0;
  std::size_t anchor_ = 0;
};

}  // namespace gui::x11
