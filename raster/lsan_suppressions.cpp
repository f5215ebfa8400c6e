// LeakSanitizer suppression for fontconfig, for executables (tests, tools, hosts) that draw text.
//
// fontconfig loses a few hundred bytes while parsing its XML configuration, once per process,
// which would fail every sanitizer run that draws text. The hook is looked up in the executable,
// so this object is linked into executables only, never into the plug-in module.
#if defined(__SANITIZE_ADDRESS__)
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}
#endif
