// Deriving the parameters' port symbols from their names.
#include "quorvantel/lv2/lv2_ports.h"

#include <cctype>
#include <map>

namespace quorvantel {
namespace {

std::string SymbolOf(const char* name) {
  std::string symbol;
  bool gap = false;
  for (const char* c = name; *c != '\0'; ++c) {
    const auto u = static_cast<unsigned char>(*c);
    if (std::isalnum(u) != 0) {
      if (gap && !symbol.empty()) symbol += '_';
      symbol += static_cast<char>(std::tolower(u));
      gap = false;
    } else {
      gap = true;
    }
  }
  return symbol;
}

}  // namespace

std::vector<std::string> ParameterPortSymbols(
    const std::vector<framework::ParameterDefinition>& parameters) {
  std::map<std::string, int> total;
  for (const auto& p : parameters) ++total[SymbolOf(p.Name())];
  std::map<std::string, int> seen;
  std::vector<std::string> symbols;
  for (const auto& p : parameters) {
    const std::string base = SymbolOf(p.Name());
    symbols.push_back(total[base] > 1 ? base + "_" + std::to_string(++seen[base]) : base);
  }
  return symbols;
}

}  // namespace quorvantel
