// Opening, refreshing, committing and closing the value entry.
#include "editor/value_entry.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "editor/control.h"
#include "editor/editor_surface.h"
#include "editor/window_layer.h"
#include "plugin/parameter.h"

namespace editor {

ValueEntry::~ValueEntry() = default;

EntryRequest ValueEntry::RequestFor(const IControl& control, const Parameter& parameter,
                                    const std::string& currentText) {
  const Rect& r = control.DrawRect();
  const int cx = int((r.left + r.right) * 0.5), cy = int((r.top + r.bottom) * 0.5);
  EntryRequest request;
  request.text = currentText;
  const int n = parameter.DisplayTextCount();
  if (n >= 1) {
    request.list = true;
    std::size_t longest = 0;
    for (int i = 0; i < n; ++i) {
      request.items.emplace_back(parameter.DisplayTextAt(i).text);
      longest = std::max(longest, request.items.back().size());
      if (request.selected < 0 && request.items.back() == currentText) request.selected = i;
    }
    const int width = std::max(24, int(8 * longest) + 24);
    request.rect = Rect{cx - width / 2, cy, cx - width / 2 + width, cy + 36 * n + 36};
  } else {
    request.rect = Rect{cx - 18, cy - 8, cx + 18, cy + 8};
  }
  return request;
}

double ValueEntry::CommittedValue(const Parameter& parameter, std::string text) {
  if (text.size() > kEntryTextLimit) text.resize(kEntryTextLimit);
  double value = 0.0;
  if (parameter.DisplayTextCount() > 0) {
    int k = 0;
    if (parameter.ValueForDisplayText(text.c_str(), &k)) value = k;
  } else {
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    if (end == text.c_str()) value = 0.0;
    if (parameter.NegateDisplay()) value = -value;
  }
  return parameter.NormalizedOf(value);
}

std::string ValueEntry::CurrentDisplay() const {
  char text[kEntryTextLimit + 1] = {};
  parameter_->DisplayString(surface_.PlainValue(control_->ParamIdx()), false, text, sizeof text);
  return text;
}

void ValueEntry::Open(IControl* control, const Parameter* parameter, IWindowLayer& layer) {
  if (control == nullptr || parameter == nullptr || IsOpen()) return;
  control_ = control;
  parameter_ = parameter;
  shown_ = CurrentDisplay();
  widget_ = layer.OpenEntryWidget(RequestFor(*control, *parameter, shown_), *this);
  state_ = EntryIdle;
  if (widget_ == nullptr) {
    control_ = nullptr;
    parameter_ = nullptr;
  }
}

void ValueEntry::HandleTick() {
  switch (state_) {
    case EntryRefresh: {
      // Follows the parameter when it moves under the open box (automation, another control),
      // but never replaces what the user is typing with the unchanged value.
      if (parameter_ != nullptr) {
        const std::string current = CurrentDisplay();
        if (current != shown_ && widget_->Text().substr(0, kEntryTextLimit) != current) {
          widget_->SetText(current);
        }
        shown_ = current;
      }
      state_ = EntryIdle;
      break;
    }
    case EntryCommit: {
      if (parameter_ != nullptr && control_ != nullptr)
        control_->SetValueFromUser(CommittedValue(*parameter_, widget_->Text()));
      Close();
      break;
    }
    case EntryCancel:
      Close();
      break;
    default:
      state_ = EntryIdle;
      break;
  }
}

void ValueEntry::Close() {
  widget_.reset();
  control_ = nullptr;
  parameter_ = nullptr;
  state_ = EntryIdle;
  shown_.clear();
}

}  // namespace editor
