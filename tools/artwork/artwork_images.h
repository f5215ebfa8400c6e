// Drawing of the three editor images from an artwork source, at the editor's own size (scale 1)
// or larger for scaled editors (scale 2: every coordinate, size and stroke doubled).
#pragma once

#include <string>

#include "raster/bitmap.h"
#include "tools/artwork/artwork_source.h"

namespace artwork {

// The background: its "background" command and every drawing command after it, in order.
bool DrawBackground(const Source& source, int scale, raster::Bitmap& out, std::string& error);

// The knob strip of the "knob SIZE FRAMES SWEEP" command: frames stacked vertically, the pointer
// and value arc turning clockwise through the sweep, centred on twelve o'clock.
bool DrawKnobStrip(const Source& source, int scale, raster::Bitmap& out, std::string& error);

// The switch of the "switch SIZE FRAMES" command: frame 1 off, frame 2 on.
bool DrawSwitch(const Source& source, int scale, raster::Bitmap& out, std::string& error);

}  // namespace artwork
