// The editor images (each at its own size and at twice it), embedded into the module from img/ by
// the assembler at build time.
#include "quorvantel/editor/images.h"

// Defines hidden symbols sym and sym_end around the bytes of img/file. QV_IMG_DIR is the
// absolute img/ folder, passed by the build.
#define QV_EMBED(sym, file)                                                            \
  __asm__(".pushsection .rodata\n.balign 16\n.globl " #sym "\n.hidden " #sym "\n" #sym \
          ":\n.incbin \"" QV_IMG_DIR "/" file "\"\n.globl " #sym "_end\n.hidden " #sym \
          "_end\n" #sym "_end:\n.byte 0\n.popsection\n")

QV_EMBED(qv_img_background, "800x600.png");
QV_EMBED(qv_img_knob, "live knob.png");
QV_EMBED(qv_img_switch, "sq_button_10.png");
QV_EMBED(qv_img_background_2x, "800x600@2x.png");
QV_EMBED(qv_img_knob_2x, "live knob@2x.png");
QV_EMBED(qv_img_switch_2x, "sq_button_10@2x.png");

extern "C" const unsigned char qv_img_background[], qv_img_background_end[];
extern "C" const unsigned char qv_img_knob[], qv_img_knob_end[];
extern "C" const unsigned char qv_img_switch[], qv_img_switch_end[];
extern "C" const unsigned char qv_img_background_2x[], qv_img_background_2x_end[];
extern "C" const unsigned char qv_img_knob_2x[], qv_img_knob_2x_end[];
extern "C" const unsigned char qv_img_switch_2x[], qv_img_switch_2x_end[];

namespace quorvantel {
namespace {

using gui::ResourceEntry;

std::size_t Span(const unsigned char* begin, const unsigned char* end) {
  return std::size_t(end - begin);
}

}  // namespace

gui::ResourceTable EditorImages() {
  // clang-format off
  static const ResourceEntry table[] = {
      // id             name               bytes                                                                  twice the size of
      {kBackgroundId,   kBackgroundName,   qv_img_background,    Span(qv_img_background, qv_img_background_end)},
      {kKnobId,         kKnobName,         qv_img_knob,          Span(qv_img_knob, qv_img_knob_end)},
      {kSwitchId,       kSwitchName,       qv_img_switch,        Span(qv_img_switch, qv_img_switch_end)},
      {kBackground2xId, kBackground2xName, qv_img_background_2x, Span(qv_img_background_2x, qv_img_background_2x_end), kBackgroundId},
      {kKnob2xId,       kKnob2xName,       qv_img_knob_2x,       Span(qv_img_knob_2x, qv_img_knob_2x_end),             kKnobId},
      {kSwitch2xId,     kSwitch2xName,     qv_img_switch_2x,     Span(qv_img_switch_2x, qv_img_switch_2x_end),         kSwitchId},
  };
  // clang-format on
  return table;
}

}  // namespace quorvantel
