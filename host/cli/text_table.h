// Plain-text tables for the terminal: columns as wide as their widest cell, so long names (and
// plug-ins with a thousand parameters) never push a row out of line.
#pragma once

#include <string>
#include <vector>

namespace qvcli {

class TextTable {
 public:
  // rightAligned: one flag per column (numbers read better aligned right); missing ones are left.
  explicit TextTable(std::vector<bool> rightAligned = {}) : right_(std::move(rightAligned)) {}
  void Add(std::vector<std::string> row) { rows_.push_back(std::move(row)); }
  // Every row on its own line, each prefixed by indent, columns two spaces apart, no trailing
  // spaces.
  std::string Format(const std::string& indent = "") const;

 private:
  std::vector<bool> right_;
  std::vector<std::vector<std::string>> rows_;
};

}  // namespace qvcli
