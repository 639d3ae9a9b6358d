#include "core/fortran_format.hpp"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

namespace tarnavel::fmt {

namespace {

// Room for the decimal conversion of one value. A stack buffer serves every
// field the report files use; only fields with hundreds of decimals need the
// heap.
class DigitBuffer {
 public:
  explicit DigitBuffer(std::size_t need) {
    if (need > sizeof(stack_)) {
      heap_.resize(need);
      data_ = heap_.data();
      size_ = need;
    }
  }
  DigitBuffer(const DigitBuffer&) = delete;
  DigitBuffer& operator=(const DigitBuffer&) = delete;

  char* begin() { return data_; }
  char* end() { return data_ + size_; }

 private:
  char stack_[512];
  std::string heap_;
  char* data_ = stack_;
  std::size_t size_ = sizeof(stack_);
};

void AppendStars(std::string& out, int w) { out.append(static_cast<std::size_t>(w), '*'); }

void AppendBlanks(std::string& out, int n) { out.append(static_cast<std::size_t>(n), ' '); }

// NaN and the infinities, right-justified. Returns false for finite values.
bool AppendNonFinite(std::string& out, double x, int w) {
  if (std::isfinite(x)) return false;
  if (w < 3) {
    AppendStars(out, w);
  } else if (std::isnan(x)) {
    AppendBlanks(out, w - 3);
    out += "NaN";
  } else if (std::signbit(x)) {
    if (w == 3) {
      AppendStars(out, w);
    } else if (w > 8) {
      AppendBlanks(out, w - 9);
      out += "-Infinity";
    } else {
      AppendBlanks(out, w - 4);
      out += "-Inf";
    }
  } else if (w > 7) {
    AppendBlanks(out, w - 8);
    out += "Infinity";
  } else {
    AppendBlanks(out, w - 3);
    out += "Inf";
  }
  return true;
}

// Rounds the finite magnitude ax to d >= 1 significant digits. The digits
// (without a point) are left at the start of buf; the return value is the
// exponent e of 0.d1d2...dd * 10**e. Zero has exponent 0.
int SignificantDigits(double ax, int d, DigitBuffer& buf) {
  char* first = buf.begin();
  // The buffer holds at least d + 8 characters, enough for "d.ddde-324".
  const auto res = std::to_chars(first, buf.end(), ax, std::chars_format::scientific, d - 1);
  const char* e =
      static_cast<const char*>(std::memchr(first, 'e', static_cast<std::size_t>(res.ptr - first)));
  int magnitude = 0;
  for (const char* p = e + 2; p < res.ptr; ++p) magnitude = magnitude * 10 + (*p - '0');
  const int exp10 = (e[1] == '-') ? -magnitude : magnitude;
  if (d > 1) std::memmove(first + 1, first + 2, static_cast<std::size_t>(d - 1));
  return ax == 0.0 ? 0 : exp10 + 1;
}

// The E field from rounded digits: [-][0].digits followed by E+xx, or by
// +xxx / -xxx when the exponent has three digits.
void AppendExponentField(std::string& out, bool negative, std::string_view digits, int exp,
                         int w) {
  char exp_text[4];
  const int magnitude = std::abs(exp);
  const char exp_sign = exp < 0 ? '-' : '+';
  if (magnitude <= 99) {
    exp_text[0] = 'E';
    exp_text[1] = exp_sign;
    exp_text[2] = static_cast<char>('0' + magnitude / 10);
    exp_text[3] = static_cast<char>('0' + magnitude % 10);
  } else if (magnitude <= 999) {
    exp_text[0] = exp_sign;
    exp_text[1] = static_cast<char>('0' + magnitude / 100);
    exp_text[2] = static_cast<char>('0' + magnitude / 10 % 10);
    exp_text[3] = static_cast<char>('0' + magnitude % 10);
  } else {
    AppendStars(out, w);
    return;
  }
  int body = (negative ? 1 : 0) + 1 + static_cast<int>(digits.size()) + 4;
  const bool leading_zero = body + 1 <= w;
  if (leading_zero) ++body;
  if (body > w) {
    AppendStars(out, w);
    return;
  }
  AppendBlanks(out, w - body);
  if (negative) out += '-';
  if (leading_zero) out += '0';
  out += '.';
  out += digits;
  out.append(exp_text, sizeof(exp_text));
}

// A fixed-notation field [-]int.frac right-justified in w. A lone "0" before
// the point is dropped when that makes the field fit (never when it is the
// only digit). Writes nothing and returns false when the field does not fit.
bool TryAppendFixedField(std::string& out, bool negative, std::string_view int_part,
                         std::string_view frac, int w) {
  int body = (negative ? 1 : 0) + static_cast<int>(int_part.size()) + 1 +
             static_cast<int>(frac.size());
  if (body > w && int_part == "0" && !frac.empty()) {
    int_part = {};
    --body;
  }
  if (body > w) return false;
  AppendBlanks(out, w - body);
  if (negative) out += '-';
  out += int_part;
  out += '.';
  out += frac;
  return true;
}

}  // namespace

void AppendE(std::string& out, double x, int w, int d) {
  if (w <= 0) return;
  if (AppendNonFinite(out, x, w)) return;
  if (d < 1) {
    AppendStars(out, w);
    return;
  }
  DigitBuffer buf(static_cast<std::size_t>(d) + 16);
  const int exp = SignificantDigits(std::fabs(x), d, buf);
  AppendExponentField(out, std::signbit(x), std::string_view(buf.begin(), static_cast<std::size_t>(d)),
                      exp, w);
}

void AppendF(std::string& out, double x, int w, int d) {
  if (w <= 0) return;
  if (AppendNonFinite(out, x, w)) return;
  if (d < 0) {
    AppendStars(out, w);
    return;
  }
  // The largest double has 309 digits before the point.
  DigitBuffer buf(static_cast<std::size_t>(d) + 320);
  const auto res =
      std::to_chars(buf.begin(), buf.end(), std::fabs(x), std::chars_format::fixed, d);
  const std::string_view text(buf.begin(), static_cast<std::size_t>(res.ptr - buf.begin()));
  const std::size_t point = text.find('.');
  const std::string_view int_part = text.substr(0, point);
  const std::string_view frac =
      point == std::string_view::npos ? std::string_view{} : text.substr(point + 1);
  if (!TryAppendFixedField(out, std::signbit(x), int_part, frac, w)) AppendStars(out, w);
}

void AppendG(std::string& out, double x, int w, int d) {
  if (w <= 0) return;
  if (AppendNonFinite(out, x, w)) return;
  if (d < 1) {
    AppendStars(out, w);
    return;
  }
  constexpr int kTrailingBlanks = 4;
  const bool negative = std::signbit(x);
  DigitBuffer buf(static_cast<std::size_t>(d) + 16);

  if (x == 0.0) {
    // Zero: fixed notation with d - 1 decimals.
    std::memset(buf.begin(), '0', static_cast<std::size_t>(d - 1));
    if (TryAppendFixedField(out, negative, "0",
                            std::string_view(buf.begin(), static_cast<std::size_t>(d - 1)),
                            w - kTrailingBlanks)) {
      AppendBlanks(out, kTrailingBlanks);
    } else {
      AppendStars(out, w);
    }
    return;
  }

  // The choice between fixed and exponent form is made on the value rounded
  // to d significant digits, so 9.9999999996 in G15.9 is fixed "10.0000000"
  // and 999999.5 in G14.6 goes to exponent form.
  const int k = SignificantDigits(std::fabs(x), d, buf);
  const std::string_view digits(buf.begin(), static_cast<std::size_t>(d));
  if (k < 0 || k > d) {
    AppendExponentField(out, negative, digits, k, w);
    return;
  }
  const std::string_view int_part = k == 0 ? std::string_view("0") : digits.substr(0, static_cast<std::size_t>(k));
  const std::string_view frac = digits.substr(static_cast<std::size_t>(k));
  if (TryAppendFixedField(out, negative, int_part, frac, w - kTrailingBlanks)) {
    AppendBlanks(out, kTrailingBlanks);
  } else {
    AppendStars(out, w);
  }
}

void AppendI(std::string& out, std::int64_t n, int w) {
  if (w <= 0) return;
  char text[24];
  const auto res = std::to_chars(text, text + sizeof(text), n);
  const int len = static_cast<int>(res.ptr - text);
  if (len > w) {
    AppendStars(out, w);
    return;
  }
  AppendBlanks(out, w - len);
  out.append(text, static_cast<std::size_t>(len));
}

void AppendA(std::string& out, std::string_view text, int w) {
  if (w <= 0) return;
  const auto width = static_cast<std::size_t>(w);
  if (text.size() >= width) {
    out += text.substr(0, width);
  } else {
    out.append(width - text.size(), ' ');
    out += text;
  }
}

std::string E(double x, int w, int d) {
  std::string s;
  AppendE(s, x, w, d);
  return s;
}

std::string F(double x, int w, int d) {
  std::string s;
  AppendF(s, x, w, d);
  return s;
}

std::string G(double x, int w, int d) {
  std::string s;
  AppendG(s, x, w, d);
  return s;
}

std::string I(std::int64_t n, int w) {
  std::string s;
  AppendI(s, n, w);
  return s;
}

std::string A(std::string_view text, int w) {
  std::string s;
  AppendA(s, text, w);
  return s;
}

}  // namespace tarnavel::fmt
