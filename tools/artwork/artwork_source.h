// The artwork source file: named colours and drawing commands, one per line.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "raster/bitmap.h"

namespace artwork {

struct Command {
  int line = 0;
  std::vector<std::string> words;  // words[0] is the command; quoted text is one word
};

struct Source {
  std::map<std::string, raster::Pixel> colours;
  std::vector<Command> commands;  // everything but colour lines, in file order
};

// Reads and tokenises the file; false with a message naming the line on a malformed line.
bool ReadSource(const std::string& path, Source& out, std::string& error);

// Typed access to a command's arguments. The first problem is kept in error; later reads after
// a problem return defaults so a caller can check once at the end.
class Args {
 public:
  Args(const Source& source, const Command& command, std::string& error)
      : source_(source), command_(command), error_(error) {}
  double Number(std::size_t i);
  int Int(std::size_t i) { return int(Number(i)); }
  raster::Pixel Colour(std::size_t i);
  std::string Word(std::size_t i);

 private:
  void Fail(std::size_t i, const std::string& what);
  const Source& source_;
  const Command& command_;
  std::string& error_;
};

// A colour by name; reports a missing one into error.
raster::Pixel NamedColour(const Source& source, const std::string& name, std::string& error);

}  // namespace artwork
