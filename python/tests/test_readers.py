"""Reading result files: Fortran fields, titles, units and the layouts of
CONC.TXT, SPECRATE.TXT and SYSTEMOUT.TXT, as text rows and as arrays."""
import math
import os

import numpy
import pytest

import tarnavel
from conftest import DATA
from tarnavel.resultfiles import parse_value, read_rows, series_of

RUN = os.path.join(DATA, "run")


@pytest.mark.parametrize("field, value", [
    ("  0.246000E+12", 2.46e11),
    ("  0.100000+101", 1e100),        # Fortran drops the E of a three-digit exponent
    ("  0.500000-100", 5e-101),
    ("1.5D+03", 1500.0),
    ("-.25", -0.25),
    ("   106948.    ", 106948.0),
    ("-Infinity", -math.inf),
    ("**************", None),         # an overflowed field
    ("END", None),
    ("NA", None),
    ("", None),
    ("1.2.3", None),
])
def test_printed_fields(field, value):
    assert parse_value(field) == value


def test_conc_columns_units_and_values():
    conc = tarnavel.read_conc(os.path.join(RUN, "CONC.TXT"))
    assert conc.columns == ["Time(s)", "NO", "O3", "CH2(S)", "Temperature(K)"]
    # "mol / l" in PARM.DAT beside it is one of the program's spellings of mol/L.
    assert conc.units == ["s", "mol/L", "mol/L", "mol/L", "K"]
    assert conc.data.shape == (3, 5)  # the END line is no data row
    numpy.testing.assert_array_equal(conc.time, [0.0, 600.0, 1200.0])
    assert conc["NO"][1] == 1e100 and conc["O3"][1] == 5e-101
    assert math.isnan(conc["CH2(S)"][1])
    # The unit of a title may be left out; blanks need not match.
    numpy.testing.assert_array_equal(conc["Temperature"], conc["Temperature (K)"])
    assert conc.unit("CH2(S)") == "mol/L" and "CH2 (S)" in conc and "CH2" not in conc
    with pytest.raises(KeyError, match="no column 'NO3'"):
        conc["NO3"]


def test_concentration_units_unknown_without_a_parameter_file(tmp_path):
    path = tmp_path / "CONC.TXT"
    path.write_text(open(os.path.join(RUN, "CONC.TXT")).read())
    conc = tarnavel.read_conc(str(path))
    assert conc.units == ["s", None, None, None, "K"]
    assert tarnavel.read_conc(str(path), parm=os.path.join(RUN, "PARM.DAT")).unit("NO") == "mol/L"


def test_species_rates_are_named_after_their_species():
    rates = tarnavel.read_table(os.path.join(RUN, "SPECRATE.TXT"))
    assert rates.columns == ["Time(s)", "NO", "NO Form.", "NO Destruct.", "O3", "O3 Form.", "O3 Destruct."]
    assert set(rates.units[1:]) == {"mol/L/s"}
    numpy.testing.assert_array_equal(rates["O3 Destruct."], [-0.25, -0.25])


def test_per_reaction_lines_become_one_row_per_time():
    system = tarnavel.read_table(os.path.join(RUN, "SYSTEMOUT.TXT"))
    assert system.columns == ["Time(s)", "Temperature(K)", "k(f) 1", "k(f) 2", "Enthalpy (H/RT) 1",
                              "Enthalpy (H/RT) 2", "Kc 1", "Kc 2"]
    assert system.units == ["s", "K", None, None, "1", "1", None, None]
    numpy.testing.assert_array_equal(system.time, [0.0, 600.0])
    numpy.testing.assert_array_equal(system["Temperature"], [298.0, 299.0])
    numpy.testing.assert_array_equal(system["k(f) 2"], [1.5e-14, 1.6e-14])
    # Reaction 1 has a line at the start only and no thermodynamic fields.
    assert system["k(f) 1"][0] == 8e-3 and math.isnan(system["k(f) 1"][1])
    assert numpy.isnan(system["Kc 1"]).all()


def test_series_of_wide_and_per_reaction_files():
    titles, rows = read_rows(os.path.join(RUN, "SYSTEMOUT.TXT"))
    series = dict(series_of(titles, rows))
    assert series["Temperature(K)"] == [(0.0, 298.0), (600.0, 299.0)]
    assert series["k(f) 1"] == [(0.0, 8e-3)]
    titles, rows = read_rows(os.path.join(RUN, "CONC.TXT"))
    assert dict(series_of(titles, rows))["CH2(S)"] == [(0.0, 0.0), (600.0, None), (1200.0, 1e-12)]


def test_other_delimiters_are_found_from_the_titles(tmp_path):
    path = tmp_path / "CONC.TXT"
    path.write_text(" Time(s)  | NO | O3 |\n 0.0| 1.0| 2.0|\n 10.0| 3.0| 4.0|\n")
    conc = tarnavel.read_conc(str(path))
    assert conc.columns == ["Time(s)", "NO", "O3"]
    numpy.testing.assert_array_equal(conc.data, [[0, 1, 2], [10, 3, 4]])


@pytest.mark.parametrize("text, message", [
    ("", "is empty"),
    ("   \n1\t2\n", "is empty"),
    ("0.0\t1.0\n1.0\t2.0\n", "does not begin with a line of column titles"),
    ("Time(s)\n0\n", "does not begin with a line of column titles"),
    (" Time(s)\tNO\t\nEND\n", "has no data rows"),
])
def test_files_that_are_no_tables(tmp_path, text, message):
    path = tmp_path / "CONC.TXT"
    path.write_text(text)
    with pytest.raises(tarnavel.ResultFileError, match=message):
        tarnavel.read_table(str(path))


def test_missing_file():
    with pytest.raises(tarnavel.ResultFileError, match="nowhere.txt: no such file"):
        tarnavel.read_table("nowhere.txt")
