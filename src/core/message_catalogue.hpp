#pragma once
// The texts of the three numbered catalogues (fatal errors, warnings and
// notices). A message is a list of printed lines; a line is a list of pieces,
// each either a fixed text or a value inserted at print time. The printer
// joins the pieces with one blank, except where a fixed text already ends or
// begins with a blank, after a fixed text ending in ' or (, and before a fixed
// text beginning with ' . , ! or ).

#include <initializer_list>
#include <string_view>
#include <vector>

namespace tarnavel {

// Where an inserted value comes from.
enum class Insert {
  kText,           // not an insert: the piece's fixed text
  kName1,          // MessageArgs::name1
  kName2,          // MessageArgs::name2
  kName3,          // MessageArgs::name3
  kN1,             // MessageArgs::n1 .. n4
  kN2,
  kN3,
  kN4,
  kCurrentFile,    // FILENAME(FILECODE); name1 when FILECODE names no description file
  kFileKind,       // short description of the file FILECODE names ("species description file")
  kFieldCount,     // most fields a line of the file FILECODE names may have
  kSpeciesFile,    // FILENAME of the species description file
  kModelFile,      // FILENAME of the model description file
  kParameterFile,  // FILENAME of the parameter description file
  kNamesFile,      // FILENAME of the species names file
  kThermoFile,     // FILENAME of the thermodynamic description file
  kConcFile,       // concentration output file name
  kAnalysisFile,   // reaction analysis file name
  kFitDataFile,    // experimental data file name of fit mode
  kSourceLine,     // SRCLINE
};

// Implicit from a text or an insert, so that a table line reads as its pieces.
struct Piece {
  Piece(const char* fixed) : insert(Insert::kText), text(fixed) {}
  Piece(Insert value) : insert(value) {}
  Insert insert;
  std::string_view text;
};

enum class LineKind {
  kPieces,            // an ordinary line built from its pieces
  kLineReads,         // the quoted input line: "LINE READS:", the line, its source line number
  kCommentFieldNote,  // printed only for files whose lines may end in a comment field
};

struct MessageLine {
  MessageLine(std::initializer_list<Piece> parts) : kind(LineKind::kPieces), pieces(parts) {}
  MessageLine(LineKind k, std::initializer_list<Piece> parts = {}) : kind(k), pieces(parts) {}
  LineKind kind;
  std::vector<Piece> pieces;
};

using MessageText = std::vector<MessageLine>;

// The message lines of a number, or nullptr when the catalogue has no entry.
const MessageText* FatalText(int number);
const MessageText* WarningText(int number);
const MessageText* NoticeText(int number);

}  // namespace tarnavel
