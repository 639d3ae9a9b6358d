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
