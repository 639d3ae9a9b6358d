#pragma once
// Files named inside the input files (profiles, the radiation file, the
// thermodynamic databases) are read only from the working directory or a
// folder below it, so that a model handed on by someone else cannot make a
// run read, say, /etc/passwd or ../../private/data.

#include <string>
#include <string_view>

namespace tarnavel {

struct Run;

// True for a relative name that stays in the working directory or below it
// ("PROF.DAT", "profiles/NO2.DAT", "a/../B.DAT"); false for an absolute name
// and for one whose ".." climbs out ("../X.DAT", "a/../../X.DAT").
bool InWorkingDirectory(std::string_view name);

// True when `name` is a regular file; false for a missing file, a folder, a
// device and a name the file system cannot look up (too long, say).
bool RegularFile(const std::string& name);

// InWorkingDirectory, printing why the file is not read when it is outside.
bool MayRead(Run& run, const std::string& name);

}  // namespace tarnavel
