"""The plan of a sweep: every case with the values it sets, from the sweep file
and the case folder; written to the sweep folder with the run folders of the
unfinished cases."""

import hashlib
import json
import math
import os
import shutil

from .casefolder import PRESSURE, Case
from .description import format_value
from .errors import SweepError
from .sweepfile import DETERMINISTIC, Sweep
from .resultfiles import TIMES_FILE
from .sweepfolder import read_plan, read_status, run_dir, write_atomically

MAX_CASES = 1000000


def uniform(seed, case, label, k):
    """A number in (0, 1) fixed by the seed, the case and the value alone."""
    digest = hashlib.sha256(f"{seed}|{case}|{label}|{k}".encode()).digest()
    return (int.from_bytes(digest[:8], "big") + 0.5) / 2.0 ** 64


def draw(vary, site, seed, case):
    factor = vary.numbers[0]
    if vary.how == "loguniform":
        exponent = 2.0 * uniform(seed, case, site.label, 0) - 1.0
    else:
        u1, u2 = uniform(seed, case, site.label, 0), uniform(seed, case, site.label, 1)
        exponent = math.sqrt(-2.0 * math.log(u1)) * math.cos(2.0 * math.pi * u2)
    return site.nominal * factor ** exponent


def make_plan(case, sweep, program, case_dir):
    governing = {}  # label -> Vary
    first_named = {}  # label -> the first vary line that covers it, for the order of the columns
    for vary in sweep.varies:
        where = f"{sweep.path} line {vary.number}"
        vary.sites = case.resolve(vary.target, where)
        explicit = vary.target not in ("all-rates", "marked")
        for site in vary.sites:
            first_named.setdefault(site.label, vary.number)
            earlier = governing.get(site.label)
            if earlier is not None and explicit and earlier.target not in ("all-rates", "marked"):
                raise SweepError(f"{where}: {site.label} is already varied on line {earlier.number}")
            if earlier is None or explicit or earlier.target in ("all-rates", "marked"):
                governing[site.label] = vary
            if site.role in ("PARM", PRESSURE) and vary.how in DETERMINISTIC:
                lowest = min(vary.numbers) * (site.nominal if vary.times else 1.0)
                if lowest <= 0:
                    raise SweepError(f"{where}: the temperature must stay above 0 K" if site.role == "PARM"
                                     else f"{where}: the pressure must stay above 0 atm")
    shown = [(name, None, sweep.plot_where) for name in sweep.plot or []]
    for name, moment, where in sweep.collect + shown:
        if name not in case.species and name not in ("Temperature(K)", "Volume"):
            raise SweepError(f"{where}: unknown species '{name}': it is not in {case.names['SPECIES']}")
        if name in case.species and not case.species[name][0]:
            raise SweepError(f"{where}: {name} is not displayed (column 4 of {case.names['SPECIES']}), "
                             f"so the runs do not write it")
        if moment is not None and not 0 <= moment <= case.span:
            raise SweepError(f"{where}: time {moment:g} s lies outside the simulated 0 to {case.span:g} s")
    order = {s.label: i for i, s in enumerate(case.sites.values())}
    columns = sorted(governing, key=lambda label: (first_named[label], order[label]))
    axes = [v for v in sweep.varies if v.how in DETERMINISTIC and any(governing[s.label] is v for s in v.sites)]
    grid = math.prod(len(v.numbers) for v in axes)
    runs = sweep.runs or 1
    if grid * runs > MAX_CASES:
        raise SweepError(f"{sweep.path}: {grid * runs} cases are more than {MAX_CASES}")
    cases = []
    for index in range(grid * runs):
        number = index + 1
        point, chosen = index // runs, {}
        for vary in reversed(axes):
            chosen[id(vary)] = vary.numbers[point % len(vary.numbers)]
            point //= len(vary.numbers)
        values = []
        for label in columns:
            vary, site = governing[label], case.sites[label]
            if vary.random:
                value = draw(vary, site, sweep.seed, number)
            else:
                value = chosen[id(vary)] * (site.nominal if vary.times else 1.0)
            values.append(format_value(value))
        cases.append(values)
    plan = {
        "case folder": os.path.abspath(case_dir),
        "inputs": case.fingerprint(),
        "sweep file": sweep.text,
        "program": os.path.abspath(program),
        "options": sweep.options,
        "timeout": sweep.timeout,
        "output": case.output,
        "columns": columns,
        "cases": cases,
        "collect": [[name, moment] for name, moment, _ in sweep.collect],
        "collect last": sweep.collect_last,
        "plot": sweep.plot,
        "slurm": sweep.slurm,
    }
    moments = sorted({moment for _, moment, _ in sweep.collect})
    if moments:
        # Every run ends a step on each collected time and writes its values
        # there to ATTIMES.TXT (-TIMES: with a file of the times, which the
        # run folders carry): the table takes the program's own values.
        plan["options"] = [*sweep.options, f"-TIMES:{TIMES_FILE}"]
        plan["times"] = moments
    if sweep.collect_ignition:
        # The varied values that span the grid: ignition.png draws a curve per
        # point of the grid (the temperature aside) and takes the median of
        # the random draws there.
        plan["collect ignition"] = True
        plan["grid columns"] = [label for label in columns if not governing[label].random]
    return plan


def prepare(case_dir, sweep_path, sweep_dir, program):
    """Reads the request, writes or checks the plan, and writes the run folder
    of every unfinished case afresh. Returns the plan and the unfinished cases."""
    sweep = Sweep(sweep_path)
    case = Case(case_dir, sweep.options)
    if not os.access(program, os.X_OK):
        raise SweepError(f"{program}: no such program (build it, or give --program)")
    plan = make_plan(case, sweep, program, case_dir)
    plan_path = os.path.join(sweep_dir, "plan.json")
    if os.path.exists(plan_path):
        # The sweep file's own text may differ (comments); what it asks may not.
        stored = read_plan(sweep_dir)
        if {k: v for k, v in stored.items() if k != "sweep file"} != {k: v for k, v in plan.items()
                                                                     if k != "sweep file"}:
            raise SweepError(f"{sweep_dir} holds another sweep (its sweep file, case folder files or program "
                             f"differ); choose a new folder or remove this one")
    else:
        os.makedirs(os.path.join(sweep_dir, "runs"), exist_ok=True)
        write_atomically(plan_path, json.dumps(plan, indent=1) + "\n")
    pending = []
    for number, values in enumerate(plan["cases"], start=1):
        folder = run_dir(sweep_dir, plan, number)
        if read_status(folder) is not None:
            continue
        shutil.rmtree(folder, ignore_errors=True)
        case.copy_into(folder, dict(zip(plan["columns"], values)))
        if plan.get("times"):
            with open(os.path.join(folder, TIMES_FILE), "w", encoding="utf-8") as f:
                f.write("".join(f"{moment!r}\n" for moment in plan["times"]))
        pending.append(number)
    return plan, pending
