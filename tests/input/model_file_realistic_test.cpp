// A realistic mechanism of more than a hundred reactions, written the way
// users write them: several delimiters, comment lines of every style, blank
// lines, comment fields, reversible and special reactions, ions, quoted names
// and text after the END line.

#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "input/model_file.hpp"
#include "input/work_dir.hpp"
#include "support/run_fixture.hpp"

namespace tarnavel {
namespace {

using testing::CapturedRun;
using testing::WorkDir;

// Inorganic and C1 chemistry of an atmospheric mechanism (rate constants at
// 298 K), H2/O2 combustion steps with fall-off and third-body groups, and ion
// recombination.
const char* const kModel =
    "# Test mechanism: inorganic and C1 chemistry, H2/O2 combustion steps and ions\n"
    "\"k or A\tm\tEa\treaction\tcomment\"\n"
    "\n"
    "7.2623219462E+04\tO ==> O3\tMCM 1\n"
    "7.9601284989E-15\tO + O3 ==> PROD\tMCM 2\n"
    "2.2587410179E-12\tNO + O ==> NO2\tMCM 3\n"
    "1.0335872128E-11\tNO2 + O ==> NO\tMCM 4\n"
    "2.0900054593E-12\tNO2 + O ==> NO3\tMCM 5\n"
    "8.0073688715E+08\tO1D ==> O\tMCM 6\n"
    "1.7257629943E-14\tNO + O3 ==> NO2\tMCM 7\n"
    "3.5191588732E-17\tNO2 + O3 ==> NO3\tMCM 8\n"
    "1.0070151675E-19\t2NO ==> 2NO2\tMCM 9\n"
    "2.6036496745E-11\tNO + NO3 ==> 2NO2\tMCM 10\n"
    "6.5604530515E-16\tNO2 + NO3 ==> NO + NO2\tMCM 11\n"
    "1.2411855454E-12\tNO2 + NO3 ==> N2O5\tMCM 12\n"
    "8.2390000000E+07\tO1D ==> 2OH\tMCM 13\n"
    "7.2531511872E-14\tO3 + OH ==> HO2\tMCM 14\n"
    "6.6992510869E-15\tH2 + OH ==> HO2\tMCM 15\n"
    "2.2834285714E-13\tCO + OH ==> HO2\tMCM 16\n"
    "1.6951953507E-12\tH2O2 + OH ==> HO2\tMCM 17\n"
    "2.0145289169E-15\tHO2 + O3 ==> OH\tMCM 18\n"
    "1.1106628502E-10\tHO2 + OH ==> PROD\tMCM 19\n"
    "5.4137705940E-12\t2HO2 ==> H2O2\tMCM 20\n"
    "9.7680741624E-12\tNO + OH ==> HONO\tMCM 21\n"
    "9.8868929277E-12\tNO2 + OH ==> HNO3\tMCM 22\n"
    "2.0000000000E-11\tNO3 + OH ==> HO2 + NO2\tMCM 23\n"
    "8.5370413317E-12\tHO2 + NO ==> NO2 + OH\tMCM 24\n"
    "7.4986419552E-13\tHO2 + NO2 ==> HO2NO2\tMCM 25\n"
    "3.2413890544E-12\tHO2NO2 + OH ==> NO2\tMCM 26\n"
    "4.0000000000E-12\tHO2 + NO3 ==> NO2 + OH\tMCM 27\n"
    "5.9821136181E-12\tHONO + OH ==> NO2\tMCM 28\n"
    "1.5433143503E-13\tHNO3 + OH ==> NO3\tMCM 29\n"
    "3.4326621806E-14\tO + SO2 ==> SO3\tMCM 30\n"
    "\n"
    "   # indented comment: the next block is comma separated\n"
    "8.9401878890E-13,OH + SO2 ==> HSO3,MCM 31\n"
    "2.2137692759E+06,HSO3 ==> HO2 + SO3,MCM 32\n"
    "6.0000000000E-06,HNO3 ==> NA,MCM 33\n"
    "4.0000000000E-04,N2O5 ==> 2NA,MCM 34\n"
    "4.6200000000E+02,SO3 ==> SA,MCM 35\n"
    "2.7341202912E-05,O3 ==> O1D,MCM 36\n"
    "4.1709895177E-04,O3 ==> O,MCM 37\n"
    "6.7978634428E-06,H2O2 ==> 2OH,MCM 38\n"
    "8.2639602635E-03,NO2 ==> NO + O,MCM 39\n"
    "2.1412712770E-02,NO3 ==> NO,MCM 40\n"
    "1.4788534672E-01,NO3 ==> NO2 + O,MCM 41\n"
    "1.8261257688E-03,HONO ==> NO + OH,MCM 42\n"
    "5.4733253192E-07,HNO3 ==> NO2 + OH,MCM 43\n"
    "4.4577774600E-02,N2O5 ==> NO2 + NO3,MCM 44\n"
    "6.1960334862E-02,HO2NO2 ==> HO2 + NO2,MCM 45\n"
    "6.3712773697E-15,CH4 + OH ==> CH3O2,MCM 46\n"
    "7.6903193751E-12,CH3O2 + NO ==> CH3O + NO2,MCM 47\n"
    "7.6980173925E-15,CH3O2 + NO ==> CH3NO3,MCM 48\n"
    "9.8968838851E+03,CH3O ==> HCHO + HO2,MCM 49\n"
    "5.8850962045E-12,CH3O2 + NO2 ==> CH3O2NO2,MCM 50\n"
    "# colon separated\n"
    "1.4977565500E+00:CH3O2NO2 ==> CH3O2 + NO2:MCM 51\n"
    "1.2000000000E-12:CH3O2 + NO3 ==> CH3O + NO2:MCM 52\n"
    "4.7395655643E-12:CH3O2 + HO2 ==> CH3OOH:MCM 53\n"
    "1.2916128934E-04:CH3O2 ==> CH3O:MCM 54\n"
    "1.1070449587E-04:CH3O2 ==> HCHO:MCM 55\n"
    "1.1070449587E-04:CH3O2 ==> CH3OH:MCM 56\n"
    "2.3474015296E-14:CH3NO3 + OH ==> HCHO + NO2:MCM 57\n"
    "9.3173022516E-07:CH3NO3 ==> CH3O + NO2:MCM 58\n"
    "6.0162557021E-12:CH3OOH + OH ==> CH3O2:MCM 59\n"
    "4.0108371347E-12:CH3OOH + OH ==> HCHO + OH:MCM 60\n"
    "3.52E+16!-0.7!71.42!H + O2 = O + OH!GRI-Mech\n"
    "5.06E+04!2.67!26.32!O + H2 = H + OH\n"
    "1.17E+09!1.3!15.2!OH + H2 = H + H2O\n"
    "5.75E+12!0!0!2OH = O + H2O\n"
    "4.65E+12|0.44|0|H + O2 + M[TROE;5.75E+19;-1.4;0;0.5;1E-30;1E+30;H2O(15.9);H2(2.5);CO(1.9);CO2(3.8)] ==> HO2|fall-off\n"
    "6.3E+14:0:0:H2O2 + M[LIN;2.5E+24;-2.3;203.6;H2O(12)] ==> 2OH\n"
    "\t# tab-indented comment\n"
    "1.0E+18\t-1\t0\tH + H + M[H2(0);H2O(0);CO2(0)] ==> H2\n"
    "4.0E+22\t-2\t0\tH + OH + M[H2(0.73);H2O(3.65)] = H2O\n"
    "1.2E+17\t-1\t0\tO + O + M[-Ar(0.83)] ==> O2\n"
    "2.0E-12\tCO + OH + M[SRI;1.2E-13;0.5;100;1000;5;1;0;N2(1)] ==> CO2 + H\n"
    "3.0E-11\tNO + O + S[LT;-30.1;12.2] ==> NO2\tvibrational relaxation\n"
    "2.0E-7\tO2+ + e- ==> O + O\n"
    "1.6E-7\tNO+ + e- ==> N + O\n"
    "1.0E-10\tO- + O2+ ==> O + O2\n"
    "4.0E-10\tO2- + O3 ==> O3- + O2\n"
    "5.0E-10\tO3- + H ==> OH- + O2\n"
    "1.0E-9\tCl++ ==> Cl+ + e-\n"
    "2.5E-10\tSO4-- + H+ ==> HSO4-\n"
    "1.5E-11\t\"1-C4H8\" + OH ==> P1\n"
    "8.0E-12\t\"1-C4H8\" + O3 ==> 0.5HCHO + 0.5 PROD + 0.62 OH\n"
    "3.3E-12\tn-C4H10 + OH ==> P1 + H2O\n"
    "1.0E-3\thv + NO2 ==> NO + O\tphotolysis, midday\n"
    "6.0E-34\tO + O2 + M ==> O3 + M\n"
    "1.0E-11\tO1D + M[N2(1);O2(1)] = O + M\n"
    "5.0244393894E-06|CH3OOH ==> CH3O + OH\n"
    "1.9847089723E-11|IPRHOCO3 + NO ==> CH3COCH3 + HO2 + NO2\n"
    "8.9491231833E-12|IPRHOCO3 + NO2 ==> C4PAN5\n"
    "4.3006321748E-04|C4PAN5 ==> IPRHOCO3 + NO2\n"
    "4.0020000000E-12|IPRHOCO3 + NO3 ==> CH3COCH3 + HO2 + NO2\n"
    "5.7148383826E-12|HO2 + IPRHOCO3 ==> IPRHOCO3H\n"
    "3.5000000000E-03|IPRHOCO3 ==> CH3COCH3 + HO2\n"
    "4.7500000000E-13|C4PAN5 + OH ==> CH3COCH3 + CO + NO2\n"
    "4.8000000000E-12|IPRHOCO3H + OH ==> IPRHOCO3\n"
    "5.0244393894E-06|IPRHOCO3H ==> CH3COCH3 + HO2 + OH\n"
    "\n"
    "2.6900000000E-12\tBIACETOH + OH ==> CO23C3CHO + HO2\tMCM 99\n"
    "2.5401453192E-04\tBIACETOH ==> CH3CO3 + HOCH2CO3\tMCM 100\n"
    "1.2300000000E-11\tCO23C3CHO + OH ==> CH3CO3 + 2CO\tMCM 101\n"
    "1.1138088223E-14\tCO23C3CHO + NO3 ==> CH3CO3 + 2CO + HNO3\tMCM 102\n"
    "7.8352977351E-12\tC2H4 + OH ==> HOCH2CH2O2\tMCM 104\n"
    "8.9916190108E-12\tHOCH2CH2O2 + NO ==> HOCH2CH2O + NO2\tMCM 105\n"
    "4.5184015130E-14\tHOCH2CH2O2 + NO ==> ETHOHNO3\tMCM 106\n"
    "1.7824927590E+05\tHOCH2CH2O ==> 2HCHO + HO2\tMCM 107\n"
    "4.7081461216E+04\tHOCH2CH2O ==> HO2 + HOCH2CHO\tMCM 108\n"
    "2.3000000000E-12\tHOCH2CH2O2 + NO3 ==> HOCH2CH2O + NO2\tMCM 109\n"
    "END of the mechanism\n"
    "1.0\tthis line ==> is not read\n";

// Every species the mechanism names, and the third bodies of its groups.
const char* const kSpecies =
    "O O3 PROD NO NO2 NO3 O1D N2O5 OH HO2 H2 CO H2O2 HONO HNO3 HO2NO2 SO2 SO3 HSO3 NA SA CH4 CH3O2 CH3O CH3NO3 HCHO CH3O2NO2 CH3OOH CH3OH IPRHOCO3 CH3COCH3 C4PAN5 IPRHOCO3H BIACETOH CO23C3CHO CH3CO3 HOCH2CO3 C2H4 HOCH2CH2O2 HOCH2CH2O ETHOHNO3 HOCH2CHO H O2 H2O CO2 Ar O2+ e- N NO+ O- O2- O3- OH- Cl++ Cl+ SO4-- H+ HSO4- 1-C4H8 P1 n-C4H10 N2";

const ReactionRecord* Find(const ModelStore& st, const std::string& reactant, const std::string& product) {
  for (int r = 1; r <= st.nreact; ++r)
    if (st.reaction[r].reactant[1].name == reactant && st.reaction[r].product[1].name == product)
      return &st.reaction[r];
  return nullptr;
}

TEST(RealisticModel, LoadsIntoTheExpectedTables) {
  WorkDir dir;
  CapturedRun cr;
  ModelStore& st = cr.run.store;
  std::istringstream names(kSpecies);
  for (std::string n; names >> n;) st.species[++st.nspec].name = n;
  const int nspec = st.nspec;

  std::istringstream in(kModel);
  ASSERT_NO_THROW(ReadModelLines(cr.run, in)) << cr.Text();
  EXPECT_EQ(cr.Text(), "");               // no species is missing
  EXPECT_FALSE(dir.Exists("ADDSPEC.TXT"));
  EXPECT_EQ(st.nspec, nspec);

  // 104 data lines, six of them reversible; the line after END is not read.
  ASSERT_EQ(st.nreact, 110);
  EXPECT_EQ(st.cursk, 10);
  EXPECT_EQ(st.reaction[110].srcline, 112);

  // Every used entry names a species of the table; unused entries follow.
  std::set<std::string> known;
  for (int s = 1; s <= st.nspec; ++s) known.insert(st.species[s].name);
  int reverse = 0;
  for (int r = 1; r <= st.nreact; ++r) {
    const ReactionRecord& rec = st.reaction[r];
    SCOPED_TRACE(r);
    for (const auto* side : {&rec.reactant, &rec.product}) {
      bool unused = false;
      for (int i = 1; i <= 3; ++i) {
        const ReactionItem& item = (*side)[i];
        if (item.name == "*") {
          unused = true;
          continue;
        }
        EXPECT_FALSE(unused) << item.name;
        EXPECT_TRUE(known.count(item.name)) << item.name;
        EXPECT_GT(item.coeff, 0.0);
      }
    }
    if (rec.reverse) {
      ++reverse;
      EXPECT_TRUE(st.reaction[r - 1].reversible);
      EXPECT_EQ(rec.srcline, st.reaction[r - 1].srcline);
    }
  }
  EXPECT_EQ(reverse, 6);

  const ReactionRecord& first = st.reaction[1];  // TAB, with a comment field
  EXPECT_EQ(first.rate, 7.2623219462E+04);
  EXPECT_EQ(first.reactant[1].name, "O");
  EXPECT_EQ(first.product[1].name, "O3");
  EXPECT_EQ(first.srcline, 4);

  const ReactionRecord& comma = st.reaction[31];  // comma separated
  EXPECT_EQ(comma.rate, 8.9401878890E-13);
  EXPECT_EQ(comma.reactant[2].name, "SO2");
  EXPECT_EQ(comma.srcline, 36);

  const ReactionRecord& colon = st.reaction[60];
  EXPECT_EQ(colon.product[2].name, "OH");
  EXPECT_EQ(colon.srcline, 66);

  const ReactionRecord& bang = st.reaction[61];  // '!' separated, Arrhenius, reversible
  EXPECT_TRUE(bang.arrhenius);
  EXPECT_EQ(bang.rate, 3.52E+16);
  EXPECT_EQ(bang.m, -0.7);
  EXPECT_EQ(bang.ea, 71.42);
  EXPECT_TRUE(st.reaction[62].reverse);
  EXPECT_EQ(st.reaction[62].reactant[1].name, "O");
  EXPECT_EQ(st.reaction[62].product[2].name, "O2");

  const ReactionRecord& troe = st.reaction[69];  // '|' separated fall-off
  ASSERT_EQ(troe.special, 1);
  const SpecialEntry& t = st.special[1];
  EXPECT_EQ(t.type, kTroe);
  EXPECT_EQ(t.param[1], 5.75E+19);
  EXPECT_EQ(t.param[6], 1E+30);
  EXPECT_EQ(t.param[7], 0.0);   // H2O(15.9) is no seventh number
  EXPECT_EQ(t.param[kColliderCountSlot], 4.0);
  EXPECT_EQ(t.collider[4], "CO2");
  EXPECT_EQ(t.param[ColliderEfficiencySlot(4)], 3.8);
  EXPECT_EQ(st.special[2].type, kLindemann);
  EXPECT_TRUE(st.special[6].absolute);  // M[-Ar(0.83)]
  EXPECT_EQ(st.special[7].type, kSri);

  const ReactionRecord* hh = Find(st, "H", "H2");
  ASSERT_NE(hh, nullptr);
  EXPECT_EQ(hh->reactant[1].coeff, 2.0);  // H + H merged
  EXPECT_EQ(hh->reactant[2].name, "*");
  EXPECT_EQ(st.special[hh->special].param[kColliderCountSlot], 3.0);

  const ReactionRecord& lt = st.reaction[76];  // TAB, with a comment field
  EXPECT_EQ(lt.srcline, 78);
  EXPECT_EQ(lt.reactant[2].name, "O");
  ASSERT_EQ(lt.special, 8);
  EXPECT_EQ(st.special[8].type, kLandauTeller);
  EXPECT_EQ(st.special[8].param[1], -30.1);

  const ReactionRecord* chlorine = Find(st, "Cl++", "Cl+");
  ASSERT_NE(chlorine, nullptr);
  EXPECT_EQ(chlorine->product[2].name, "e-");
  const ReactionRecord* sulfate = Find(st, "SO4--", "HSO4-");
  ASSERT_NE(sulfate, nullptr);
  EXPECT_EQ(sulfate->reactant[2].name, "H+");

  const ReactionRecord* butene = Find(st, "1-C4H8", "HCHO");
  ASSERT_NE(butene, nullptr);
  EXPECT_EQ(butene->product[1].coeff, 0.5);
  EXPECT_EQ(butene->product[3].coeff, 0.62);

  const ReactionRecord* photolysis = Find(st, "hv", "NO");
  ASSERT_NE(photolysis, nullptr);
  EXPECT_EQ(photolysis->rate, 1.0E-3);
}

}  // namespace
}  // namespace tarnavel
