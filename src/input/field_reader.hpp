#pragma once
// The shared reader of the delimited description files: line buffer, field
// splitting with the delimiter fallback, comment and END lines, the small
// string utilities every file reader uses, and the fit markers.

#include <iosfwd>
#include <string>
#include <string_view>

namespace tarnavel {

struct Run;
struct ReaderState;

// Result codes of SplitFields.
inline constexpr int kSplitOk = 0;
inline constexpr int kSplitNoDelimiter = 3;

// The delimiters tried, in order, when a line does not split into enough
// fields: TAB, comma, colon, exclamation mark, vertical bar.
inline constexpr char kDelimiterFallback[6] = {'\0', '\t', ',', ':', '!', '|'};

// Reads the next record into LINE (its first 350 characters; a carriage
// return ending the record is dropped) and counts it in SRCLINE. Returns 0
// when a line was read, -1 at end of file, another value on an I/O error.
int ReadLine(ReaderState& reader, std::istream& in);

// Splits LINE at DELIM into FIELD(1..NFIELD). Returns kSplitOk, or
// kSplitNoDelimiter when the line holds no delimiter or only blank fields.
int SplitFields(ReaderState& reader);

// String utilities. Texts are compared and measured without trailing blanks.
std::string UpperCase(std::string_view text);
std::string UpperCase2(std::string_view text);   // first two characters only
bool IsNumber(std::string_view text);             // digits . + - E e D d only
int FirstNonBlank(std::string_view text);         // 1-based; 1 for a blank text
int TrimLength(std::string_view text);            // 1-based; 1 for a blank text
std::string Squeeze(std::string_view text);       // every blank removed
std::string Trim(std::string_view text);          // leading and trailing blanks removed
// When the text ends with a {...} group holding at least one character,
// stores the first 11 characters inside the braces in `tag` and returns true.
bool BraceSuffix(std::string_view text, std::string& tag);

// Free-format conversion of a field: optional sign, digits with an optional
// decimal point, optional exponent introduced by E, e, D or d; surrounding
// blanks ignored. Returns false for anything else, including a value that
// overflows a double.
bool ParseReal(std::string_view text, double& value);
// ParseReal for a field of the current description file; a text that is not
// a number stops the run with fatal error 88, quoting the file and the line.
double ToReal(Run& run, std::string_view text);

// Fit markers, used only when fitting is switched on: a field whose last
// non-blank character is `?` gets FITMARK set and loses the `?`.
void MarkFitFields(ReaderState& reader);
// The same for fields ending in `?)`: the `?` is removed, the `)` kept.
void MarkFitBrackets(ReaderState& reader);
// The same for one value, with FITMARK(1). A value shorter than two
// characters stops the run.
void MarkFitValue(Run& run, std::string& value);

// Appends an entry to the fit-parameter table.
void AddFitParameter(Run& run, int kind, int item, int line);

// How a description file's data lines are checked.
struct FileShape {
  int needed;           // fewer fields than this triggers the delimiter fallback
  int accepted;         // more fields than this is fatal error 2
  bool exact = false;   // the file needs exactly `accepted` fields on every line
  bool end_line = true; // a line starting with END ends the data
  const char* io_error_text = "I/O ERROR WHILE READING FILE #:";
  // END at characters 2-4 ends the data too, when the first character is no
  // letter or digit (a quoted or marked "END" of a spreadsheet export).
  bool end_behind_mark = false;
  // A line whose first field this accepts may have up to 40 fields (the
  // wide rows of a table under a line).
  bool (*wide_row)(std::string_view first) = nullptr;
};

// Reads the next data line of the open description file into FIELD/NFIELD,
// skipping blank and comment lines and changing the delimiter when a line
// does not split. Returns false at the end of the data (end of file or END).
bool NextDataLine(Run& run, std::istream& in, const FileShape& shape);

// Shapes of the description files.
FileShape ShapeOf(int filecode);

// Opens description file `filecode` under its name (FILENAME) and makes it the
// file messages name. False when there is no such file or it cannot be read.
bool OpenDescriptionFile(Run& run, int filecode, std::ifstream& in);
// Starts reading a description file: FILECODE set, SRCLINE and DELIM_TRY at 0.
void BeginDescriptionFile(ReaderState& reader, int filecode);

}  // namespace tarnavel
