#include "input/bracket_group.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "core/switches.hpp"
#include "support/run_fixture.hpp"

namespace tarnavel {
namespace {

using testing::CapturedRun;

int FatalOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const ProgramStop& stop) {
    return stop.fatal_number;
  }
  return 0;
}

// The nonzero parameter slots of an entry.
std::map<int, double> Slots(const SpecialEntry& e) {
  std::map<int, double> slots;
  for (int i = 1; i <= kSpecialSlots; ++i)
    if (e.param[i] != 0.0) slots[i] = e.param[i];
  return slots;
}

std::vector<std::string> Colliders(const SpecialEntry& e) {
  std::vector<std::string> names;
  for (int k = 1; k <= static_cast<int>(e.param[kColliderCountSlot]); ++k) names.push_back(e.collider[k]);
  return names;
}

TEST(BracketGroup, KeywordsSelectTheTypeAndFillTheSlots) {
  struct Case {
    const char* content;
    int type;
    bool absolute;
    std::map<int, double> slots;
    std::vector<std::string> colliders;
  };
  const Case cases[] = {
      {"TROE;2.3;4.3;5.3;5.5;2.32;6.52;2.32;N2(2.32);O2(1)", kTroe, false,
       {{1, 2.3}, {2, 4.3}, {3, 5.3}, {4, 5.5}, {5, 2.32}, {6, 6.52}, {7, 2.32}, {12, 2.32}, {14, 1.0}, {35, 2}},
       {"N2", "O2"}},
      {"TROE;1;2;3;4;5;6", kTroe, false, {{1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}, {6, 6}}, {}},
      {"TROE;1;2;3;4;5;6;H2O(6)", kTroe, false,  // no seventh number: efficiencies follow at once
       {{1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}, {6, 6}, {12, 6}, {35, 1}}, {"H2O"}},
      {"LIN;1.0;2.0;3.0;O2(4.42);N2(0.93)", kLindemann, false,
       {{1, 1}, {2, 2}, {3, 3}, {12, 4.42}, {14, 0.93}, {35, 2}}, {"O2", "N2"}},
      {"lin;1;2;3", kLindemann, false, {{1, 1}, {2, 2}, {3, 3}}, {}},
      {"SRI;1;2;3;4;5;6;7;8;H2O(5)", kSri, false,
       {{1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}, {6, 6}, {7, 7}, {8, 8}, {12, 5}, {35, 1}}, {"H2O"}},
      {"SRI;1;2;3;4;5;6;7;H2O(5)", kSri, false,
       {{1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}, {6, 6}, {7, 7}, {12, 5}, {35, 1}}, {"H2O"}},
      {"LT;2.3;-4.3", kLandauTeller, false, {{1, 2.3}, {2, -4.3}}, {}},
      {"N2(1.4);O2(0.8);Ar(0.7)", kThirdBody, false, {{12, 1.4}, {14, 0.8}, {16, 0.7}, {35, 3}},
       {"N2", "O2", "Ar"}},
      {"-O2(2.17)", kThirdBody, true, {{12, 2.17}, {35, 1}}, {"O2"}},
      {"Cl-(2);D(1.5)", kThirdBody, false, {{12, 2}, {14, 1.5}, {35, 2}}, {"Cl-", "D"}},
  };
  for (const Case& c : cases) {
    CapturedRun cr;
    SCOPED_TRACE(c.content);
    cr.run.reader.line = "1.0\tA+B+M[...]==>C";
    cr.run.reader.srcline = 4;
    const SpecialEntry e = ReadBracketGroup(cr.run, c.content, 1);
    EXPECT_EQ(e.type, c.type);
    EXPECT_EQ(e.absolute, c.absolute);
    EXPECT_EQ(Slots(e), c.slots);
    EXPECT_EQ(Colliders(e), c.colliders);
    EXPECT_EQ(e.srcline, 4);
    EXPECT_EQ(e.line, "1.0\tA+B+M[...]==>C");  // kept for the message about an unknown collider
  }
}

TEST(BracketGroup, TwentyEfficienciesFitATwentyFirstStopsTheRun) {
  std::string full;
  for (int k = 1; k <= kMaxColliders; ++k) full += ";X" + std::to_string(k) + "(" + std::to_string(k) + ")";
  {
    CapturedRun cr;
    const SpecialEntry e = ReadBracketGroup(cr.run, "TROE;1;2;3;4;5;6;7" + full, 1);
    EXPECT_EQ(e.param[kColliderCountSlot], 20.0);
    // The first twelve keep the slots 11..34; the thirteenth follows the count.
    EXPECT_EQ(e.param[34], 12.0);
    EXPECT_EQ(e.param[37], 13.0);
    EXPECT_EQ(e.param[ColliderEfficiencySlot(20)], 20.0);
    EXPECT_EQ(e.param[kSpecialSlots], 20.0);
    EXPECT_EQ(e.collider[20], "X20");
    for (int k = 1; k <= kMaxColliders; ++k) EXPECT_TRUE(IsColliderEfficiencySlot(ColliderEfficiencySlot(k))) << k;
    for (int k = 1; k <= kMaxColliders; ++k) EXPECT_FALSE(IsColliderEfficiencySlot(ColliderSpeciesSlot(k))) << k;
  }
  const struct {
    std::string head;
    int fatal;
  } cases[] = {{"", 79}, {"LIN;1;2;3", 80}, {"TROE;1;2;3;4;5;6;7", 81}, {"SRI;1;2;3;4;5;6;7;8", 82}};
  for (const auto& c : cases) {
    CapturedRun cr;
    std::string content = c.head + full + ";Y(1)";
    if (c.head.empty()) content.erase(0, 1);
    SCOPED_TRACE(content);
    EXPECT_EQ(FatalOf([&] { ReadBracketGroup(cr.run, content, 1); }), c.fatal);
  }
}

TEST(BracketGroup, WrongContentsStopWithTheirNumbers) {
  struct Case {
    const char* content;
    int fatal;
  };
  const Case cases[] = {
      {"", 79},                      {"-", 79},
      {"1.0;N2(1)", 79},             {"XYZ;1;2", 79},               // a number or an unknown keyword first
      {"N2", 79},                    {"(1.4)", 79},                 // an efficiency without name or value
      {"N2(1);;O2(1)", 79},          // an empty field would drop the rest
      {"LT;2.3", 91},                {"LT;1;2;3", 91},              {"LT;a;b", 91},
      {"LT;1;2;N2(1)", 91},
      {"LIN;1;2", 80},               {"LIN;1;2;N2(1)", 80},         // an efficiency where a number belongs
      {"TROE;1;2;3;4;5", 81},        {"SRI;1;2;3;4;5", 82},
      {"N2(1.4", 83},                {"N2(1.4);O2(1)x", 83},
      {"N21.4)", 84},
      {"N2(1);2.5", 89},             {"TROE;1;2;3;4;5;6;7;8", 89},  // one number too many
      {"N2(1);2(1.4)", 89},
      {"N2(x)", 88},                 {"N2()", 88},                  {"LIN;1;2.0.0;3", 88},
      {"N2(2.32?)", 88},             // without fitting a marked value is no number
  };
  for (const Case& c : cases) {
    CapturedRun cr;
    SCOPED_TRACE(c.content);
    EXPECT_EQ(FatalOf([&] { ReadBracketGroup(cr.run, c.content, 1); }), c.fatal);
  }
}

TEST(BracketGroup, FitMarksBecomeParametersOfTheirSlot) {
  CapturedRun cr;
  cr.run.sw.options = kOptFitSimplex;
  cr.run.reader.srcline = 9;
  const SpecialEntry e = ReadBracketGroup(cr.run, "TROE;2.3?;4.3;5.3;5.5;2.32;6.52;2.32?;N2(2.32?);O2(1)", 5);
  EXPECT_EQ(e.param[1], 2.3);
  EXPECT_EQ(e.param[7], 2.32);
  EXPECT_EQ(e.param[12], 2.32);
  const std::vector<FitParameter>& fit = cr.run.reader.fit;
  ASSERT_EQ(fit.size(), 3u);
  // kind 200 + slot: field 2 is slot 1, field 8 slot 7, the first efficiency slot 12.
  EXPECT_EQ(fit[0].kind, 201);
  EXPECT_EQ(fit[1].kind, 207);
  EXPECT_EQ(fit[2].kind, 212);
  for (const FitParameter& p : fit) {
    EXPECT_EQ(p.item, 5);
    EXPECT_EQ(p.srcline, 9);
  }
}

TEST(BracketGroup, GroupsAreFoundAtTheStartOrAfterAPlus) {
  struct Case {
    const char* text;
    bool found;
    const char* left;     // the text without the group
    const char* content;
  };
  const Case cases[] = {
      {"A+B+M[N2(1)]==>C", true, "A+B==>C", "N2(1)"},
      {"M[N2(1)]+A==>C", true, "A==>C", "N2(1)"},
      {"A+S[LT;1;2]==>C", true, "A==>C", "LT;1;2"},
      {"A+M[LIN;1;2;3]+S[LT;1;2]==>C", true, "A+S[LT;1;2]==>C", "LIN;1;2;3"},  // M first
      {"AM[N2(1)]==>C", false, "", ""},                                         // part of a name
      {"A+B==>C", false, "", ""},
  };
  for (const Case& c : cases) {
    CapturedRun cr;
    SCOPED_TRACE(c.text);
    GroupSpan span;
    const std::string text = c.text;
    ASSERT_EQ(FindBracketGroup(cr.run, text, span), c.found);
    if (!c.found) continue;
    EXPECT_EQ(text.substr(span.content_begin, span.content_end - span.content_begin), c.content);
    EXPECT_EQ(std::string(text).erase(span.cut_begin, span.cut_end - span.cut_begin), c.left);
  }
  CapturedRun cr;
  GroupSpan span;
  EXPECT_EQ(FatalOf([&] { FindBracketGroup(cr.run, "A+M[N2(1)==>B", span); }), 14);
}

}  // namespace
}  // namespace tarnavel
