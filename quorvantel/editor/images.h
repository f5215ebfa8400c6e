// The editor's three images: their resource ids and names, and the module's table of them
// (embedded by the build: platform/<system>/image_data.cpp).
#pragma once

#include "gui/resources.h"

namespace quorvantel {

constexpr int kBackgroundId = 105;
constexpr int kKnobId = 101;
constexpr int kSwitchId = 107;

constexpr const char* kBackgroundName = "img/800x600.png";
constexpr const char* kKnobName = "img/live knob.png";
constexpr const char* kSwitchName = "img/sq_button_10.png";

// The same images drawn at twice the size, for scaled editors.
constexpr int kBackground2xId = 205;
constexpr int kKnob2xId = 201;
constexpr int kSwitch2xId = 207;

constexpr const char* kBackground2xName = "img/800x600@2x.png";
constexpr const char* kKnob2xName = "img/live knob@2x.png";
constexpr const char* kSwitch2xName = "img/sq_button_10@2x.png";

// The images as PNG files, in the order above. Any thread.
gui::ResourceTable EditorImages();

}  // namespace quorvantel
