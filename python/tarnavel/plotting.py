"""Drawing columns of a result file against time: choosing the columns by
name, keeping what a logarithmic axis can show, and making the picture with
gnuplot. Only the picture is written; gnuplot's script and data live in a
temporary folder that is removed afterwards."""

import os
import shutil
import sys
import tempfile

from .errors import PlotError
from .gnuplot import curves_script, run_gnuplot, write_data
from .resultfiles import squeeze

PROG = "tarnavel_plot"  # the command, in its messages


def select(series, requests, path):
    """The series named in the --species values, in the order asked. A value
    lists names separated by commas; a name that itself holds commas (such as
    1,3-C4H6) is recognised whole. Blanks in names need not match exactly."""
    by_name = {}
    for name, points in series:
        by_name.setdefault(name, (name, points))
        by_name.setdefault(squeeze(name), (name, points))
    chosen, unknown = [], []
    for request in requests:
        pieces = request.split(",")
        i = 0
        while i < len(pieces):
            for j in range(len(pieces), i, -1):
                wanted = ",".join(pieces[i:j]).strip()
                found = by_name.get(wanted) or by_name.get(squeeze(wanted))
                if found:
                    break
            if found:
                if found not in chosen:
                    chosen.append(found)
                i = j
            else:
                if pieces[i].strip():
                    unknown.append(pieces[i].strip())
                i += 1
    if unknown:
        listed = ", ".join(f"'{u}'" for u in unknown)
        raise PlotError(f"{path} has no column {listed} (--list shows its columns)")
    return chosen


def drawable(points, logx, logy):
    """The points that the axes can show. Gnuplot would skip non-positive
    values on a logarithmic axis by itself, but it stops with an error when a
    whole curve is left empty, so they are filtered here: a point at a
    non-positive time is dropped, a non-positive value leaves a gap in its
    curve, like a value that was not printed."""
    kept = []
    for time, value in points:
        if logx and time <= 0:
            continue
        if value is not None and logy and value <= 0:
            value = None
        kept.append((time, value))
    return kept


def draw(path, x_title, series, out, picture_format, requests=None, size=(800, 600), title="", ylabel="",
         logx=False, logy=False):
    """Draws the requested series of the file `path` (every series without a
    request) into the picture `out`. Series without a value to show are left
    out, with a note on stderr where they were asked for."""
    chosen = select(series, requests, path) if requests is not None else series
    curves, empty = [], []
    for name, points in chosen:
        points = drawable(points, logx, logy)
        (curves if any(v is not None for _, v in points) else empty).append((name, points))
    if empty and (requests is not None or logy):
        why = "no positive values" if logy else "no values"
        print(f"{PROG}: {path}: left out ({why}): {', '.join(n for n, _ in empty)}", file=sys.stderr)
    if not curves:
        raise PlotError(f"{path}: nothing to draw")

    out_dir = os.path.dirname(os.path.abspath(out))
    if not os.path.isdir(out_dir):
        raise PlotError(f"{out}: no such directory {out_dir}")
    if os.path.isdir(out):
        raise PlotError(f"{out} is a directory")
    if shutil.which("gnuplot") is None:
        raise PlotError("gnuplot is not installed (Debian package gnuplot-nox)")

    with tempfile.TemporaryDirectory(prefix="tarnavel_plot-") as work:
        # gnuplot writes into the temporary directory: a name given by the
        # user never reaches gnuplot (which would treat "|..." as a command),
        # and a failed run leaves no half-written picture.
        picture = os.path.join(work, "picture." + picture_format)
        data = os.path.join(work, "data.txt")
        write_data(data, curves)
        script = curves_script(picture, data, x_title, curves, picture_format, size, title, ylabel, logx, logy)
        run = run_gnuplot(work, script, os.path.join(work, "plot.gp"))
        messages = run.stderr.strip()
        if run.returncode != 0 or not os.path.isfile(picture) or os.path.getsize(picture) == 0:
            raise PlotError("gnuplot failed" + (":\n" + messages if messages else ""))
        if messages:
            print(messages, file=sys.stderr)
        shutil.copyfile(picture, out)
