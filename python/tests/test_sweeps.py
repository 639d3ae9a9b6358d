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
