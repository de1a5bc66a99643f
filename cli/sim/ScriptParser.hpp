// Splitting a simulator script into lines of words.
#pragma once

#include <optional>
#include <string>
#include <vector>

struct ScriptWords {
  std::vector<std::string> words;
  std::vector<bool> quoted;  // the word began with a double quote
};

// Words are separated by white space; double quotes group (also in the middle of a word, as
// in title="Two Words"), with \" and \\ inside them; '#' outside quotes starts a comment.
// Returns nothing for a blank or comment-only line; throws std::runtime_error for an
// unterminated quote or a NUL character.
std::optional<ScriptWords> splitScriptLine(const std::string& line);
