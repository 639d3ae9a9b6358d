"""The sweep file, the values of a case folder, the plan of the cases and the
run folders written from it."""
import math
import os

import pytest

from conftest import DATA
from tarnavel.casefolder import Case
from tarnavel.description import DescriptionFile, split_fields
from tarnavel.errors import TarnavelError
from tarnavel.planning import make_plan
from tarnavel.runner import closing_message, ranges, write_slurm
from tarnavel.sweepfile import Sweep

CASE = os.path.join(DATA, "case")


def sweep_of(tmp_path, text):
    path = tmp_path / "test.sweep"
    path.write_text(text)
    return Sweep(str(path))


def plan_of(tmp_path, text):
    sweep = sweep_of(tmp_path, text)
    return make_plan(Case(CASE, sweep.options), sweep, "/bin/true", CASE)


@pytest.mark.parametrize("line, fields", [
    ("a\tb\tc", ["a", "b", "c"]),
    ("  a \t  b\t", ["a", "b"]),
    ("a\tb\t\tc", ["a", "b"]),           # an empty field ends the record
    ("a\t \tb", ["a", "b"]),             # a blank field is removed
    ("abc", ["abc"]),
])
def test_fields_of_a_line(line, fields):
    found, _ = split_fields(line, "\t")
    assert [f.value for f in found] == fields
    assert all(line[f.start:f.end] == f.value for f in found)


def test_delimiter_found_in_one_file_holds_for_the_next(tmp_path):
    path = tmp_path / "MODEL.DAT"
    path.write_text("# k, reaction\n1.5E-14, NO + O3 ==> NO2 + O2\n2.0, A ==> B\n")
    model = DescriptionFile("MODEL", "MODEL.DAT", str(path))
    assert model.delim == "," and [d.number for d in model.data] == [2, 3]
    assert model.text_with({3: [(0, 3, "7.5")]}).splitlines()[2] == "7.5, A ==> B"


def test_values_and_sweep_settings(tmp_path):
    sweep = sweep_of(tmp_path, "# comment\nvary PARM.DAT:temperature linear 280 300 3  # K\n"
                               "vary MODEL.DAT:line 2:k times log 0.1 10 3\nseed 7\ntimeout 5\n"
                               "options -QUIET '-d044'\ncollect NO, O3 at 60 120\nplot NO\nslurm --time=1:00\n")
    temperature, rate = sweep.varies
    assert temperature.numbers == [280, 290, 300] and not temperature.times
    assert rate.times and rate.numbers[0] == pytest.approx(0.1) and rate.numbers[1:] == [pytest.approx(1), 10]
    assert (sweep.seed, sweep.timeout, sweep.options, sweep.plot, sweep.slurm) == (
        7, 5.0, ["-QUIET", "-d044"], ["NO"], ["--time=1:00"])
    assert [(n, t) for n, t, _ in sweep.collect] == [("NO", 60), ("NO", 120), ("O3", 60), ("O3", 120)]
    assert not sweep.collect_last


T = "vary PARM.DAT:temperature list 300\n"


@pytest.mark.parametrize("text, message", [
    # the sweep file itself
    ("runs 3\n", "nothing is varied"),
    ("vary PARM.DAT:temperature list\n", "line 1: list needs at least one value"),
    ("vary PARM.DAT:temperature log 0 10 3\n", "a log range needs FROM and TO above 0"),
    ("vary PARM.DAT:temperature linear 1 2 1\n", "COUNT '1' must be a whole number of at least 2"),
    ("vary all-rates list 1 2\n", "would give every reaction the same rate constant"),
    ("vary all-rates lognormal factor 1\n", "the factor must be above 1"),
    ("vary all-rates times lognormal factor 2\n", "times goes with list, linear and log"),
    ("vary all-rates lognormal factor 2\n", "random draws need runs N"),
    ("runs 2\n" + T, "no vary line draws at random"),
    ("seed 1\nseed 2\n" + T, "line 2: seed is already given on line 1"),
    ("options -FIT\n" + T, "-FIT does not belong in a sweep"),
    (T + "frobnicate\n", "unknown statement 'frobnicate'"),
    (T + "collect NO\n", "write collect A B ... at T1 T2"),
    # values the case folder does not have
    ("vary PARM.DAT:pressure list 1\n", "only the temperature can be varied"),
    ("vary PARM.DAT:temperature list 0 300\n", "the temperature must stay above 0 K"),
    ("vary SPECIES.DAT:NO3:initial list 1\n", "unknown species 'NO3'"),
    ("vary SPECIES.DAT:O2:initial list 1\n", "O2 is held at a constant value or profile"),
    ("vary MODEL.DAT:line 3:k list 1\n", "line 3 of MODEL.DAT is not a reaction"),
    ("vary MODEL.DAT:line 9:k list 1\n", "line 9 of MODEL.DAT is past the end"),
    ("vary MODEL.DAT:line 2:Ea list 1\n", "m and Ea belong to reactions given as A, m, Ea"),
    ("vary MODEL.DAT:line 4:bracket 3 list 1\n", "its bracket group has no number there"),
    ("vary THERM.DAT:x list 1\n", "unknown file 'THERM.DAT'"),
    ("vary MODEL.DAT:line 2:k list 1\nvary MODEL.DAT:line 2:k list 2\n", "is already varied on line 1"),
    # species and times that the runs do not write
    (T + "collect NO2 at 60\n", "NO2 is not displayed"),
    (T + "collect NO at 4000\n", "time 4000 s lies outside the simulated 0 to 3600 s"),
    (T + "plot HNO3\n", "unknown species 'HNO3'"),
])
def test_sweeps_refused_before_anything_is_written(tmp_path, text, message):
    with pytest.raises(TarnavelError, match=message):
        plan_of(tmp_path, text)


def test_grid_changes_the_first_vary_line_slowest(tmp_path):
    plan = plan_of(tmp_path, "vary MODEL.DAT:line 4:bracket 2 list 1 2\nvary PARM.DAT:temperature list 280 300\n"
                             "vary MODEL.DAT:line 2:k times list 1 10\n")
    assert plan["columns"] == ["MODEL.DAT:line 4:bracket 2", "PARM.DAT:temperature", "MODEL.DAT:line 2:k"]
    assert plan["cases"][:3] == [["1", "280", "1.8e-14"], ["1", "280", "1.8e-13"], ["1", "300", "1.8e-14"]]
    assert len(plan["cases"]) == 8 and plan["cases"][-1] == ["2", "300", "1.8e-13"]
    assert plan["collect last"] and plan["collect"] == []


def test_random_draws_follow_the_seed_case_and_value_alone(tmp_path):
    text = "runs 50\nvary all-rates lognormal factor 2\nvary MODEL.DAT:line 2:k loguniform factor 3\n"
    plan = plan_of(tmp_path, "seed 5\n" + text)
    assert plan["columns"] == ["MODEL.DAT:line 2:k", "MODEL.DAT:line 4:A"]
    factors = [(float(k) / 1.8e-14, float(a) / 2.0e-12) for k, a in plan["cases"]]
    assert all(1 / 3 <= k <= 3 for k, _ in factors)  # the named value overrides all-rates
    logs = [math.log(a, 2) for _, a in factors]
    assert abs(sum(logs) / len(logs)) < 0.5 and 0.6 < math.sqrt(sum(x * x for x in logs) / len(logs)) < 1.5
    assert plan_of(tmp_path, "seed 5\n" + text)["cases"] == plan["cases"]
    assert plan_of(tmp_path, "seed 6\n" + text)["cases"] != plan["cases"]
    assert plan_of(tmp_path, "seed 5\n" + text.replace("runs 50", "runs 60"))["cases"][:50] == plan["cases"]


def test_run_folders_get_the_values_in_place_and_no_marks(tmp_path):
    sweep = sweep_of(tmp_path, "vary SPECIES.DAT:O3:initial list 3.5e11\nvary MODEL.DAT:line 4:bracket 1 list 7\n")
    case = Case(CASE, sweep.options)
    plan = make_plan(case, sweep, "/bin/true", CASE)
    run = tmp_path / "run"
    case.copy_into(str(run), dict(zip(plan["columns"], plan["cases"][0])))
    species = (run / "SPECIES.DAT").read_text().splitlines()
    assert species[1:3] == ["NO\t0\t2.0E+11\tY\t0\tN\tN", "O3\t0\t3.5e+11\tY\t0\tN\tN"]
    model = (run / "MODEL.DAT").read_text().splitlines()
    assert model[3] == "2.0E-12\t1.5\t300\tNO + O3 + M[NO(7);O2(.83)] ==> NO2 + O2\tthird body"
    assert (run / "PARM.DAT").read_text() == open(os.path.join(CASE, "PARM.DAT")).read()


def test_slurm_array_of_the_unfinished_cases(tmp_path):
    assert ranges([1, 2, 3, 5, 7, 8]) == "1-3,5,7-8"
    path = write_slurm(str(tmp_path), {"slurm": ["--time=1:00"]}, [2, 3, 4, 9], "/opt/my tools/tarnavel_sweep")
    lines = open(path).read().splitlines()
    assert "#SBATCH --array=2-4,9" in lines and "#SBATCH --time=1:00" in lines
    assert lines[-1] == f"exec '/opt/my tools/tarnavel_sweep' --run-case {tmp_path} \"$SLURM_ARRAY_TASK_ID\""
    assert os.access(path, os.X_OK)


@pytest.mark.parametrize("console, message", [
    ("step 1\n\n  last words  \n\n", "last words"),
    ("FATAL Error # 12\nNo such file\nLINE READS:\n'x y'\n\nlater\n", "FATAL Error # 12: No such file"),
    ("", ""),
])
def test_closing_message_of_a_run(console, message):
    assert closing_message(console) == message


def gas_species(unit=1.0, held="{:.1E}"):
    """A gas at 1200 K: CH4 (marked for a fit) and O2 from the initial column,
    N2 held at a constant value, and rows that are no gas: a dissolved
    species and the state rows. Concentrations 1, 2 and 7 (times `unit`)."""
    return ("# Species\tResidence\tInitial\tDisplay\tExternal\tSSA\tConstant\n"
            f"CH4\t0\t{1 * unit:.1E}?\tY\t0\tN\tN\n"
            f"O2\t0\t {2 * unit:.1E}\tY\t0\tN\tN\n"
            "OH\t0\t0\tY\t0\tN\tN\n"
            f"N2\t0\t0\tN\t0\tN\t{held.format(7 * unit)}\n"
            f"NaCl{{aq}}\t0\t{3 * unit:.1E}\tY\t0\tN\tN\n"
            "Temperature (K)\t0\t1200\tY\t0\tN\tN\n"
            "Volume\t0\t1.0\tN\t0\tN\tN\n")


GAS_MODEL = "# k\treaction\n1.0E+10\tCH4 + O2 ==> OH + OH + CH4 + NaCl{aq}\n"


def gas_case(folder, unit="MOLES/CM^3", temperature="1200", species=None, names=("PARM.DAT", "SPECIES.DAT")):
    folder.mkdir(exist_ok=True)
    (folder / names[0]).write_text(f"# parameters\n1.0E-10\t1E-4\tKELVIN\t{unit}\t0\n{temperature}\tNO\t0\t0\t0\n"
                                   "0\t0\t0\t0.01\t0\nNone1\t1\t1\t1.0E-08\t0\n0\t0\t0\t0\t0\n")
    (folder / names[1]).write_text(species or gas_species(1e-6))
    (folder / "MODEL.DAT").write_text(GAS_MODEL)
    return str(folder)


def run_folder(tmp_path, case_dir, text, number=1):
    """The run folder of one case of a sweep of `case_dir`, and the plan."""
    sweep = sweep_of(tmp_path, text)
    case = Case(case_dir, sweep.options)
    plan = make_plan(case, sweep, "/bin/true", case_dir)
    run = tmp_path / f"run-{number}"
    case.copy_into(str(run), dict(zip(plan["columns"], plan["cases"][number - 1])))
    return run, plan


def species_rows(path):
    """name -> (initial column, held column) of a species file."""
    rows = [line.split("\t") for line in path.read_text().splitlines() if not line.startswith("#")]
    return {row[0]: (row[2], row[6]) for row in rows}


# The gas constant in J/(mol K) and Avogadro's number as the simulator takes them.
R, AVOGADRO = 8.31451, 6.02e23


@pytest.mark.parametrize("unit, per_mol_per_m3", [
    ("MOLES/CM^3", 1e-6), ("moles/L", 1e-3), ("MOLECULES/CM^3", AVOGADRO * 1e-6), ("1/cc", AVOGADRO * 1e-6),
])
def test_pressure_sets_the_gas_keeping_its_mole_fractions(tmp_path, unit, per_mol_per_m3):
    case_dir = gas_case(tmp_path / "case", unit, species=gas_species(per_mol_per_m3 * 0.5))
    run, plan = run_folder(tmp_path, case_dir, "vary pressure list 2.5\nvary PARM.DAT:temperature list 1500\n")
    assert plan["columns"] == ["pressure", "PARM.DAT:temperature"] and plan["cases"] == [["2.5", "1500"]]
    written = species_rows(run / "SPECIES.DAT")
    gas = 2.5 * 101325 / (R * 1500) * per_mol_per_m3  # the whole gas: CH4 : O2 : N2 = 1 : 2 : 7
    assert float(written["CH4"][0]) == pytest.approx(gas / 10, rel=1e-9)
    assert float(written["O2"][0]) == pytest.approx(gas * 2 / 10, rel=1e-9)
    assert float(written["N2"][1]) == pytest.approx(gas * 7 / 10, rel=1e-9)  # held: its held value
    own = species_rows(tmp_path / "case" / "SPECIES.DAT")
    for name in ("OH", "NaCl{aq}", "Temperature (K)", "Volume"):
        assert written[name] == own[name]
    assert written["N2"][0] == own["N2"][0] and written["O2"][0].startswith(" ")  # blanks before a value stay
    assert (run / "PARM.DAT").read_text().splitlines()[2].startswith("1500\t")


def test_pressure_times_the_files_own_and_the_temperature_alone(tmp_path):
    case_dir = gas_case(tmp_path / "case", "MOLES/L", "1000", gas_species(1e-3))
    own_atm = 10e-3 * R * 1000 / 101.325  # 10 mmol/L of gas at 1000 K
    run, plan = run_folder(tmp_path, case_dir, "vary pressure times list 1 4\n", number=2)
    assert [float(v) for v, in plan["cases"]] == [pytest.approx(own_atm), pytest.approx(4 * own_atm)]
    written = species_rows(run / "SPECIES.DAT")
    assert float(written["CH4"][0]) == pytest.approx(4e-3) and float(written["N2"][1]) == pytest.approx(28e-3)
    # A temperature varied alone changes no concentration.
    run, _ = run_folder(tmp_path, case_dir, "vary PARM.DAT:temperature list 2000\n")
    assert species_rows(run / "SPECIES.DAT") == {**species_rows(tmp_path / "case" / "SPECIES.DAT"),
                                                 "CH4": ("1.0E-03", "N")}  # only the mark is gone


def test_pressure_follows_the_files_named_in_the_options(tmp_path):
    case_dir = gas_case(tmp_path / "case", names=("P.DAT", "S.DAT"))
    (tmp_path / "case" / "IGNITION.TXT").write_text("Criterion\tTime(s)\tValue\n")  # of a run there
    run, plan = run_folder(tmp_path, case_dir, "options -PARM:P.DAT -SPEC:S.DAT\nvary pressure list 1\n"
                                                "vary S.DAT:CH4:initial list 3e-6\n")
    assert plan["columns"] == ["pressure", "S.DAT:CH4:initial"]
    written = species_rows(run / "S.DAT")
    gas = 101325 / (R * 1200) * 1e-6
    # The case's own CH4 sets the mole fractions: 3 : 2 : 7.
    assert float(written["CH4"][0]) == pytest.approx(gas * 3 / 12)
    assert float(written["N2"][1]) == pytest.approx(gas * 7 / 12)
    assert not (run / "IGNITION.TXT").exists()


@pytest.mark.parametrize("change, text, message", [
    ({"unit": "PPM"}, "vary pressure list 1\n", "line 1: the concentrations of PARM.DAT are in ppm"),
    ({}, "vary pressure list 0.5 0\n", "line 1: the pressure must stay above 0 atm"),
    ({}, "vary pressure times linear -1 1 3\n", "the pressure must stay above 0 atm"),
    ({"temperature": "T.PRF"}, "vary pressure list 1\n", "the temperature in PARM.DAT is a profile file"),
    ({"species": gas_species(1e-6, "AIR.PRF")}, "seed 1\nvary pressure list 1\n",
     "line 2: N2 is held to the profile AIR.PRF in SPECIES.DAT"),
    ({"species": "CH4\t0\t0\tY\t0\tN\tN\n"}, "vary pressure list 1\n", "a total concentration of 0"),
])
def test_pressures_refused(tmp_path, change, text, message):
    case_dir = gas_case(tmp_path / "case", **change)
    sweep = sweep_of(tmp_path, text)
    with pytest.raises(TarnavelError, match=message):
        make_plan(Case(case_dir, sweep.options), sweep, "/bin/true", case_dir)


@pytest.mark.parametrize("collect, last, ignition", [
    ("collect ignition\n", False, True),
    ("collect ignition\ncollect last\ncollect O3 at 60\n", True, True),
    ("collect O3 at 60\n", False, False),
    ("", True, False),
])
def test_collecting_ignition_delays(tmp_path, collect, last, ignition):
    plan = plan_of(tmp_path, "runs 2\nvary PARM.DAT:temperature list 280 300\n"
                             "vary MODEL.DAT:line 2:k lognormal factor 2\n" + collect)
    assert plan["collect last"] == last and plan.get("collect ignition", False) == ignition
    # The temperature spans the grid; the rate constant is drawn in each run.
    assert plan.get("grid columns") == (["PARM.DAT:temperature"] if ignition else None)
