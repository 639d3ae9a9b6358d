"""The two commands as their users call them: exit statuses and messages, and
whole sweeps through the real simulator (skipped where it is not built) of
the small case folder and of hydrogen ignition at a pressure: prepared, run
case by case as Slurm array tasks run them, and gathered."""
import os
import shutil

import numpy
import pytest

import tarnavel
from conftest import DATA
from tarnavel.cli import default_program, plot_main, sweep_main

PROGRAM = os.environ.get("TARNAVEL_PROGRAM") or default_program()


def test_plot_lists_columns_and_reports_problems_in_one_line(capsys):
    assert plot_main(["--list", "--file", os.path.join(DATA, "run", "SPECRATE.TXT")]) == 0
    assert capsys.readouterr().out.splitlines() == ["NO", "NO Form.", "NO Destruct.", "O3", "O3 Form.",
                                                    "O3 Destruct."]
    assert plot_main(["--file", os.path.join(DATA, "run", "CONC.TXT"), "--species", "NO3", "--out", "x.png"]) == 1
    conc = os.path.join(DATA, "run", "CONC.TXT")
    assert capsys.readouterr().err == f"tarnavel_plot: {conc} has no column 'NO3' (--list shows its columns)\n"
    with pytest.raises(SystemExit) as stop:
        plot_main(["--out", "picture.pdf"])
    assert stop.value.code == 2


def test_sweep_reports_problems_in_one_line(tmp_path, capsys):
    assert sweep_main(["--run-case", str(tmp_path), "one"]) == 1
    assert capsys.readouterr().err == "tarnavel_sweep: --run-case: 'one' is not a case number\n"
    assert sweep_main(["--gather", str(tmp_path)]) == 1
    assert "holds no sweep (no plan.json)" in capsys.readouterr().err


@pytest.mark.skipif(not os.access(PROGRAM, os.X_OK), reason="the simulator is not built")
def test_whole_sweep_as_array_tasks(tmp_path, capsys):
    sweep = tmp_path / "no.sweep"
    sweep.write_text("options -QUIET\nvary SPECIES.DAT:NO:initial list 1e11 6e11\ncollect O3 at 0 60\n")
    folder = str(tmp_path / "sweep")
    args = ["--program", PROGRAM, "--slurm", os.path.join(DATA, "case"), str(sweep), folder]
    assert sweep_main(args, "/opt/tarnavel_sweep") == 0
    assert "#SBATCH --array=1-2" in open(os.path.join(folder, "sweep.slurm")).read()
    for number in ("1", "2"):
        assert sweep_main(["--run-case", folder, number]) == 0
    assert sweep_main(["--gather", folder]) == 0
    assert "2 case(s): 2 ended normally, 0 failed, 0 unfinished" in capsys.readouterr().out
    results = tarnavel.read_results(os.path.join(folder, "results.tsv"))
    numpy.testing.assert_array_equal(results.exit_status, [0, 0])
    numpy.testing.assert_array_equal(results["SPECIES.DAT:NO:initial"], [1e11, 6e11])
    # More NO takes more ozone away: O3 + NO ==> NO2 + O2.
    o3 = results["O3@60"]
    assert results["O3@0"][0] == 7e11 and o3[1] < o3[0] < 7e11
    assert results.unit("O3@60") == "molecules/cm^3"
    run = tarnavel.read_conc(os.path.join(folder, "runs", "case-0002", "CONC.TXT"))
    assert run.columns == ["Time(s)", "NO", "O3"] and run["NO"][0] == 6e11

    # The folder holds this sweep; another one is refused, this one resumes.
    sweep.write_text("options -QUIET\nvary SPECIES.DAT:NO:initial list 1e11 7e11\n")
    assert sweep_main(args) == 1
    assert "holds another sweep" in capsys.readouterr().err
    sweep.write_text("# the same sweep\noptions -QUIET\nvary SPECIES.DAT:NO:initial list 1e11 6e11\n"
                     "collect O3 at 0 60\n")
    assert sweep_main(args) == 0
    assert "every case is finished; nothing to submit" in capsys.readouterr().out


HYDROGEN = os.path.join(os.path.dirname(os.path.dirname(DATA)), os.pardir, "tests", "data")


@pytest.mark.skipif(not os.access(PROGRAM, os.X_OK), reason="the simulator is not built")
def test_ignition_delays_of_hydrogen_at_a_pressure(tmp_path, capsys):
    case = tmp_path / "h2o2"
    shutil.copytree(os.path.join(HYDROGEN, "h2o2"), case)
    shutil.copy(os.path.join(HYDROGEN, "gri30", "gri30_thermo.dat"), case)
    sweep = tmp_path / "ignition.sweep"
    sweep.write_text("options -QUIET -THERM\nvary PARM.DAT:temperature list 1100 1250\nvary pressure list 2\n"
                     "collect ignition\n")
    folder = str(tmp_path / "sweep")
    assert sweep_main(["--program", PROGRAM, "--slurm", str(case), str(sweep), folder], "/opt/tarnavel_sweep") == 0
    for number in ("1", "2"):
        assert sweep_main(["--run-case", folder, number]) == 0
    assert sweep_main(["--gather", folder]) == 0
    results = tarnavel.read_results(os.path.join(folder, "results.tsv"))
    numpy.testing.assert_array_equal(results.exit_status, [0, 0])
    assert results.columns[-3:] == ["max dT/dt", "max [OH]", "T0+400 K"] and results.unit("max dT/dt") == "s"
    delay = results["max dT/dt"]
    assert 0 < delay[1] < delay[0] < 0.01  # the hotter gas ignites sooner
    out = capsys.readouterr().out
    assert ("ignition delay against 1000/T" in out) == (shutil.which("gnuplot") is not None)


@pytest.mark.skipif(not os.access(PROGRAM, os.X_OK), reason="the simulator is not built")
def test_collected_values_are_the_programs_own_at_their_times(tmp_path):
    """A ==> B with k drawn around 0.2 per second: A at 5 s is exp(-5k) in
    every row to the digits of the table, not a line between step ends."""
    case = tmp_path / "decay"
    case.mkdir()
    (case / "PARM.DAT").write_text("# TSTEP\tTSTEP2\tEa\tConc.\t-\n1.0E-9\t1\tKELVIN\tMOLES/L\t0\n298\tNO\t0\t0\t0\n"
                                   "0\t0\t0\t20\t0\nNone1\t1\t1\t1.0E-9\t0\n0\t0\t0\t0\t0\n")
    (case / "SPECIES.DAT").write_text("# Species\tResidence\tInitial\tDisplay\tExternal\tSSA\tFile\n"
                                      "A\t0\t1\tY\t0\tN\tN\nB\t0\t0\tY\t0\tN\tN\n")
    (case / "MODEL.DAT").write_text("# k\treaction\n0.2\tA==>B\n")
    sweep = tmp_path / "mc.sweep"
    sweep.write_text("runs 12\nseed 3\noptions -QUIET -ig:mass\nvary MODEL.DAT:line 2:k lognormal factor 1.5\n"
                     "collect A at 5 7.3\n")
    folder = str(tmp_path / "sweep")
    assert sweep_main(["--program", PROGRAM, "--slurm", str(case), str(sweep), folder], "/opt/tarnavel_sweep") == 0
    for number in range(1, 13):
        assert sweep_main(["--run-case", folder, str(number)]) == 0
    assert sweep_main(["--gather", folder]) == 0
    results = tarnavel.read_results(os.path.join(folder, "results.tsv"))
    k = results["MODEL.DAT:line 2:k"]
    assert len(set(k)) == 12
    for moment in (5, 7.3):
        numpy.testing.assert_allclose(results[f"A@{moment:g}"], numpy.exp(-moment * k), rtol=1e-6, atol=0)
