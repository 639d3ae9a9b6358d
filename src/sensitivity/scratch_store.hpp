#pragma once
// The direct-access scratch file that parks the perturbed trajectories of a
// sensitivity analysis between analysis times: fixed-length records of one
// number each, written in exponent notation with 17 digits so that every
// double reads back exactly. The records stay on disk, so memory does not
// grow with the number of reactions.

#include <cstdint>
#include <fstream>
#include <string>

namespace tarnavel {

class ScratchStore {
 public:
  static constexpr int kRecordLength = 30;  // characters of a record, before its line end

  // Deletes an existing file of that name and creates it with `records`
  // records of 0. False when the file cannot be made.
  bool Create(const std::string& name, std::int64_t records);
  // Reopens the file for reading and writing; false when it cannot be opened.
  bool Open();
  void Close();
  bool IsOpen() const { return file_.is_open(); }

  // Records are numbered from 1.
  void Write(std::int64_t record, double value);
  double Read(std::int64_t record);

 private:
  std::string name_;
  std::fstream file_;
  std::string text_;  // one record's text, reused
};

}  // namespace tarnavel
