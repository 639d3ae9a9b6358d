#include "core/console.hpp"

#include <istream>
#include <ostream>

namespace tarnavel {

void Console::Line(std::string_view text) {
  *out_ << ' ' << text << '\n';
}

void Console::Blank() { *out_ << '\n'; }

void Console::Raw(std::string_view text) { *out_ << text << '\n'; }

void Console::Pause() {
  Line(" ***  Please press the <ENTER> key to continue.  *** ");
  out_->flush();
  std::string answer;
  std::getline(*in_, answer);
}

void Console::Flush() { out_->flush(); }

}  // namespace tarnavel
