// The editor images (each at its own size and at twice it), found among the Win32 resources of the
// module that holds this code (the plug-in DLL, or a program that links the editor in).
#include "common/platform/win32/windows_api.h"
#include "quorvantel/editor/images.h"

namespace quorvantel {
namespace {

using gui::ResourceEntry;

ResourceEntry Lookup(int id, const char* name, int twiceOf = 0) {
  HMODULE module = nullptr;
  GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&Lookup), &module);
  HRSRC info = FindResourceW(module, MAKEINTRESOURCEW(id), L"PNG");
  HGLOBAL loaded = info != nullptr ? LoadResource(module, info) : nullptr;
  const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (bytes == nullptr) return ResourceEntry{id, name, nullptr, 0, twiceOf};
  return ResourceEntry{id, name, static_cast<const unsigned char*>(bytes),
                       std::size_t(SizeofResource(module, info)), twiceOf};
}

}  // namespace

gui::ResourceTable EditorImages() {
  // Resources stay mapped while the module is loaded, so the table is built once.
  static const ResourceEntry table[] = {
      Lookup(kBackgroundId, kBackgroundName),
      Lookup(kKnobId, kKnobName),
      Lookup(kSwitchId, kSwitchName),
      Lookup(kBackground2xId, kBackground2xName, kBackgroundId),
      Lookup(kKnob2xId, kKnob2xName, kKnobId),
      Lookup(kSwitch2xId, kSwitch2xName, kSwitchId),
  };
  return table;
}

}  // namespace quorvantel
