// Rectangle union, intersection and clipping rules.
#include "gui/records.h"

#include <algorithm>

namespace gui {

bool Rect::Intersects(const Rect& b) const {
  if (IsEmpty() || b.IsEmpty()) return false;
  return right >= b.left && left < b.right && bottom >= b.top && top < b.bottom;
}

Rect Rect::Union(const Rect& b) const {
  if (IsEmpty()) return b;
  if (b.IsEmpty()) return *this;
  return Rect{std::min(left, b.left), std::min(top, b.top), std::max(right, b.right),
              std::max(bottom, b.bottom)};
}

Rect Rect::Clip(const Rect& b) const {
  if (!Intersects(b)) return Rect{};
  return Rect{std::max(left, b.left), std::max(top, b.top), std::min(right, b.right),
              std::min(bottom, b.bottom)};
}

}  // namespace gui
