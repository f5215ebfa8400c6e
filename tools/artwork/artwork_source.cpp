// Parsing of the artwork source file.
#include "tools/artwork/artwork_source.h"

#include <cctype>
#include <cstdlib>
#include <fstream>

namespace artwork {
namespace {

bool ParseHexColour(const std::string& s, raster::Pixel& out) {
  if (s.size() != 6 && s.size() != 8) return false;
  for (char c : s)
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
  const unsigned long v = std::strtoul(s.c_str(), nullptr, 16);
  out = s.size() == 6 ? raster::Pixel(0xFF000000u | v)
                      : raster::Pixel(((v & 0xFF) << 24) | (v >> 8));  // RRGGBBAA
  return true;
}

bool Tokenise(const std::string& line, std::vector<std::string>& words) {
  std::size_t i = 0;
  while (i < line.size()) {
    const char c = line[i];
    if (c == '#') break;
    if (c == ' ' || c == '\t' || c == '\r') {
      ++i;
      continue;
    }
    if (c == '"') {
      const std::size_t end = line.find('"', i + 1);
      if (end == std::string::npos) return false;
      words.push_back(line.substr(i + 1, end - i - 1));
      i = end + 1;
      continue;
    }
    std::size_t end = i;
    while (end < line.size() && line[end] != ' ' && line[end] != '\t' && line[end] != '\r' &&
           line[end] != '#')
      ++end;
    words.push_back(line.substr(i, end - i));
    i = end;
  }
  return true;
}

}  // namespace

bool ReadSource(const std::string& path, Source& out, std::string& error) {
  std::ifstream in(path);
  if (!in) {
    error = "cannot read " + path;
    return false;
  }
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    Command command{number, {}};
    if (!Tokenise(line, command.words)) {
      error = path + ":" + std::to_string(number) + ": unterminated quote";
      return false;
    }
    if (command.words.empty()) continue;
    if (command.words[0] == "colour") {
      raster::Pixel p = 0;
      if (command.words.size() != 3 || !ParseHexColour(command.words[2], p)) {
        error = path + ":" + std::to_string(number) + ": expected: colour NAME RRGGBB[AA]";
        return false;
      }
      out.colours[command.words[1]] = p;
      continue;
    }
    out.commands.push_back(std::move(command));
  }
  return true;
}

raster::Pixel NamedColour(const Source& source, const std::string& name, std::string& error) {
  auto it = source.colours.find(name);
  if (it != source.colours.end()) return it->second;
  if (error.empty()) error = "colour \"" + name + "\" is not defined";
  return 0;
}

void Args::Fail(std::size_t i, const std::string& what) {
  if (!error_.empty()) return;
  error_ = "line " + std::to_string(command_.line) + ": argument " + std::to_string(i) + " of " +
           command_.words[0] + ": " + what;
}

double Args::Number(std::size_t i) {
  if (i >= command_.words.size()) {
    Fail(i, "missing number");
    return 0.0;
  }
  char* end = nullptr;
  const double v = std::strtod(command_.words[i].c_str(), &end);
  if (end == command_.words[i].c_str() || *end != '\0') Fail(i, "not a number");
  return v;
}

raster::Pixel Args::Colour(std::size_t i) {
  if (i >= command_.words.size()) {
    Fail(i, "missing colour");
    return 0;
  }
  raster::Pixel p = 0;
  if (ParseHexColour(command_.words[i], p)) return p;
  auto it = source_.colours.find(command_.words[i]);
  if (it == source_.colours.end()) {
    Fail(i, "unknown colour " + command_.words[i]);
    return 0;
  }
  return it->second;
}

std::string Args::Word(std::size_t i) {
  if (i >= command_.words.size()) {
    Fail(i, "missing word");
    return std::string();
  }
  return command_.words[i];
}

}  // namespace artwork
