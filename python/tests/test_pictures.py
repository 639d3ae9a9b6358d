"""What goes to gnuplot: string literals, data blocks, scripts, and the
choice of columns and points to draw."""
import pytest

from tarnavel.errors import PlotError
from tarnavel.gnuplot import curves_script, gnuplot_string, ignition_script, spread_script, write_data
from tarnavel.plotting import drawable, select


@pytest.mark.parametrize("text, literal", [
    ("NO", "'NO'"),
    ("it's", "'it''s'"),
    ("`rm -rf x` @m \\n", "'`rm -rf x` @m \\n'"),  # single quotes take all of it literally
    ("two\nlines", "'two lines'"),
])
def test_gnuplot_strings(text, literal):
    assert gnuplot_string(text) == literal


def test_data_blocks_break_curves_at_missing_values(tmp_path):
    path = tmp_path / "data.txt"
    write_data(str(path), [("A", [(0.0, None), (1.0, 2.0), (2.0, None), (3.0, None), (4.0, 0.5), (5.0, None)]),
                           ("B", [(0.0, 1e-30)])])
    assert path.read_text() == "1.0\t2.0\n\n4.0\t0.5\n\n\n0.0\t1e-30\n"


def test_curves_script():
    curves = [(f"S{k}", []) for k in range(10)]
    script = curves_script("/w/p.svg", "/w/d.txt", "Time(s)", curves, "svg", (640, 480), "It's", "", True, False)
    lines = script.splitlines()
    assert lines[1] == "set terminal svg size 640,480 noenhanced background '#ffffff'"
    assert "set title 'It''s' noenhanced" in lines and not any("ylabel" in line for line in lines)
    assert "set logscale x" in lines and "unset logscale y" in lines
    plots = script[script.index("plot "):].split(", \\\n")
    assert len(plots) == 10 and plots[0].startswith("plot '/w/d.txt' index 0 ")
    assert plots[9].strip() == "'' index 9 using 1:2 with lines lt 2 dt 2 lw 1.5 title 'S9'"
    png = curves_script("p.png", "d.txt", "t", curves[:1])
    assert "set terminal pngcairo size 800,600 noenhanced font 'sans,10'" in png


@pytest.mark.parametrize("count, layout, size", [(1, "1,1", "420,320"), (3, "1,3", "1260,320"),
                                                 (5, "2,3", "1260,640")])
def test_spread_panels_three_to_a_row(count, layout, size):
    script = spread_script("s.png", "s.txt", [f"S{k}" for k in range(count)], 20)
    assert f"set multiplot layout {layout} title '20 runs: median" in script
    assert f"size {size} " in script and script.count("filledcurves") == count


SERIES = [("NO", []), ("1,3-C4H6", []), ("NO Form.", []), ("O3", [])]


@pytest.mark.parametrize("requests, names", [
    (["NO,O3"], ["NO", "O3"]),
    (["1,3-C4H6,NO"], ["1,3-C4H6", "NO"]),      # a name with commas is taken whole
    (["NOForm.", "NO"], ["NO Form.", "NO"]),    # blanks need not match
    (["O3", "O3,NO"], ["O3", "NO"]),            # each column once
])
def test_columns_chosen_by_name(requests, names):
    assert [name for name, _ in select(SERIES, requests, "F")] == names


def test_unknown_columns_are_named():
    with pytest.raises(PlotError, match="F has no column 'NO3', 'X' \\(--list shows its columns\\)"):
        select(SERIES, ["NO3,NO", "X"], "F")


def test_logarithmic_axes_keep_what_they_can_show():
    points = [(0.0, 1.0), (1.0, -2.0), (2.0, 0.0), (3.0, 5.0), (4.0, None)]
    assert drawable(points, False, False) == points
    assert drawable(points, True, False) == points[1:]
    assert drawable(points, False, True) == [(0.0, 1.0), (1.0, None), (2.0, None), (3.0, 5.0), (4.0, None)]


def test_ignition_panels_keep_each_curves_colour():
    panels = [("max dT/dt", [(0, "pressure 1", 0), (1, "pressure 10", 1)]), ("max [OH]", [(1, "pressure 10", 2)]),
              ("T0+400 K", [(0, "pressure 1", 3)]), ("max [H]", [(9, "pressure 100", 4)])]
    script = ignition_script("i.png", "i.txt", panels, "Ignition delay")
    assert "set multiplot layout 2,3 title 'Ignition delay' noenhanced" in script and "size 1440,720 " in script
    plots = [line for line in script.splitlines() if "index" in line]
    assert plots[0].startswith("plot 'i.txt' index 0 ") and plots[2].startswith("plot 'i.txt' index 2 using 1:2 "
                                                                                 "with linespoints lt 2 dt 1")
    assert "index 4 using 1:2 with linespoints lt 2 dt 2 " in plots[4] and plots[4].endswith("title 'pressure 100'")
    assert "unset key" in ignition_script("i.png", "i.txt", [("max dT/dt", [(0, "", 0)])], "t")
