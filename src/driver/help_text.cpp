#include "driver/help_text.hpp"

#include <span>
#include <string_view>

#include "core/console.hpp"

namespace tarnavel {

namespace {

enum HelpItemKind { kText, kBlank, kPause };

struct HelpItem {
  HelpItemKind kind;
  std::string_view text;
};

// Trailing blanks and TABs inside the texts are part of them and are printed.
constexpr HelpItem kHelp[] = {
    {kBlank, ""},
    {kText, "The following command line options are:"},
    {kBlank, ""},
    {kText, "-ah See advanced Tarnavel settings."},
    {kText, "-QUIET Don't diplay output or warnings."},
    {kText, "-PARM:filename (Parameter Description Input File)"},
    {kText, "-SPNAME:filename (Species Common_Name/Mass Input File)"},
    {kText, "-SPEC:filename (Species Description Input File)"},
    {kText, "-MOD:filename (Model Description Input File)"},
    {kText, "-OUT:filename (Concentration Output File)"},
    {kText, "-THERM:filename (Enter thermodynamics mode and use"},
    {kText, "filename as the thermodynamic database spreasheet)"},
    {kText, "-c Create SPECIES.DAT file from model, then stop."},
    {kText, "-show Display to screen the concentration of species,"},
    {kText, "      time and dt's."},
    {kText, "-ig:mass Ignore Mass Balance."},
    {kText, "-ig:charge Ignore Charge Balance."},
    {kText, "-ig:warn Ignore all warnings."},
    {kBlank, ""},
    {kPause, ""},
    {kBlank, ""},
    {kText, "-SENSIT:  Output Sensitivity Analysis Output File"},
    {kText, " -SENSIT:1(:n1 (:n2) ) Use sensitivity analysis #1 with"},
    {kText, " the following optional numeric entries: "},
    {kText, " n1 :perform analysis at various parts in the simulation"},
    {kText, " (default is three: beginning, middle and the end)"},
    {kText, " -OR- n1=TIMES,t1,t2,tn... where t1,t2 and tn are"},
    {kText, " times(in sec.) to perform the sensitivity analysis."},
    {kText, " n2 = percent difference in k's used (5% default) "},
    {kText, " just typing -SENSIT:1 is equal to -SENSIT:1:3:5 "},
    {kBlank, ""},
    {kText, "-KINSTAT Output statistics on the kinetic system "},
    {kText, "         into the file KINSTAT.TXT . "},
    {kText, "-SEEMW Output all species and their corresponding "},
    {kText, " molecular weight into the file MW.TXT. "},
    {kText, "-P Load a user provided periodic table from the text"},
    {kText, "   file PERIOD.DAT"},
    {kText, "-o:Y/N:Y/N:Y/N:Y/N Output files based on various"},
    {kText, "   physical properties/rates on the system as it runs. "},
    {kText, "-h/? You get this list."},
    {kBlank, ""},
    {kPause, ""},
    {kBlank, ""},
    {kText, "-FIT:a:b:c:d:e:f[:g:h:i] Fit/Optimize your model against"},
    {kText, "    experimental/fabricated data. "},
    {kText, "a=Fitting Algorithm=1, 2, 3  "},
    {kText, "b=Comparison Operator=1, 2, 3 "},
    {kText, "c=User Dataset Filename=Any allowed text filename"},
    {kText, "d=Tolerance=1 to 10(-14)\t\t  "},
    {kText, "e=Maximum Iterations Allowed=1-32767  "},
    {kText, "f=Starting Vectors=1x10(-99) to 1x10(10) "},
    {kText, "g=Starting Temperature=1x10(-100) to 1x10(10) "},
    {kText, "h=Number of Cycles to Stay At Current Temperature "},
    {kText, "Before Reducing Temperature=1-32767\t  "},
    {kText, "i=Percent Temperature Reduction=0 - 0.99999 "},
    {kBlank, ""},
    {kText, "-FIT sets default values to, a=1, b=1,\t  "},
    {kText, "c=FITDATA.TXT, d=1x10(-6),e=9000\t   "},
    {kText, "f=1x10(-35)"},
    {kBlank, ""},
    {kText, "Make sure you type the command exactly the way it"},
    {kText, "appears."},
};

constexpr HelpItem kAdvancedHelp[] = {
    {kText, "-anjac Use analytically calculated jacobians."},
    {kText, "-d### Where ### is the ASCII code of the data"},
    {kText, "       delimiter used in the input files."},
    {kText, "-INT:n1[:n2] Where n1 is the type of integrator used and n2 is a"},
    {kText, " secondary integrator option:\t"},
    {kText, "        n1 = 1 Modified Bader-Deuflhard (default)"},
    {kText, "          n2=1 use polynomial extrapolation (default) "},
    {kText, "          n2=2 use rational extrapolation           "},
    {kText, "        n1 = 2 Cash-Karp Runge-Kutta integrator  "},
    {kText, "        n1 = 3 Modified Rosenbrock integrator (# of species <50)"},
    {kText, "-OF Output a freeform thermodynamic database spreadsheet"},
    {kText, "-y Set the lower threshold for the concentration."},
    {kBlank, ""},
};

void PrintItems(Console& console, std::span<const HelpItem> items) {
  for (const HelpItem& item : items) {
    switch (item.kind) {
      case kText:
        console.Line(item.text);
        break;
      case kBlank:
        console.Blank();
        break;
      case kPause:
        console.Pause();
        break;
    }
  }
}

}  // namespace

void PrintHelp(Console& console) { PrintItems(console, kHelp); }

void PrintAdvancedHelp(Console& console) { PrintItems(console, kAdvancedHelp); }

}  // namespace tarnavel
