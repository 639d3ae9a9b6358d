"""Gathering a sweep folder into results.tsv, and reading it back."""
import json
import math
import os

import numpy
import pytest

import tarnavel
from conftest import DATA
from tarnavel import gathering
from tarnavel.gathering import Result, gather, percentile

CONC = " Time(s)  \tNO \tO3 \t\n  0.0\t  1.0\t 5.0\t\n 600.0\t  3.0\t ******\t\n 1200.0\t 2.0\t 4.0\t\n"


def test_values_between_rows_are_linear_in_time(tmp_path):
    path = tmp_path / "CONC.TXT"
    path.write_text(CONC)
    result = Result(str(path))
    cases = [("NO", 0, 1.0), ("NO", 150, 1.5), ("NO", 600, 3.0), ("NO", 900, 2.5), ("NO", 1200, 2.0),
             ("NO", 1201, None), ("N O", 600, 3.0), ("O3", 600, None), ("O3", 300, None), ("NO2", 0, None)]
    assert [result.at(name, moment) for name, moment, _ in cases] == [v for _, _, v in cases]


@pytest.mark.parametrize("values, p, quantile", [
    ([1.0], 0.05, 1.0), ([1.0, 2.0, 3.0], 0.5, 2.0), ([0.0, 10.0], 0.95, 9.5), ([0.0, 10.0, 20.0], 0.25, 5.0),
])
def test_percentiles(values, p, quantile):
    assert percentile(values, p) == pytest.approx(quantile)


def make_sweep(folder, collect, collect_last, runs):
    """A sweep folder whose runs left the given (status record, CONC.TXT text)."""
    plan = {"case folder": os.path.join(DATA, "case"), "options": [], "output": "CONC.TXT",
            "columns": ["PARM.DAT:temperature", "SPECIES.DAT:NO:initial"],
            "cases": [["280", "1e+11"], ["290", "2e+11"], ["300", "3e+11"], ["310", "4e+11"]],
            "collect": collect, "collect last": collect_last, "plot": None}
    (folder / "plan.json").write_text(json.dumps(plan))
    for number, (status, conc) in enumerate(runs, start=1):
        run = folder / "runs" / f"case-{number:04d}"
        run.mkdir(parents=True)
        if status is not None:
            (run / "status.txt").write_text(status)
        if conc is not None:
            (run / "CONC.TXT").write_text(conc)


def test_table_of_a_sweep_with_failed_and_unfinished_runs(tmp_path, monkeypatch, capsys):
    monkeypatch.setattr(gathering.shutil, "which", lambda name: None)
    make_sweep(tmp_path, [["NO", 300.0], ["O3", 1200.0]], True, [
        ("exit\t0\nmessage\t\nseconds\t0.1\n", CONC),
        ("exit\t1\nmessage\tFATAL Error # 12: No such file\tsomewhere\n", None),
        (None, None),
        ("exit\t0\nmessage\t\n", None),
    ])
    assert gather(str(tmp_path)) == 1
    lines = (tmp_path / "results.tsv").read_text().splitlines()
    assert lines[0].split("\t") == ["case", "PARM.DAT:temperature", "SPECIES.DAT:NO:initial", "exit status",
                                    "message", "NO@300", "O3@1200", "Time(s)@last", "NO@last", "O3@last"]
    assert lines[1].split("\t") == ["1", "280", "1e+11", "0", "", "2.000000E+00", "4.000000E+00",
                                    "1.200000E+03", "2.000000E+00", "4.000000E+00"]
    assert lines[2].split("\t")[3:6] == ["1", "FATAL Error # 12: No such file somewhere", "NA"]
    assert lines[3].split("\t")[3:5] == ["NA", "not run yet, or interrupted"]
    assert lines[4].split("\t")[3:5] == ["0", "no results: CONC.TXT: no such file"]
    out = capsys.readouterr().out
    assert "4 case(s): 2 ended normally, 1 failed, 1 unfinished" in out and "gnuplot is not installed" in out

    results = tarnavel.read_results(str(tmp_path / "results.tsv"))
    assert "message" not in results.columns and results.messages[2] == "not run yet, or interrupted"
    numpy.testing.assert_array_equal(results.cases, [1, 2, 3, 4])
    assert results.exit_status[1] == 1 and math.isnan(results.exit_status[2])
    assert results["NO@300"][0] == 2.0 and numpy.isnan(results["NO@300"][1:]).all()
    # Concentrations take the unit of the case folder's parameter file.
    assert results.units == [None, "K", "molecules/cm^3", None, "molecules/cm^3", "molecules/cm^3", "s",
                             "molecules/cm^3", "molecules/cm^3"]


def test_a_sweep_without_any_finished_run(tmp_path, capsys):
    make_sweep(tmp_path, [], True, [])
    assert gather(str(tmp_path)) == 4
    assert "no spread.png: no run ended normally" in capsys.readouterr().out
    results = tarnavel.read_results(str(tmp_path / "results.tsv"))
    assert results.data.shape == (4, 4) and results.columns[-1] == "exit status"


def test_results_reader_refuses_other_tables(tmp_path):
    path = tmp_path / "results.tsv"
    path.write_text(CONC)
    with pytest.raises(tarnavel.ResultFileError, match="is not the results.tsv of a sweep"):
        tarnavel.read_results(str(path))


def ignition_file(*rows):
    """IGNITION.TXT as the program writes it: (criterion, time or None)."""
    def number(value):
        return "NA" if value is None else f" {value:.8E}"
    return "Criterion\tTime(s)\tValue\n" + "".join(
        f"{name}\t{number(t)}\t{number(None if t is None else 1.5e3)}\n" for name, t in rows)


def ignition_sweep(folder, runs, columns=("PARM.DAT:temperature", "pressure"), cases=None, **plan):
    """A sweep folder whose runs left (exit status, IGNITION.TXT text or None)."""
    cases = cases or [["1000", "1"], ["1250", "1"], ["1000", "10"], ["1250", "10"], ["1500", "10"]]
    plan = {"case folder": os.path.join(DATA, "case"), "options": [], "output": "CONC.TXT",
            "columns": list(columns), "cases": cases[:len(runs)], "collect": [], "collect last": False,
            "plot": None, "collect ignition": True, **plan}
    (folder / "plan.json").write_text(json.dumps(plan))
    for number, (status, ignition) in enumerate(runs, start=1):
        run = folder / "runs" / f"case-{number:04d}"
        run.mkdir(parents=True)
        (run / "status.txt").write_text(f"exit\t{status}\nmessage\t{'' if status == 0 else 'failed'}\n")
        (run / "CONC.TXT").write_text(CONC)
        if ignition is not None:
            (run / "IGNITION.TXT").write_text(ignition)


def test_ignition_delays_in_the_table(tmp_path, monkeypatch, capsys):
    monkeypatch.setattr(gathering.shutil, "which", lambda name: None)
    ignition_sweep(tmp_path, [
        (0, ignition_file(("max dT/dt", 3.2612341e-3), ("max [OH]", 3.27e-3), ("T0+400 K", 3.25e-3))),
        (0, ignition_file(("max dT/dt", None), ("max [OH]", 1e-4), ("max [1,3-C4H6]", 2e-4),
                          ("T0+400 K", None))),
        (1, ignition_file(("max dT/dt", 1e-5), ("T0+400 K", 1e-5))),  # a failed run counts for nothing
        (0, None),
        (0, "a file of another kind\n"),
    ])
    assert gather(str(tmp_path)) == 0
    lines = [line.split("\t") for line in (tmp_path / "results.tsv").read_text().splitlines()]
    assert lines[0][5:] == ["max dT/dt", "max [OH]", "T0+400 K", "max [1,3-C4H6]"]
    assert lines[1][5:] == ["3.261234E-03", "3.270000E-03", "3.250000E-03", "NA"]
    assert lines[2][5:] == ["NA", "1.000000E-04", "NA", "2.000000E-04"]
    assert lines[3][5:] == lines[4][5:] == lines[5][5:] == ["NA"] * 4
    assert lines[5][4] == "no ignition delays: IGNITION.TXT does not begin with the line Criterion, Time(s), Value"
    assert "no ignition.png: gnuplot is not installed" in capsys.readouterr().out
    results = tarnavel.read_results(str(tmp_path / "results.tsv"))
    assert results.units[1:3] == ["K", "atm"] and results.units[4:] == ["s"] * 4
    assert results["max [OH]"][1] == 1e-4


def test_runs_without_ignition_delays(tmp_path, capsys):
    ignition_sweep(tmp_path, [(0, None), (0, None)])
    gather(str(tmp_path))
    out = capsys.readouterr().out
    assert "no ignition delays: the runs wrote no IGNITION.TXT (the model's temperature is not integrated" in out
    assert "ignition.png" not in out
    lines = [line.split("\t") for line in (tmp_path / "results.tsv").read_text().splitlines()]
    assert lines[0][5:] == ["max dT/dt", "T0+400 K"] and lines[1][5:] == ["NA", "NA"]


def test_ignition_curves_per_grid_point_with_medians_of_the_draws():
    plan = {"columns": ["pressure", "MODEL.DAT:line 2:k", "PARM.DAT:temperature"],
            "grid columns": ["pressure", "PARM.DAT:temperature"],
            "cases": [["1", "1e-14", "1000"], ["1", "2e-14", "1000"], ["1", "4e-14", "1000"],
                      ["1", "1e-14", "1250"], ["1", "3e-14", "1250"],
                      ["10", "1e-14", "1000"], ["10", "1e-14", "800"]]}
    ignitions = {1: {"max dT/dt": 3.0, "T0+400 K": 2.0}, 2: {"max dT/dt": 1.0, "T0+400 K": None},
                 3: {"max dT/dt": 2.0, "T0+400 K": 0.0}, 4: {"max dT/dt": 0.5}, 5: None,
                 6: {"max dT/dt": None}, 7: {"max dT/dt": 0.25}}
    temperature, curves = gathering.ignition_curves(plan, ignitions)
    assert temperature == "PARM.DAT:temperature"
    assert curves["max dT/dt"] == [("pressure 1", [(0.8, 0.5), (1.0, 2.0)]), ("pressure 10", [(1.25, 0.25)])]
    assert curves["T0+400 K"] == [("pressure 1", [(1.0, 2.0)]), ("pressure 10", [])]
    assert gathering.ignition_curves({**plan, "columns": ["pressure"]}, ignitions) == (None, {})


@pytest.mark.skipif(gathering.shutil.which("gnuplot") is None, reason="gnuplot is not installed")
def test_ignition_picture(tmp_path, capsys):
    delays = [(1000, 1, 3e-3), (1250, 1, 4e-4), (1000, 10, 6e-4), (1250, 10, 8e-5), (1500, 10, 2e-5)]
    ignition_sweep(tmp_path, [(0, ignition_file(("max dT/dt", t), ("max [OH]", 1.1 * t), ("T0+400 K", None)))
                              for _, _, t in delays[:4]] + [(2, None)])
    gather(str(tmp_path))
    picture = tmp_path / "ignition.png"
    assert f"tarnavel_sweep: ignition delay against 1000/T: {picture}\n" in capsys.readouterr().out
    data = picture.read_bytes()
    assert data.startswith(b"\x89PNG\r\n\x1a\n") and len(data) > 5000
    assert [p.name for p in tmp_path.iterdir() if p.name.startswith(".part-")] == []
    # Only the delays are collected: no spread over time of every species.
    assert not (tmp_path / "spread.png").exists()
