#include "cli/sim/ScriptParser.hpp"

#include <stdexcept>

std::optional<ScriptWords> splitScriptLine(const std::string& line) {
  // A NUL would end the word wherever it reaches a C string: refused, not cut.
  if (line.find('\0') != std::string::npos) throw std::runtime_error("NUL character in the line");
  ScriptWords out;
  std::vector<std::string>& words = out.words;
  bool startedQuoted = false;
  std::string word;
  bool inWord = false, inQuotes = false;
  for (size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (inQuotes) {
      if (c == '\\' && i + 1 < line.size() && (line[i + 1] == '"' || line[i + 1] == '\\')) {
        word += line[++i];
      } else if (c == '"') {
        inQuotes = false;
      } else {
        word += c;
      }
      continue;
    }
    if (c == '#') break;
    if (c == ' ' || c == '\t' || c == '\r') {
      if (inWord) words.push_back(std::move(word)), out.quoted.push_back(startedQuoted), word.clear(), inWord = false;
      continue;
    }
    if (!inWord) startedQuoted = c == '"';
    inWord = true;
    if (c == '"')
      inQuotes = true;
    else
      word += c;
  }
  if (inQuotes) throw std::runtime_error("unterminated quote");
  if (inWord) words.push_back(std::move(word)), out.quoted.push_back(startedQuoted);
  if (words.empty()) return std::nullopt;
  return out;
}
