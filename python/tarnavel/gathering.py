"""Gathering a sweep: results.tsv, one row per case with the varied values,
how the run ended, the collected concentrations and the ignition delays;
spread.png, the median and 5-95 % band of chosen species over time across
the runs; and ignition.png, the ignition delays against 1000/T."""

import bisect
import math
import os
import shutil
import statistics
import tempfile

from .errors import ResultFileError
from .gnuplot import ignition_script, run_gnuplot, spread_script, write_blocks
from .resultfiles import AT_TIMES_FILE, DELIMITERS, display_name, parse_value, read_rows, squeeze
from .sweepfolder import PROG, read_plan, read_status, run_dir, write_atomically

NOT_AVAILABLE = "NA"
MAX_PANELS = 12
MAX_IGNITION_PANELS = 6

IGNITION_FILE = "IGNITION.TXT"
# The criteria of every run that integrates the temperature, first and last in
# its IGNITION.TXT (the species maxima stand between them): the columns of a
# sweep none of whose runs wrote the file.
FIXED_CRITERIA = ("max dT/dt", "T0+400 K")
NO_IGNITION_NOTE = (f"the runs wrote no {IGNITION_FILE} (the model's temperature is not integrated: a "
                    f"thermodynamic run with -THERM and a numeric temperature is needed)")


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

    def exactly_at(self, name, moment):
        """The value of a row written at `moment` itself (to the ten digits
        ATTIMES.TXT gives times in), else None."""
        points = self.series(name)
        if points is None:
            return None
        j = bisect.bisect_left(self.times, moment * (1.0 - 1.0e-9) if moment > 0 else moment)
        for t, v in points[j:j + 2]:
            if abs(t - moment) <= 1.0e-9 * abs(moment):
                return v
        return None

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


def read_ignition(path):
    """The ignition delays of a run's IGNITION.TXT, {criterion: seconds or
    None}, in the order of its rows; None where the run wrote none. A row is
    the criterion, its time and the value there; NA (not met) reads as None."""
    try:
        with open(path, encoding="utf-8", errors="replace") as f:
            lines = f.read().splitlines()
    except FileNotFoundError:
        return None
    except OSError as e:
        raise ResultFileError(f"{path}: {e.strerror}")
    if not lines or not lines[0].strip().startswith("Criterion"):
        raise ResultFileError(f"{path} does not begin with the line Criterion, Time(s), Value")
    delim = next((d for d in DELIMITERS if d in lines[0]), "\t")
    delays = {}
    for line in lines[1:]:
        fields = line.split(delim)
        if len(fields) < 3:
            continue
        # A species name may hold the delimiter: the criterion is all but the last two fields.
        criterion = display_name(delim.join(fields[:-2]))
        value = parse_value(fields[-2])
        delays.setdefault(criterion, value if value is not None and math.isfinite(value) else None)
    return delays


def ignition_titles(ignitions):
    """The criteria of all runs, each once, in the order they come first."""
    titles = list(dict.fromkeys(c for delays in ignitions.values() if delays for c in delays))
    return titles or list(FIXED_CRITERIA)


def number_text(value):
    return NOT_AVAILABLE if value is None or not math.isfinite(value) else format(value, ".6E")


def collected_value(result, exact, name, moment):
    """A species at a collected time: the program's own value there from
    ATTIMES.TXT, or (a run of a sweep made before the runs wrote that file)
    linear in time between the rows of CONC.TXT."""
    if exact is not None:
        value = exact.exactly_at(name, moment)
        if value is not None:
            return value
    return result.at(name, moment) if result else None


def results_table(plan, statuses, results, ignitions=None, exact=None):
    """The lines of results.tsv and the counts of finished and failed cases.
    `ignitions` holds the delays of each run that ended normally (None for a
    run without IGNITION.TXT), `exact` the values of ATTIMES.TXT per run."""
    exact = exact or {}
    last_titles = []
    if plan["collect last"]:
        first = next(iter(results.values()), None)
        last_titles = first.titles if first else []
    moments = [(name, moment) for name, moment in plan["collect"]]
    ignitions = ignitions or {}
    criteria = ignition_titles(ignitions) if plan.get("collect ignition") else []
    header = (["case", *plan["columns"], "exit status", "message"]
              + [f"{name}@{moment:g}" for name, moment in moments] + [f"{t}@last" for t in last_titles]
              + criteria)
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
            collected.append(number_text(collected_value(result, exact.get(number), name, moment)))
        for title in last_titles:
            points = result.series(title) if result else None
            collected.append(number_text(points[-1][1] if points else None))
        delays = ignitions.get(number) or {}
        collected += [number_text(delays.get(criterion)) for criterion in criteria]
        table.append("\t".join([str(number), *values, status, message.replace("\t", " "), *collected]))
    return table, finished, failed


def gather(sweep_dir):
    """Writes results.tsv, spread.png and ignition.png of a sweep folder;
    returns the number of unfinished cases."""
    plan = read_plan(sweep_dir)
    results, statuses, ignitions, exact = {}, {}, {}, {}
    for number in range(1, len(plan["cases"]) + 1):
        folder = run_dir(sweep_dir, plan, number)
        record = read_status(folder)
        statuses[number] = record
        if record is not None and record["exit"] == "0":
            problems = []
            try:
                results[number] = Result(os.path.join(folder, plan["output"]))
            except ResultFileError as e:
                problems.append(f"no results: {e}".replace(folder + os.sep, ""))
            at_times = os.path.join(folder, AT_TIMES_FILE)
            if plan.get("times") and os.path.isfile(at_times):
                try:
                    exact[number] = Result(at_times)
                except ResultFileError as e:
                    problems.append(f"no values at the collected times: {e}".replace(folder + os.sep, ""))
            if plan.get("collect ignition"):
                try:
                    ignitions[number] = read_ignition(os.path.join(folder, IGNITION_FILE))
                except ResultFileError as e:
                    ignitions[number] = {}  # written, but not as the program writes it
                    problems.append(f"no ignition delays: {e}".replace(folder + os.sep, ""))
            if problems:
                record["message"] = "; ".join(problems)
    table, finished, failed = results_table(plan, statuses, results, ignitions, exact)
    table_path = os.path.join(sweep_dir, "results.tsv")
    write_atomically(table_path, "\n".join(table) + "\n")
    total = len(plan["cases"])
    print(f"{PROG}: {total} case(s): {finished - failed} ended normally, {failed} failed, "
          f"{total - finished} unfinished")
    print(f"{PROG}: table of results: {table_path}")
    picture = draw_spread(sweep_dir, plan, results)
    if picture:
        print(f"{PROG}: spread over time: {picture}")
    if plan.get("collect ignition"):
        if ignitions and all(delays is None for delays in ignitions.values()):
            print(f"{PROG}: no ignition delays: {NO_IGNITION_NOTE}")
        picture = draw_ignition(sweep_dir, plan, ignitions)
        if picture:
            print(f"{PROG}: ignition delay against 1000/T: {picture}")
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
    that ended normally, on the output times of all of them. A sweep that
    collects only ignition delays draws it only for the species of `plot`."""
    if plan.get("collect ignition") and not plan["plot"] and not plan["collect"] and not plan["collect last"]:
        return None
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
        install_picture(picture, target)
    return target


def install_picture(picture, target):
    """Puts a finished picture in place in one step: a reader sees the old
    picture or the new one, never part of it."""
    fd, scratch = tempfile.mkstemp(dir=os.path.dirname(target), prefix=".part-", suffix=".png")
    os.close(fd)
    try:
        shutil.copyfile(picture, scratch)
        os.replace(scratch, target)
    except BaseException:
        os.unlink(scratch)
        raise


def ignition_curves(plan, ignitions):
    """What ignition.png draws: the temperature's column, and per criterion
    the curves [(key, [(1000/T, delay), ...]), ...] in the order of the grid,
    one per point of the other grid values (their labels and values joined
    in the key), points in order of 1000/T. Where random draws repeat a grid
    point, a point is the median of the delays of the runs at its
    temperature (a temperature drawn at random gives each run a point of its
    own, joined in order of 1000/T like the rest). Runs that failed, criteria not met and delays of 0 or less
    (which no logarithmic axis shows) are left out. None without a varied
    temperature."""
    columns = plan["columns"]
    temperature = next((c for c in columns if c.endswith(":temperature")), None)
    if temperature is None:
        return None, {}
    others = [c for c in plan.get("grid columns", columns) if c != temperature]
    at = {c: columns.index(c) for c in [temperature, *others]}
    criteria = ignition_titles(ignitions)
    groups = {}  # key -> kelvin -> criterion -> [delays]
    for number, values in enumerate(plan["cases"], start=1):
        delays = ignitions.get(number)
        if not delays:
            continue
        key = ", ".join(f"{c} {values[at[c]]}" for c in others)
        kelvin = float(values[at[temperature]])
        found = groups.setdefault(key, {}).setdefault(kelvin, {})
        for criterion, delay in delays.items():
            if delay is not None and delay > 0:
                found.setdefault(criterion, []).append(delay)
    curves = {}
    for criterion in criteria:
        curves[criterion] = [(key, sorted((1000.0 / kelvin, statistics.median(found[criterion]))
                                          for kelvin, found in by_kelvin.items() if found.get(criterion)))
                             for key, by_kelvin in groups.items()]
    return temperature, curves


def draw_ignition(sweep_dir, plan, ignitions):
    """ignition.png: per criterion (a panel each, at most six) the ignition
    delay on a logarithmic axis against 1000/T, a curve per point of the
    other grid values. Drawn when the temperature is varied and a run wrote
    IGNITION.TXT."""
    temperature, curves = ignition_curves(plan, ignitions)
    if temperature is None or not any(ignitions.values()):
        return None
    if shutil.which("gnuplot") is None:
        print(f"{PROG}: no ignition.png: gnuplot is not installed (Debian package gnuplot-nox)")
        return None
    panels = [(criterion, lines) for criterion, lines in curves.items() if any(points for _, points in lines)]
    if not panels:
        print(f"{PROG}: no ignition.png: no run met an ignition criterion")
        return None
    if len(panels) > MAX_IGNITION_PANELS:
        print(f"{PROG}: ignition.png shows the first {MAX_IGNITION_PANELS} of {len(panels)} criteria")
        panels = panels[:MAX_IGNITION_PANELS]
    repeated = len(plan.get("grid columns", plan["columns"])) < len(plan["columns"])
    title = "Ignition delay" + (": median of the runs at each temperature" if repeated else "")
    blocks, drawn = [], []
    for criterion, lines in panels:
        shown = []
        for k, (key, points) in enumerate(lines):
            if points:
                shown.append((k, key, len(blocks)))
                blocks.append([f"{x!r}\t{y!r}" for x, y in points])
        drawn.append((criterion, shown))
    with tempfile.TemporaryDirectory(prefix="tarnavel_sweep-") as work:
        data, picture = os.path.join(work, "ignition.txt"), os.path.join(work, "ignition.png")
        write_blocks(data, blocks)
        run = run_gnuplot(work, ignition_script(picture, data, drawn, title))
        if run.returncode != 0 or not os.path.isfile(picture):
            print(f"{PROG}: no ignition.png: gnuplot failed: {run.stderr.strip()}")
            return None
        target = os.path.join(sweep_dir, "ignition.png")
        install_picture(picture, target)
    return target
