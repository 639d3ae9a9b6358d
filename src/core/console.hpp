#pragma once
// The console: every message is one whole line on standard output. Free-text
// lines are written with one leading blank column, as list-directed output
// does; rows echoed in a file's own layout are written exactly as given.

#include <iosfwd>
#include <string>
#include <string_view>

namespace tarnavel {

class Console {
 public:
  Console(std::ostream& out, std::istream& in) : out_(&out), in_(&in) {}

  // One free-text line: a blank column, then the text.
  void Line(std::string_view text);
  // An empty line.
  void Blank();
  // A line written exactly as given (file rows echoed with -show).
  void Raw(std::string_view text);
  // " ***  Please press the <ENTER> key to continue.  *** ", then one console
  // line (at most 40 characters kept) is read and discarded. At end of input
  // it returns at once, so a run without a console never hangs.
  void Pause();
  void Flush();

  std::ostream& out() { return *out_; }

 private:
  std::ostream* out_;
  std::istream* in_;
};

}  // namespace tarnavel
