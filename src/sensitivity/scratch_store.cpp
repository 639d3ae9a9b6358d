#include "sensitivity/scratch_store.hpp"

#include <cstdlib>
#include <filesystem>

#include "core/fortran_format.hpp"

namespace tarnavel {

namespace {

constexpr std::int64_t kStride = ScratchStore::kRecordLength + 1;  // the record and its line end

// Reads a record back. An exponent of three digits is written without its
// letter ("0.12345678901234568-149"); the letter is put back before the sign.
double ParseRecord(std::string& text) {
  const size_t sign = text.find_last_of("+-");
  if (sign != std::string::npos && sign > 0 && text[sign - 1] >= '0' && text[sign - 1] <= '9')
    text.insert(sign, 1, 'E');
  return std::strtod(text.c_str(), nullptr);
}

}  // namespace

bool ScratchStore::Create(const std::string& name, std::int64_t records) {
  name_ = name;
  std::error_code ec;
  std::filesystem::remove(name_, ec);
  file_.close();
  {
    std::ofstream out(name_, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    const std::string zero = fmt::E(0.0, kRecordLength, 17) + "\n";
    for (std::int64_t r = 0; r < records; ++r) out << zero;
    if (!out) return false;
  }
  return Open();
}

bool ScratchStore::Open() {
  file_.close();
  file_.clear();
  file_.open(name_, std::ios::in | std::ios::out | std::ios::binary);
  return file_.is_open();
}

void ScratchStore::Close() { file_.close(); }

void ScratchStore::Write(std::int64_t record, double value) {
  text_ = fmt::E(value, kRecordLength, 17);
  file_.seekp((record - 1) * kStride);
  file_.write(text_.data(), kRecordLength);
}

double ScratchStore::Read(std::int64_t record) {
  text_.assign(kRecordLength, ' ');
  file_.seekg((record - 1) * kStride);
  file_.read(text_.data(), kRecordLength);
  return ParseRecord(text_);
}

}  // namespace tarnavel
