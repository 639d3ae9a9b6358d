"""Gathering a sweep: results.tsv, one row per case with the varied values,
how the run ended and the collected concentrations, and spread.png, the
median and 5-95 % band of chosen species over time across the runs."""

import bisect
import math
import os
import shutil
import tempfile

from .errors import ResultFileError
from .gnuplot import run_gnuplot, spread_script, write_blocks
from .resultfiles import read_rows, squeeze
from .sweepfolder import PROG, read_plan, read_status, run_dir, write_atomically

NOT_AVAILABLE = "NA"
MAX_PANELS = 12


class Result:
    """The concentration rows of one run, column by title."""

    def __init__(self, path):
        titles, rows = read_rows(path)
        self.titles = titles
        self.columns = {}
        for i, title in enumerate(titles):
            self.columns.setdefault(title, i)
            self.columns.setdefault(squeeze(title), i)
        self.rows = rows
        self.times = [row[0] for row in rows]
        self.cache = {}

    def series(self, name):
        """[(time, value or None), ...] of a column, or None without it."""
        if name not in self.cache:
            i = self.columns.get(name, self.columns.get(squeeze(name)))
            self.cache[name] = None if i is None else [
                (row[0], row[i] if i < len(row) else None) for row in self.rows]
        return self.cache[name]

    def at(self, name, moment):
        """The value at `moment`: a row's own value at its time, else linear in
        time between the rows before and after it; None past the last row."""
        points = self.series(name)
        if points is None:
            return None
        j = bisect.bisect_left(self.times, moment)
        if j == len(points):
            return None
        t1, v1 = points[j]
        if t1 == moment or j == 0:
            return v1 if t1 == moment else None
        t0, v0 = points[j - 1]
        if v0 is None or v1 is None:
            return None
        return v0 + (v1 - v0) * (moment - t0) / (t1 - t0)


def number_text(value):
    return NOT_AVAILABLE if value is None or not math.isfinite(value) else format(value, ".6E")


def results_table(plan, statuses, results):
    """The lines of results.tsv and the counts of finished and failed cases."""
    last_titles = []
    if plan["collect last"]:
        first = next(iter(results.values()), None)
        last_titles = first.titles if first else []
    moments = [(name, moment) for name, moment in plan["collect"]]
    header = (["case", *plan["columns"], "exit status", "message"]
              + [f"{name}@{moment:g}" for name, moment in moments] + [f"{t}@last" for t in last_titles])
    table = ["\t".join(header)]
    finished = failed = 0
    for number, values in enumerate(plan["cases"], start=1):
        record, result = statuses[number], results.get(number)
        if record is None:
            status, message = NOT_AVAILABLE, "not run yet, or interrupted"
        else:
            finished += 1
            status, message = record["exit"], record.get("message", "")
            failed += status != "0"
        collected = []
        for name, moment in moments:
            collected.append(number_text(result.at(name, moment) if result else None))
        for title in last_titles:
            points = result.series(title) if result else None
            collected.append(number_text(points[-1][1] if points else None))
        table.append("\t".join([str(number), *values, status, message.replace("\t", " "), *collected]))
    return table, finished, failed


def gather(sweep_dir):
    """Writes results.tsv and spread.png of a sweep folder; returns the number
    of unfinished cases."""
    plan = read_plan(sweep_dir)
    results, statuses = {}, {}
    for number in range(1, len(plan["cases"]) + 1):
        folder = run_dir(sweep_dir, plan, number)
        record = read_status(folder)
        statuses[number] = record
        if record is not None and record["exit"] == "0":
            try:
                results[number] = Result(os.path.join(folder, plan["output"]))
            except ResultFileError as e:
                record["message"] = f"no results: {e}".replace(folder + os.sep, "")
    table, finished, failed = results_table(plan, statuses, results)
    table_path = os.path.join(sweep_dir, "results.tsv")
    write_atomically(table_path, "\n".join(table) + "\n")
    total = len(plan["cases"])
    print(f"{PROG}: {total} case(s): {finished - failed} ended normally, {failed} failed, "
          f"{total - finished} unfinished")
    print(f"{PROG}: table of results: {table_path}")
    picture = draw_spread(sweep_dir, plan, results)
    if picture:
        print(f"{PROG}: spread over time: {picture}")
    return total - finished


def percentile(ordered, p):
    """The p-quantile (0 to 1) of sorted values, linear between neighbours."""
    position = p * (len(ordered) - 1)
    low = math.floor(position)
    high = min(low + 1, len(ordered) - 1)
    return ordered[low] + (ordered[high] - ordered[low]) * (position - low)


def spread_blocks(results, names):
    """Per name, the lines `time 5% median 95%` across the runs, on the output
    times of all runs (at most 400 of them, evenly chosen)."""
    moments = sorted({t for r in results.values() for t in r.times if math.isfinite(t)})
    if len(moments) > 400:
        moments = [moments[round(i * (len(moments) - 1) / 399)] for i in range(400)]
    blocks = []
    for name in names:
        lines = []
        for moment in moments:
            values = sorted(v for v in (r.at(name, moment) for r in results.values())
                            if v is not None and math.isfinite(v))
            if values:
                lines.append(f"{moment!r}\t{percentile(values, 0.05)!r}\t{percentile(values, 0.5)!r}\t"
                             f"{percentile(values, 0.95)!r}")
        blocks.append(lines)
    return blocks


def draw_spread(sweep_dir, plan, results):
    """spread.png: per species the median and the 5-95 % band across the runs
    that ended normally, on the output times of all of them."""
    if not results:
        print(f"{PROG}: no spread.png: no run ended normally")
        return None
    if shutil.which("gnuplot") is None:
        print(f"{PROG}: no spread.png: gnuplot is not installed (Debian package gnuplot-nox)")
        return None
    first = next(iter(results.values()))
    names = plan["plot"] or list(dict.fromkeys(name for name, _ in plan["collect"])) or first.titles[1:]
    names = [n for n in names if first.series(n) is not None]
    if len(names) > MAX_PANELS:
        print(f"{PROG}: spread.png shows the first {MAX_PANELS} of {len(names)} species (choose with plot)")
        names = names[:MAX_PANELS]
    if not names:
        print(f"{PROG}: no spread.png: the runs wrote none of the species to draw")
        return None
    with tempfile.TemporaryDirectory(prefix="tarnavel_sweep-") as work:
        data, picture = os.path.join(work, "spread.txt"), os.path.join(work, "spread.png")
        write_blocks(data, spread_blocks(results, names))
        run = run_gnuplot(work, spread_script(picture, data, names, len(results)))
        if run.returncode != 0 or not os.path.isfile(picture):
            print(f"{PROG}: no spread.png: gnuplot failed: {run.stderr.strip()}")
            return None
        target = os.path.join(sweep_dir, "spread.png")
        shutil.copyfile(picture, target)
    return target
