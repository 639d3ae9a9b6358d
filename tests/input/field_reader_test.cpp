#include "input/field_reader.hpp"

#include <gtest/gtest.h>

#include <sstream>

#include "support/run_fixture.hpp"

namespace tarnavel {
namespace {

using testing::CapturedRun;

std::vector<std::string> Fields(const ReaderState& rd) {
  return std::vector<std::string>(rd.field.begin() + 1, rd.field.begin() + 1 + std::min(rd.nfield, kMaxFields));
}

TEST(SplitFields, CutsAtTheDelimiterAndDropsBlankFields) {
  struct Case {
    const char* line;
    char delim;
    int result;
    std::vector<std::string> fields;
  };
  const Case cases[] = {
      {"a\tb\tc", '\t', kSplitOk, {"a", "b", "c"}},
      {"  1.0E-10 ,  600 , J ", ',', kSplitOk, {"1.0E-10", "600", "J"}},
      {"a,b,", ',', kSplitOk, {"a", "b"}},                       // trailing delimiter
      {"a,,b", ',', kSplitOk, {"a"}},                            // an empty field ends the record
      {"a, ,b", ',', kSplitOk, {"a", "b"}},                      // a blank field is dropped
      {"a, , ,b", ',', kSplitOk, {"a", "", "b"}},                // the moved-up blank is not looked at again
      {",a,b", ',', kSplitOk, {"a", "b"}},                       // leading delimiter
      {"NO + O3 ==> NO2 + O2", '\t', kSplitNoDelimiter, {"NO + O3 ==> NO2 + O2"}},
      {"   ,   ,", ',', kSplitOk, {""}},                         // one pass leaves the moved-up blank
      {"   ", ',', kSplitNoDelimiter, {}},
      {"A B\tC  D", '\t', kSplitOk, {"A B", "C  D"}},            // inner blanks kept
  };
  for (const Case& c : cases) {
    ReaderState rd;
    rd.line = c.line;
    rd.delim = c.delim;
    EXPECT_EQ(SplitFields(rd), c.result) << c.line;
    if (c.result == kSplitOk) {
      EXPECT_EQ(Fields(rd), c.fields) << c.line;
    }
    EXPECT_EQ(rd.line, c.line);  // the line itself is left as read
  }
}

TEST(SplitFields, AFieldBehindTooManyBlanksIsNoField) {
  ReaderState rd;
  rd.line = "a," + std::string(341, ' ') + "b";
  rd.delim = ',';
  EXPECT_EQ(SplitFields(rd), kSplitNoDelimiter);
}

TEST(StringUtilities, NumberTestAndConversion) {
  struct Case {
    const char* text;
    bool is_number;
    bool converts;
    double value;
  };
  const Case cases[] = {
      {"1.0D-3", true, true, 1.0e-3},
      {"1.0E+05", true, true, 1.0e5},
      {"-.5", true, true, -0.5},
      {"5.", true, true, 5.0},
      {"42  ", true, true, 42.0},
      {"  42", false, true, 42.0},    // the number test looks at every character
      {"2.5e2", true, true, 250.0},
      {"1.0 E+05", false, false, 0},  // inner blank
      {"", false, false, 0},
      {"abc", false, false, 0},
      {"1.0E", true, false, 0},       // exponent without digits
      {"1,5", false, false, 0},
      {"1.0E999", true, false, 0},    // overflows a double
      {"--1", true, false, 0},
      {".", true, false, 0},
      {"3.5E-3?", false, false, 0},   // a fit mark is not part of a number
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsNumber(c.text), c.is_number) << c.text;
    double v = -1;
    EXPECT_EQ(ParseReal(c.text, v), c.converts) << c.text;
    if (c.converts) {
      EXPECT_DOUBLE_EQ(v, c.value) << c.text;
    }
  }
}

TEST(StringUtilities, TextHelpers) {
  EXPECT_EQ(UpperCase("Moles / liter"), "MOLES / LITER");
  EXPECT_EQ(UpperCase2("fe"), "FE");
  EXPECT_EQ(Squeeze(" N O 2 "), "NO2");
  EXPECT_EQ(FirstNonBlank("   x"), 4);
  EXPECT_EQ(FirstNonBlank("    "), 1);
  EXPECT_EQ(TrimLength("abc   "), 3);
  EXPECT_EQ(TrimLength(""), 1);
  std::string tag;
  EXPECT_TRUE(BraceSuffix("Na+{aq}", tag));
  EXPECT_EQ(tag, "aq");
  EXPECT_TRUE(BraceSuffix("X{abcdefghijklmnop}", tag));
  EXPECT_EQ(tag, "abcdefghijk");  // at most 11 characters
  EXPECT_FALSE(BraceSuffix("X{}", tag));
  EXPECT_FALSE(BraceSuffix("X{a}b", tag));
}

TEST(FitMarkers, StripTheMarkAndRememberTheField) {
  ReaderState rd;
  rd.line = "3.5E-3?\tNO ==> N + O\t2.0";
  SplitFields(rd);
  MarkFitFields(rd);
  EXPECT_TRUE(rd.fitmark[1]);
  EXPECT_EQ(rd.field[1], "3.5E-3");
  EXPECT_FALSE(rd.fitmark[2]);
  EXPECT_FALSE(rd.fitmark[3]);

  rd.line = "M[N2(1.4?);O2(2)]";
  rd.delim = ';';
  SplitFields(rd);
  MarkFitBrackets(rd);
  EXPECT_TRUE(rd.fitmark[1]);
  EXPECT_EQ(rd.field[1], "M[N2(1.4)");
  EXPECT_FALSE(rd.fitmark[2]);
}

TEST(FitMarkers, ASingleCharacterValueCannotBeMarked) {
  CapturedRun cr;
  std::string value = "?";
  EXPECT_THROW(MarkFitValue(cr.run, value), ProgramStop);
  EXPECT_NE(cr.Text().find(" FATAL ERROR in EXFIT"), std::string::npos);
  std::string temp = "300?";
  MarkFitValue(cr.run, temp);
  EXPECT_EQ(temp, "300");
  EXPECT_TRUE(cr.run.reader.fitmark[1]);
}

struct DataLines : ::testing::Test {
  CapturedRun cr;
  tarnavel::Run& run = cr.run;

  std::vector<std::vector<std::string>> ReadAll(const std::string& text, int filecode) {
    std::istringstream in(text);
    run.reader.filecode = filecode;
    run.reader.srcline = 0;
    run.reader.delim_try = 0;
    std::vector<std::vector<std::string>> rows;
    while (NextDataLine(run, in, ShapeOf(filecode))) rows.push_back(Fields(run.reader));
    return rows;
  }
};

TEST_F(DataLines, CommentsBlankLinesAndEndAreSkipped) {
  const std::string text =
      "# Species\tResidence\n"
      "\n"
      "  # indented comment without delimiters\n"
      "\"quoted comment\n"
      "NO\t0\t1.0\tY\t0\tN\tN\r\n"
      "End of data\n"
      "NO2\t0\t1.0\tY\t0\tN\tN\n";
  const auto rows = ReadAll(text, kSpeciesFile);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0], (std::vector<std::string>{"NO", "0", "1.0", "Y", "0", "N", "N"}));
  EXPECT_EQ(run.reader.srcline, 6);  // blank and comment lines count
}

TEST_F(DataLines, TheDelimiterFallsBackAndStaysInForce) {
  const auto rows = ReadAll("NO,0,1.0,Y,0,N,N\nO3,0,2.0,Y,0,N,N\n", kSpeciesFile);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[1][0], "O3");
  EXPECT_EQ(run.reader.delim, ',');
  // The next file starts with the delimiter found here.
  const auto model = ReadAll("1.0,NO ==> N + O\n", kModelFile);
  ASSERT_EQ(model.size(), 1u);
  EXPECT_EQ(model[0][1], "NO ==> N + O");

  const auto bars = ReadAll("1.0|NO ==> N + O\n", kModelFile);
  EXPECT_EQ(run.reader.delim, '|');
  ASSERT_EQ(bars.size(), 1u);
}

TEST_F(DataLines, ALineWithoutEnoughFieldsStopsWithFatal1) {
  EXPECT_THROW(ReadAll("NO 0 1.0 Y 0 N N\n", kSpeciesFile), ProgramStop);
  EXPECT_NE(cr.Text().find("FATAL Error #   1"), std::string::npos) << cr.Text();
}

TEST_F(DataLines, FieldCountsBeyondTheFileShapeStopWithFatal2) {
  struct Case {
    const char* text;
    int filecode;
  };
  const Case cases[] = {
      {"a\tb\tc\td\te\tf\tg\th\ti\n", kSpeciesFile},   // 9 fields
      {"1\t2\t3\t4\n", kParameterFile},                 // parameter lines need exactly 5
      {"1\t2\t3\tA ==> B\tx\ty\n", kModelFile},         // 6 fields
  };
  for (const Case& c : cases) {
    CapturedRun fresh;
    std::istringstream in(c.text);
    fresh.run.reader.filecode = c.filecode;
    try {
      NextDataLine(fresh.run, in, ShapeOf(c.filecode));
      ADD_FAILURE() << "no stop for " << c.text;
    } catch (const ProgramStop& stop) {
      EXPECT_EQ(stop.fatal_number, 2) << c.text;
    }
  }
}

TEST_F(DataLines, ANonNumberStopsWithFatal88) {
  run.reader.filecode = kParameterFile;
  EXPECT_DOUBLE_EQ(ToReal(run, "1.5d2"), 150.0);
  try {
    ToReal(run, "1,5");
    ADD_FAILURE();
  } catch (const ProgramStop& stop) {
    EXPECT_EQ(stop.fatal_number, 88);
  }
}

}  // namespace
}  // namespace tarnavel
