#pragma once
// The text of CHEMKIN-II files: lines without comments, tokens, keywords
// that may be shortened, and free-format numbers.

#include <string>
#include <vector>

#include "import/chemkin_mechanism.hpp"

namespace tarnavel::import {

std::string Upper(std::string s);
// The text without leading and trailing white space (form feeds and vertical
// tabs count as white space).
std::string Trim(const std::string& s);
std::vector<std::string> Tokens(const std::string& s);
// A free-format number (exponent letter E or D); false when the whole text
// is not one.
bool ParseNumber(const std::string& text, double& value);
// A number and its text; a text that is no number stops the import, naming `what`.
Number ToNumber(const std::string& text, const std::string& file, int line, const std::string& what);
// The lines of a text without comments (everything from '!') and carriage returns.
std::vector<std::string> Lines(const std::string& text, bool keep_comments = false);
// True when `token` is the keyword `full`, or a beginning of it at least as long as `shortest`.
bool IsKeyword(const std::string& token, const char* full, const char* shortest);

}  // namespace tarnavel::import
