// LeakSanitizer suppression for fontconfig, for executables (tests, tools, hosts) that draw text.
//
// fontconfig loses a few hundred bytes while parsing its XML configuration, once per process,
// which would fail every sanitizer run that draws text. The hook is looked up in the executable,
// so this object is linked into executables only, never into the plug-in module.
// g++ names AddressSanitizer with a macro, clang with a feature test.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QV_ADDRESS_SANITIZER 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(QV_ADDRESS_SANITIZER)
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}
#endif
