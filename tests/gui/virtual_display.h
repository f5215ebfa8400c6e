// A virtual X server (Xvfb) for GUI tests and benchmarks: started on a display number it picks
// itself, so parallel test processes never collide, and stopped with the object.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace qvtest {

class VirtualDisplay {
 public:
  // Starts Xvfb with a width × height × 24 screen and the extra arguments (for example
  // {"-extension", "MIT-SHM"}). Name() is empty when Xvfb is missing or did not start.
  VirtualDisplay(int width, int height, const std::vector<std::string>& extra = {});
  ~VirtualDisplay();
  VirtualDisplay(const VirtualDisplay&) = delete;
  VirtualDisplay& operator=(const VirtualDisplay&) = delete;

  // ":N", for $DISPLAY.
  const std::string& Name() const { return name_; }
  // Ends the server now: every client loses its connection, as when a server crashes.
  void Kill();

 private:
  pid_t pid_ = 0;
  std::string name_;
};

// Runs a program (looked up in $PATH) with arguments on the display in $DISPLAY and waits for
// it; true when it exited with 0.
bool RunTool(const std::vector<std::string>& argv);
// Starts a program (a path, or looked up in $PATH) with arguments without waiting for it: its
// process id, 0 when it could not start.
pid_t StartProgram(const std::vector<std::string>& argv);

}  // namespace qvtest
