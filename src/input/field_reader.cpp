#include "input/field_reader.hpp"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <istream>

#include "core/diagnostics.hpp"
#include "core/run.hpp"
#include "core/stop.hpp"
#include "input/working_directory.hpp"

namespace tarnavel {

namespace {

constexpr int kMaxLeadingBlanks = 340;

bool IsBlank(std::string_view text) { return text.find_first_not_of(' ') == std::string_view::npos; }

std::string_view StripLeading(std::string_view text) {
  const auto p = text.find_first_not_of(' ');
  return p == std::string_view::npos ? std::string_view{} : text.substr(p);
}

std::string_view StripTrailing(std::string_view text) {
  const auto p = text.find_last_not_of(' ');
  return p == std::string_view::npos ? std::string_view{} : text.substr(0, p + 1);
}

bool IsEndMark(std::string_view head) { return head == "END" || head == "end" || head == "End"; }

bool IsAlnum(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

}  // namespace

int ReadLine(ReaderState& reader, std::istream& in) {
  std::string raw;
  if (!std::getline(in, raw)) {
    if (in.eof()) return -1;
    return EIO;
  }
  if (!raw.empty() && raw.back() == '\r') raw.pop_back();
  if (raw.size() > static_cast<size_t>(kLineLength)) raw.resize(kLineLength);
  reader.line = std::move(raw);
  ++reader.srcline;
  return 0;
}

int SplitFields(ReaderState& reader) {
  const std::string copy = reader.line;
  const char delim = reader.delim;
  auto& field = reader.field;
  reader.nfield = 1;
  size_t pos = copy.find(delim);
  if (pos == std::string::npos) {
    field[1] = std::string(StripTrailing(StripLeading(copy)));
    return kSplitNoDelimiter;
  }
  // Cut the line at each delimiter. An empty field between two adjacent
  // delimiters, or blanks after the last one, end the record.
  std::string_view rest(copy);
  for (;;) {
    field[reader.nfield] = std::string(rest.substr(0, pos));
    rest = rest.substr(pos + 1);
    ++reader.nfield;
    const size_t next = rest.find(delim);
    if (next != std::string_view::npos && next > 0) {
      if (reader.nfield > kMaxFields) break;
      pos = next;
      continue;
    }
    if (next == std::string_view::npos && !IsBlank(rest)) {
      // A last field beyond the 40th makes the line too long, like any other.
      if (reader.nfield <= kMaxFields) field[reader.nfield] = std::string(rest);
      break;
    }
    --reader.nfield;
    break;
  }
  if (reader.nfield > kMaxFields) reader.nfield = kMaxFields + 1;  // reported as too many fields
  int result = kSplitOk;
  const int count = std::min(reader.nfield, kMaxFields);
  for (int i = 1; i <= count; ++i) {
    std::string& f = field[i];
    const auto lead = f.find_first_not_of(' ');
    if (lead == std::string::npos) {
      if (static_cast<int>(f.size()) > kMaxLeadingBlanks) result = kSplitNoDelimiter;
      f.clear();
    } else {
      if (static_cast<int>(lead) > kMaxLeadingBlanks) result = kSplitNoDelimiter;
      f = std::string(StripTrailing(std::string_view(f).substr(lead)));
    }
  }
  // Blank fields are dropped in one pass; the field moved into a dropped
  // field's place is not looked at again.
  int n = count;
  for (int i = 1; i <= n; ++i) {
    if (field[i].empty()) {
      for (int k = i; k < n; ++k) field[k] = std::move(field[k + 1]);
      field[n].clear();
      --n;
    }
  }
  reader.nfield = reader.nfield > kMaxFields ? reader.nfield : n;
  if (n == 0) result = kSplitNoDelimiter;
  return result;
}

std::string UpperCase(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

std::string UpperCase2(std::string_view text) { return UpperCase(text.substr(0, std::min<size_t>(2, text.size()))); }

bool IsNumber(std::string_view text) {
  const std::string_view t = StripTrailing(text);
  if (t.empty()) return false;
  return t.find_first_not_of("0123456789.+-EeDd") == std::string_view::npos;
}

int FirstNonBlank(std::string_view text) {
  const auto p = text.find_first_not_of(' ');
  return p == std::string_view::npos ? 1 : static_cast<int>(p) + 1;
}

int TrimLength(std::string_view text) {
  const auto p = text.find_last_not_of(' ');
  return p == std::string_view::npos ? 1 : static_cast<int>(p) + 1;
}

std::string Squeeze(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text)
    if (c != ' ') out += c;
  return out;
}

std::string Trim(std::string_view text) { return std::string(StripTrailing(StripLeading(text))); }

bool BraceSuffix(std::string_view text, std::string& tag) {
  const std::string_view t = StripTrailing(text);
  if (t.empty() || t.back() != '}') return false;
  const auto open = t.rfind('{');
  if (open == std::string_view::npos || open + 2 > t.size() - 1) return false;
  tag = std::string(t.substr(open + 1, std::min<size_t>(11, t.size() - 1 - (open + 1))));
  return true;
}

bool ParseReal(std::string_view text, double& value) {
  const std::string_view t = StripTrailing(StripLeading(text));
  size_t i = 0;
  std::string buf;
  buf.reserve(t.size());
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) buf += t[i++];
  int digits = 0;
  while (i < t.size() && t[i] >= '0' && t[i] <= '9') buf += t[i++], ++digits;
  if (i < t.size() && t[i] == '.') {
    buf += t[i++];
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') buf += t[i++], ++digits;
  }
  if (digits == 0) return false;
  if (i < t.size() && (t[i] == 'E' || t[i] == 'e' || t[i] == 'D' || t[i] == 'd')) {
    buf += 'E';
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) buf += t[i++];
    int exp_digits = 0;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') buf += t[i++], ++exp_digits;
    if (exp_digits == 0) return false;
  }
  if (i != t.size()) return false;
  errno = 0;
  char* end = nullptr;
  const double v = std::strtod(buf.c_str(), &end);
  if (end != buf.c_str() + buf.size()) return false;
  if (errno == ERANGE && std::isinf(v)) return false;
  value = v;
  return true;
}

double ToReal(Run& run, std::string_view text) {
  double value = 0.0;
  if (!ParseReal(text, value)) FatalError(run, 88);
  return value;
}

namespace {

// Removes a `?` standing just before the given number of trailing characters
// of a value; returns true when it was there.
bool StripMark(std::string& value, size_t keep) {
  const std::string_view t = StripTrailing(value);
  if (t.size() < keep + 1 || t[t.size() - keep - 1] != '?') return false;
  if (keep > 0 && t.substr(t.size() - keep) != std::string_view(")").substr(0, keep)) return false;
  value = std::string(t.substr(0, t.size() - keep - 1)) + std::string(t.substr(t.size() - keep));
  return true;
}

}  // namespace

void MarkFitFields(ReaderState& reader) {
  reader.fitmark.fill(false);
  for (int i = 1; i <= std::min(reader.nfield, kMaxFields); ++i)
    reader.fitmark[i] = StripMark(reader.field[i], 0);
}

void MarkFitBrackets(ReaderState& reader) {
  reader.fitmark.fill(false);
  for (int i = 1; i <= std::min(reader.nfield, kMaxFields); ++i)
    reader.fitmark[i] = StripMark(reader.field[i], 1);
}

void MarkFitValue(Run& run, std::string& value) {
  run.reader.fitmark.fill(false);
  if (StripTrailing(StripLeading(value)).size() < 2) {
    run.console.Line("FATAL ERROR in EXFIT");
    FatalError(run, 999);
  }
  run.reader.fitmark[1] = StripMark(value, 0);
}

void AddFitParameter(Run& run, int kind, int item, int line) {
  run.reader.fit.push_back(FitParameter{kind, item, line, ""});
}

FileShape ShapeOf(int filecode) {
  switch (filecode) {
    case kSpeciesFile:
      return {6, 8, false, true, "I/O ERROR WHILE READING SPECIES FILE #:"};
    case kModelFile:
      return {2, 5, false, true, "I/O ERROR WHILE READING MODEL FILE #:"};
    case kParameterFile:
      return {3, 5, true, false, "I/O ERROR WHILE READING PARAMETER FILE #:"};
    case kNamesFile:
      return {2, 5, false, true, "I/O ERROR WHILE READING NAMES FILE #:"};
    case kPeriodicFile:
      return {2, 3, false, true, "I/O ERROR WHILE READING PERIODIC TABLE FILE #:"};
    case kThermoFile:
      return {4, 6, false, true, "I/O ERROR WHILE READING THERMODYNAMIC DESCRIPTION FILE!Error #:", true};
    default:
      return {1, kMaxFields, false, false, "I/O ERROR WHILE READING FILE #:"};
  }
}

bool OpenDescriptionFile(Run& run, int filecode, std::ifstream& in) {
  run.reader.filecode = filecode;
  const std::string& name = run.reader.filename[filecode];
  if (!RegularFile(name)) return false;
  in.open(name);
  return static_cast<bool>(in);
}

void BeginDescriptionFile(ReaderState& reader, int filecode) {
  reader.filecode = filecode;
  reader.srcline = 0;
  reader.delim_try = 0;
}

bool NextDataLine(Run& run, std::istream& in, const FileShape& shape) {
  ReaderState& rd = run.reader;
  for (;;) {
    const int status = ReadLine(rd, in);
    if (status == -1) return false;
    if (status != 0) {
      run.console.Line(std::string(shape.io_error_text) + " " + std::to_string(status) + " ***.");
      // A stream that cannot deliver any further line ends the data rather
      // than reporting the same error for ever.
      if (in.bad()) return false;
      in.clear();
      continue;
    }
    if (IsBlank(rd.line)) continue;
    if (shape.end_line) {
      const std::string_view line(rd.line);
      if (IsEndMark(line.substr(FirstNonBlank(line) - 1, 3))) return false;
      if (shape.end_behind_mark && line.size() >= 4 && !IsAlnum(line[0]) && IsEndMark(line.substr(1, 3)))
        return false;
    }
    const std::string saved = rd.line;
    for (;;) {
      rd.line = saved;
      const int split = SplitFields(rd);
      const char first = rd.field[1].empty() ? ' ' : rd.field[1][0];
      if (first == '#' || first == '"') break;  // a comment line
      const bool too_few = rd.nfield < shape.needed;
      if (too_few || split != kSplitOk) {
        ++rd.delim_try;
        if (rd.delim_try >= 6) {
          rd.delim_try = 0;
          FatalError(run, too_few ? 1 : split);
        }
        rd.delim = kDelimiterFallback[rd.delim_try];
        continue;
      }
      rd.delim_try = 0;
      const int accepted = shape.wide_row != nullptr && shape.wide_row(rd.field[1]) ? kMaxFields : shape.accepted;
      const bool wrong_count = shape.exact ? rd.nfield != accepted : rd.nfield > accepted;
      if (wrong_count || (rd.filecode == kModelFile && rd.nfield == 1)) FatalError(run, 2);
      return true;
    }
  }
}

}  // namespace tarnavel
