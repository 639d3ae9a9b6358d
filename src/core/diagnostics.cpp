// Printing of the numbered catalogues: the frame of each catalogue around the
// message lines of the number, with the caller's values inserted.

#include "core/diagnostics.hpp"

#include <string>
#include <string_view>

#include "core/message_catalogue.hpp"
#include "core/run.hpp"
#include "core/stop.hpp"

namespace tarnavel {

namespace {

std::string TrimRight(std::string_view text) {
  const auto end = text.find_last_not_of(' ');
  return end == std::string_view::npos ? std::string() : std::string(text.substr(0, end + 1));
}

// A label followed by the number right-aligned in `width` columns.
std::string NumberedLabel(std::string_view label, int number, std::size_t width) {
  std::string digits = std::to_string(number);
  if (digits.size() < width) digits.insert(0, width - digits.size(), ' ');
  return std::string(label) + digits;
}

bool IsDescriptionFile(int filecode) { return filecode >= 1 && filecode <= kDescriptionFiles; }

std::string FileKind(int filecode) {
  switch (filecode) {
    case kSpeciesFile: return "species description file";
    case kModelFile: return "model description file";
    case kParameterFile: return "parameter description file";
    case kNamesFile: return "species names file";
    case kThermoFile: return "thermodynamic description file";
    case kPeriodicFile: return "periodic table file";
    default: return "";
  }
}

// The most fields a line of each description file may have, as error 2 quotes it.
long FieldCount(int filecode, const MessageArgs& msg) {
  switch (filecode) {
    case kSpeciesFile: return 9;
    case kModelFile: return 5;
    case kParameterFile: return 5;
    case kNamesFile: return 3;
    case kThermoFile: return 4;
    case kPeriodicFile: return 3;
    default: return msg.n1;
  }
}

// Files whose data lines may end in a free comment field.
bool TakesCommentField(int filecode) {
  return filecode == kSpeciesFile || filecode == kModelFile || filecode == kNamesFile ||
         filecode == kPeriodicFile;
}

std::string InsertedValue(const Run& run, Insert insert) {
  const ReaderState& reader = run.reader;
  const MessageArgs& msg = run.msg;
  switch (insert) {
    case Insert::kText: return "";
    case Insert::kName1: return TrimRight(msg.name1);
    case Insert::kName2: return TrimRight(msg.name2);
    case Insert::kName3: return TrimRight(msg.name3);
    case Insert::kN1: return std::to_string(msg.n1);
    case Insert::kN2: return std::to_string(msg.n2);
    case Insert::kN3: return std::to_string(msg.n3);
    case Insert::kN4: return std::to_string(msg.n4);
    case Insert::kCurrentFile:
      return TrimRight(IsDescriptionFile(reader.filecode) ? reader.CurrentFileName() : msg.name1);
    case Insert::kFileKind: return FileKind(reader.filecode);
    case Insert::kFieldCount: return std::to_string(FieldCount(reader.filecode, msg));
    case Insert::kSpeciesFile: return TrimRight(reader.filename[kSpeciesFile]);
    case Insert::kModelFile: return TrimRight(reader.filename[kModelFile]);
    case Insert::kParameterFile: return TrimRight(reader.filename[kParameterFile]);
    case Insert::kNamesFile: return TrimRight(reader.filename[kNamesFile]);
    case Insert::kThermoFile: return TrimRight(reader.filename[kThermoFile]);
    case Insert::kConcFile: return TrimRight(run.sw.conc_out_name);
    case Insert::kAnalysisFile: return TrimRight(run.sw.analysis_name);
    case Insert::kFitDataFile: return TrimRight(run.sw.fit.data_file);
    case Insert::kSourceLine: return std::to_string(reader.srcline);
  }
  return "";
}

// Whether a blank separates two neighbouring pieces of a line. A fixed text
// brings its own spacing at a blank, a closing quote or an opening
// parenthesis, and punctuation that follows a value sits right against it.
bool BlankBetween(const Piece& left, const Piece& right) {
  if (left.insert == Insert::kText && !left.text.empty()) {
    const char last = left.text.back();
    if (last == ' ' || last == '\'' || last == '(') return false;
  }
  if (right.insert == Insert::kText && !right.text.empty()) {
    const char first = right.text.front();
    if (first == ' ' || first == '\'' || first == '.' || first == ',' || first == '!' ||
        first == ')')
      return false;
  }
  return true;
}

// Builds one printed line. An inserted value that is empty is left out
// together with its separating blank.
std::string JoinPieces(const Run& run, const std::vector<Piece>& pieces) {
  std::string text;
  const Piece* previous = nullptr;
  for (const Piece& piece : pieces) {
    const std::string value =
        piece.insert == Insert::kText ? std::string(piece.text) : InsertedValue(run, piece.insert);
    if (piece.insert != Insert::kText && value.empty()) continue;
    if (previous != nullptr && BlankBetween(*previous, piece)) text += ' ';
    text += value;
    previous = &piece;
  }
  return text;
}

void PrintLineReads(Run& run) {
  run.console.Line("LINE READS:");
  run.console.Line("' " + TrimRight(run.reader.line) + " '");
  run.console.Line("( source line # " + std::to_string(run.reader.srcline) + " )");
}

void PrintMessage(Run& run, const MessageText& message) {
  for (const MessageLine& line : message) {
    switch (line.kind) {
      case LineKind::kPieces:
        run.console.Line(JoinPieces(run, line.pieces));
        break;
      case LineKind::kLineReads:
        PrintLineReads(run);
        break;
      case LineKind::kCommentFieldNote:
        if (TakesCommentField(run.reader.filecode)) run.console.Line(JoinPieces(run, line.pieces));
        break;
    }
  }
}

}  // namespace

void FatalError(Run& run, int number) {
  Console& console = run.console;
  console.Blank();
  console.Line("******************** FATAL ERROR ***********************");
  console.Line("ALERT!!  User or Disk ERROR!!");
  console.Line(NumberedLabel(" FATAL Error #", number, 4));
  if (const MessageText* message = FatalText(number)) PrintMessage(run, *message);
  console.Blank();
  console.Line("Simulation TERMINATED with FATAL ERROR.");
  console.Blank();
  console.Flush();
  StopProgram(kExitStopped, number);
}

void IntegratorFailed(Run& run, const char* reason, int number, bool pause) {
  if (run.survive_integration_failure) throw IntegrationFailure{number, reason};
  run.console.Line(reason);
  if (pause) run.console.Pause();
  FatalError(run, number);
}

void Warning(Run& run, int number) {
  if (run.sw.quiet || run.sw.ignore_warnings) return;
  // A temperature outside a species' thermodynamic range is reported once per species.
  if (number == 35) {
    const int species = run.msg.species;
    if (species >= 1 && static_cast<std::size_t>(species) < run.warned_out_of_range.size()) {
      if (run.warned_out_of_range[species]) return;
      run.warned_out_of_range[species] = true;
    }
  }
  Console& console = run.console;
  console.Blank();
  console.Line("*********************** WARNING ***********************");
  console.Line(NumberedLabel(" Warning Error #", number, 4));
  if (const MessageText* message = WarningText(number)) {
    PrintMessage(run, *message);
  } else if (number > 998) {
    console.Line("??? Undefined warning message..");
  }
  console.Line(std::string(55, '*'));
  console.Blank();
}

void Notice(Run& run, int number) {
  if (run.sw.quiet) return;
  Console& console = run.console;
  console.Blank();
  console.Line("**************** For Your Information ****************");
  console.Line(NumberedLabel(" FYI Code #", number, 3));
  if (const MessageText* message = NoticeText(number)) PrintMessage(run, *message);
  console.Line(std::string(54, '*'));
  console.Blank();
}

}  // namespace tarnavel
