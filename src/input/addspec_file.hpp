#pragma once
// Species that reactions name but the species table lacks: they are appended
// to the table at concentration zero and listed in ADDSPEC.TXT in the layout
// of the species description file, so the user can paste the lines into it.
// In the create-species-file mode every species of the model is listed.

#include <fstream>
#include <string>
#include <string_view>

namespace tarnavel {

struct Run;

inline constexpr const char* kAddSpecFileName = "ADDSPEC.TXT";

// ADDSPEC.TXT while the model file is read: created with its caption rows
// when the first species is added, closed after the last reaction.
struct AddSpecFile {
  std::ofstream out;
  bool opened = false;
  int added = 0;        // species added so far
};

// The two caption rows (row 1 or 2), fields separated by `delim`.
std::string AddSpecCaption(int row, char delim);
// The line of one added species: the name right-justified in a field of
// 10, 20, ... characters (the next multiple of ten above its length), then
// zero residence time, zero initial concentration, no display, zero external
// concentration, no steady state, no constant value or profile.
std::string AddSpecLine(std::string_view name, char delim);

// Deletes an existing ADDSPEC.TXT and creates it anew with its caption rows.
void OpenAddSpecFile(Run& run, AddSpecFile& file);
void CloseAddSpecFile(AddSpecFile& file);

// Appends `name` to the species table (concentration 0, no display, no CSTR
// data, no profile, marked as used) and lists it in ADDSPEC.TXT and, unless
// quiet, on the console. Warning 3 tells the user, except in the
// create-species-file mode where every species is expected to be missing.
// A full table stops the run (fatal error 21). Returns the species number.
int AddSpecies(Run& run, AddSpecFile& file, const std::string& name);

}  // namespace tarnavel
