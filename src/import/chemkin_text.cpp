#include "import/chemkin_text.hpp"

#include <cctype>
#include <cstdlib>
#include <sstream>

namespace tarnavel::import {

namespace {

// White space as the token reader sees it, so that a line that trims to text
// always holds a token (a form feed or vertical tab alone is an empty line).
constexpr const char* kWhite = " \t\r\n\v\f";

}  // namespace

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

std::string Trim(const std::string& s) {
  const auto first = s.find_first_not_of(kWhite);
  if (first == std::string::npos) return "";
  return s.substr(first, s.find_last_not_of(kWhite) - first + 1);
}

std::vector<std::string> Tokens(const std::string& s) {
  std::istringstream in(s);
  std::vector<std::string> out;
  for (std::string t; in >> t;) out.push_back(t);
  return out;
}

// A free-format number (exponent letter E or D); false when the whole text
// is not one.
bool ParseNumber(const std::string& text, double& value) {
  if (text.empty()) return false;
  std::string t = text;
  for (char& c : t)
    if (c == 'D' || c == 'd') c = 'E';
  char* end = nullptr;
  value = std::strtod(t.c_str(), &end);
  return end != t.c_str() && *end == '\0';
}

Number ToNumber(const std::string& text, const std::string& file, int line, const std::string& what) {
  Number n;
  n.text = text;
  if (!ParseNumber(text, n.value)) throw ImportError(file, line, "\"" + text + "\" is not a number (" + what + ")");
  return n;
}

// The lines of a text without comments (everything from '!') and carriage returns.
std::vector<std::string> Lines(const std::string& text, bool keep_comments) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!keep_comments) {
      const auto bang = line.find('!');
      if (bang != std::string::npos) line.erase(bang);
    }
    lines.push_back(line);
  }
  return lines;
}

bool IsKeyword(const std::string& token, const char* full, const char* shortest) {
  const std::string t = Upper(token);
  return t == full || (t.size() >= std::string(shortest).size() && std::string(full).rfind(t, 0) == 0);
}

}  // namespace tarnavel::import
