// The window layer's dialogs on a Linux desktop: the file and colour choosers and questions
// through the desktop's dialog program (zenity, else kdialog), addresses opened with xdg-open,
// and the folders of the host program and of this module. Programs are started without a
// shell, their arguments passed as a list.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "gui/records.h"

namespace gui::desktop {

// Waits until fd is readable or timeoutMs passes; false when the wait is abandoned (the editor
// is closing), which ends the program being waited for.
using Waiter = std::function<bool(int fd, int timeoutMs)>;

// What a program did: whether it started, ran to its end (else it was still running at the
// time limit) or was ended because the wait was abandoned, its exit status (-1 when unknown)
// and its standard output.
struct ProgramResult {
  bool started = false;
  bool finished = false;
  bool abandoned = false;
  int status = -1;
  std::string output;
};

// The full path of an executable found through $PATH, "" when there is none.
std::string FindProgram(const std::string& name);
// Starts argv[0] (a path) with argv and waits for its end through wait; standard input and
// error are /dev/null. A program still running after timeoutMs (negative: no limit) is left to
// run and reported unfinished.
ProgramResult RunProgram(const std::vector<std::string>& argv, const Waiter& wait,
                         int timeoutMs = -1);

// A file chosen for saving (action 1, asking before an existing file is replaced) or opening,
// starting in folder; "" when cancelled or when no dialog program is installed.
std::string ChooseFile(int action, const std::string& folder, const Waiter& wait);
// The colour chooser with color's red, green and blue; true with the choice in color (alpha
// kept), false when cancelled or when no dialog program is installed.
bool ChooseColor(Color& color, const char* title, const Waiter& wait);
// Asks confirm (if given) as a yes/no question titled title, then opens url with xdg-open;
// shows error (if given) when that fails. False unless the address was handed on.
bool OpenUrl(const char* url, const char* title, const char* confirm, const char* error,
             const Waiter& wait);

// Folders of the running program and of the module holding this code, each ending in "/"; ""
// when unknown.
std::string HostPath();
std::string PluginPath();

}  // namespace gui::desktop
