// Opening, refreshing, committing and closing the value entry.
#include "gui/value_entry.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "gui/control.h"
#include "gui/editor_surface.h"
#include "gui/window_layer.h"

namespace gui {

ValueEntry::~ValueEntry() = default;

EntryRequest ValueEntry::RequestFor(const IControl& control, const ParameterDefinition& parameter,
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

namespace {

std::string Trimmed(const std::string& text) {
  const std::size_t a = text.find_first_not_of(" \t\r\n");
  if (a == std::string::npos) return "";
  return text.substr(a, text.find_last_not_of(" \t\r\n") - a + 1);
}

bool SameIgnoringCase(const std::string& a, const char* b) {
  const std::size_t n = std::strlen(b);
  if (a.size() != n) return false;
  for (std::size_t i = 0; i < n; ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

// A whole decimal number, nothing before or after it.
bool WholeNumber(const std::string& text, double* out) {
  if (text.empty()) return false;
  char* end = nullptr;
  const double v = std::strtod(text.c_str(), &end);
  if (end != text.c_str() + text.size() || !std::isfinite(v)) return false;
  *out = v;
  return true;
}

}  // namespace

bool ParseTypedValue(const ParameterDefinition& parameter, const std::string& typed, double* plain) {
  std::string text = Trimmed(typed.substr(0, kEntryTextLimit));
  for (const bool exact : {true, false}) {
    for (int i = 0; i < parameter.DisplayTextCount(); ++i) {
      const framework::DisplayText& entry = parameter.DisplayTextAt(i);
      if (exact ? text == entry.text : SameIgnoringCase(text, entry.text)) {
        *plain = entry.value;
        return true;
      }
    }
  }
  // The unit may follow the number, with or without a space, in any case.
  const std::size_t unit = std::strlen(parameter.Label());
  if (unit > 0 && text.size() > unit &&
      SameIgnoringCase(text.substr(text.size() - unit), parameter.Label())) {
    text = Trimmed(text.substr(0, text.size() - unit));
  }
  double v = 0.0;
  if (!WholeNumber(text, &v)) return false;
  *plain = parameter.NegateDisplay() ? -v : v;
  return true;
}

std::string ValueEntry::CurrentDisplay() const {
  char text[kEntryTextLimit + 1] = {};
  parameter_->DisplayString(surface_.PlainValue(control_->ParamIdx()), false, text, sizeof text);
  return text;
}

void ValueEntry::Open(IControl* control, const ParameterDefinition* parameter,
                      IWindowLayer& layer) {
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
      // Text that stands for no value leaves the value as it is, as a cancel would; a value
      // beyond the range is taken as its nearest end.
      double plain = 0.0;
      if (parameter_ != nullptr && control_ != nullptr &&
          surface_.ValueFromText(control_->ParamIdx(), widget_->Text(), &plain))
        control_->SetValueFromUser(parameter_->NormalizedOf(plain));
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

}  // namespace gui
