#include "model/expression_code.hpp"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace tarnavel {

namespace {

bool IsNameStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool IsNameChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }
bool IsDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

std::string Upper(std::string_view s) {
  std::string u(s);
  for (char& c : u) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return u;
}

// A recursive-descent reader that emits postfix code as it goes.
class Parser {
 public:
  Parser(std::string_view text, const std::function<int(const std::string&)>& slot_of, std::vector<ExprOp>& code,
         ExpressionError& error)
      : text_(text), slot_of_(slot_of), code_(code), error_(error) {}

  bool Parse() {
    if (!Expression()) return false;
    SkipBlanks();
    if (pos_ < text_.size()) return Fail("an operator or the end of the expression");
    return true;
  }

 private:
  std::string_view text_;
  const std::function<int(const std::string&)>& slot_of_;
  std::vector<ExprOp>& code_;
  ExpressionError& error_;
  size_t pos_ = 0;
  int depth_ = 0;  // nesting, bounded so that a hostile text cannot exhaust the stack

  bool Fail(const std::string& expected) {
    error_.column = static_cast<int>(pos_) + 1;
    error_.what = pos_ < text_.size() ? "expected " + expected + ", found '" + std::string(1, text_[pos_]) + "'"
                                      : "expected " + expected + " at the end";
    return false;
  }

  void SkipBlanks() {
    while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t')) ++pos_;
  }

  bool Peek(std::string_view s) {
    SkipBlanks();
    return text_.substr(pos_, s.size()) == s;
  }

  void Emit(ExprCode c) { code_.push_back(ExprOp{c, 0, 0.0}); }

  bool Expression() {
    if (++depth_ > 200) return Fail("a shallower nesting");
    if (!Term()) return false;
    for (;;) {
      if (Peek("+") || Peek("-")) {
        const char op = text_[pos_++];
        if (!Term()) return false;
        Emit(op == '+' ? ExprCode::kAdd : ExprCode::kSub);
      } else {
        --depth_;
        return true;
      }
    }
  }

  bool Term() {
    if (!Unary()) return false;
    for (;;) {
      if (Peek("**")) return true;  // a power belongs to the factor before it
      if (Peek("*") || Peek("/")) {
        const char op = text_[pos_++];
        if (!Unary()) return false;
        Emit(op == '*' ? ExprCode::kMul : ExprCode::kDiv);
      } else {
        return true;
      }
    }
  }

  bool Unary() {
    if (Peek("-")) {
      ++pos_;
      if (++depth_ > 200) return Fail("a shallower nesting");
      if (!Unary()) return false;
      --depth_;
      Emit(ExprCode::kNeg);
      return true;
    }
    if (Peek("+")) {
      ++pos_;
      return Unary();
    }
    return Power();
  }

  bool Power() {
    if (!Primary()) return false;
    SkipBlanks();
    if (Peek("**")) {
      pos_ += 2;
    } else if (Peek("@") || Peek("^")) {
      ++pos_;
    } else {
      return true;
    }
    if (++depth_ > 200) return Fail("a shallower nesting");
    if (!Unary()) return false;
    --depth_;
    Emit(ExprCode::kPow);
    return true;
  }

  bool Number() {
    const size_t start = pos_;
    while (pos_ < text_.size() && IsDigit(text_[pos_])) ++pos_;
    if (pos_ < text_.size() && text_[pos_] == '.') {
      ++pos_;
      while (pos_ < text_.size() && IsDigit(text_[pos_])) ++pos_;
    }
    if (pos_ == start + 1 && text_[start] == '.') {
      pos_ = start;
      return Fail("a number");
    }
    std::string digits(text_.substr(start, pos_ - start));
    if (pos_ < text_.size() && std::strchr("EeDd", text_[pos_]) != nullptr) {
      size_t e = pos_ + 1;
      if (e < text_.size() && (text_[e] == '+' || text_[e] == '-')) ++e;
      if (e < text_.size() && IsDigit(text_[e])) {
        digits += 'E';
        digits += text_.substr(pos_ + 1, e - pos_ - 1);
        pos_ = e;
        while (pos_ < text_.size() && IsDigit(text_[pos_])) digits += text_[pos_++];
      }
    }
    if (pos_ < text_.size() && IsNameChar(text_[pos_])) return Fail("an operator after the number");
    const double value = std::strtod(digits.c_str(), nullptr);
    if (!std::isfinite(value)) {
      pos_ = start;
      return Fail("a number a double can hold");
    }
    code_.push_back(ExprOp{ExprCode::kNumber, 0, value});
    return true;
  }

  // J<n> or J(n): a photolysis rate.
  bool Photolysis(size_t name_start) {
    const char open = text_[pos_];
    const char close = open == '<' ? '>' : ')';
    ++pos_;
    SkipBlanks();
    const size_t digits = pos_;
    while (pos_ < text_.size() && IsDigit(text_[pos_])) ++pos_;
    if (pos_ == digits) return Fail("the number of a photolysis rate");
    const std::string number(text_.substr(digits, pos_ - digits));
    SkipBlanks();
    if (pos_ >= text_.size() || text_[pos_] != close) return Fail(std::string("'") + close + "'");
    ++pos_;
    return Value("J<" + std::to_string(std::atoi(number.c_str())) + ">", name_start);
  }

  bool Value(const std::string& name, size_t name_start) {
    const int slot = slot_of_(name);
    if (slot < 0) {
      error_.column = static_cast<int>(name_start) + 1;
      error_.what = "unknown name " + name;
      error_.name = name;
      return false;
    }
    code_.push_back(ExprOp{ExprCode::kValue, slot, 0.0});
    return true;
  }

  bool Primary() {
    SkipBlanks();
    if (pos_ >= text_.size()) return Fail("a number, a name or '('");
    const char c = text_[pos_];
    if (IsDigit(c) || c == '.') return Number();
    if (c == '(') {
      ++pos_;
      if (!Expression()) return false;
      SkipBlanks();
      if (pos_ >= text_.size() || text_[pos_] != ')') return Fail("')'");
      ++pos_;
      return true;
    }
    if (!IsNameStart(c)) return Fail("a number, a name or '('");
    const size_t start = pos_;
    while (pos_ < text_.size() && IsNameChar(text_[pos_])) ++pos_;
    const std::string name(text_.substr(start, pos_ - start));
    SkipBlanks();
    if (name == "J" && pos_ < text_.size() && (text_[pos_] == '<' || text_[pos_] == '(')) return Photolysis(start);
    if (pos_ < text_.size() && text_[pos_] == '(') {
      const std::string f = Upper(name);
      ExprCode code;
      if (f == "EXP") {
        code = ExprCode::kExp;
      } else if (f == "LOG") {
        code = ExprCode::kLog;
      } else if (f == "LOG10") {
        code = ExprCode::kLog10;
      } else if (f == "SQRT") {
        code = ExprCode::kSqrt;
      } else {
        pos_ = start;
        return Fail("a function EXP, LOG, LOG10 or SQRT");
      }
      ++pos_;
      if (!Expression()) return false;
      SkipBlanks();
      if (pos_ >= text_.size() || text_[pos_] != ')') return Fail("')'");
      ++pos_;
      Emit(code);
      return true;
    }
    return Value(name, start);
  }
};

}  // namespace

bool CompileExpression(std::string_view text, const std::function<int(const std::string&)>& slot_of,
                       std::vector<ExprOp>& code, ExpressionError& error) {
  const size_t before = code.size();
  Parser parser(text, slot_of, code, error);
  if (parser.Parse()) return true;
  code.resize(before);
  return false;
}

int StackDepth(const ExprOp* code, int count) {
  int depth = 0, deepest = 0;
  for (int i = 0; i < count; ++i) {
    switch (code[i].code) {
      case ExprCode::kNumber:
      case ExprCode::kValue:
        deepest = std::max(deepest, ++depth);
        break;
      case ExprCode::kAdd:
      case ExprCode::kSub:
      case ExprCode::kMul:
      case ExprCode::kDiv:
      case ExprCode::kPow:
        --depth;
        break;
      default:
        break;
    }
  }
  return deepest;
}

double RunExpression(const ExprOp* code, int count, const double* values, double* stack) {
  int top = -1;
  for (int i = 0; i < count; ++i) {
    const ExprOp& op = code[i];
    switch (op.code) {
      case ExprCode::kNumber: stack[++top] = op.number; break;
      case ExprCode::kValue: stack[++top] = values[op.slot]; break;
      case ExprCode::kAdd: stack[top - 1] += stack[top]; --top; break;
      case ExprCode::kSub: stack[top - 1] -= stack[top]; --top; break;
      case ExprCode::kMul: stack[top - 1] *= stack[top]; --top; break;
      case ExprCode::kDiv: stack[top - 1] /= stack[top]; --top; break;
      case ExprCode::kPow: stack[top - 1] = std::pow(stack[top - 1], stack[top]); --top; break;
      case ExprCode::kNeg: stack[top] = -stack[top]; break;
      case ExprCode::kExp: stack[top] = std::exp(stack[top]); break;
      case ExprCode::kLog: stack[top] = std::log(stack[top]); break;
      case ExprCode::kLog10: stack[top] = std::log10(stack[top]); break;
      case ExprCode::kSqrt: stack[top] = std::sqrt(stack[top]); break;
    }
  }
  return top == 0 ? stack[0] : std::numeric_limits<double>::quiet_NaN();
}

}  // namespace tarnavel
