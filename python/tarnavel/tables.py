"""Result files as numpy arrays, with the names and units of their columns.

    conc = read_conc("CONC.TXT")        # or read_table("SPECRATE.TXT"), ...
    conc.columns                         # ['Time(s)', 'NO', 'NO2', ...]
    conc.units                           # ['s', 'molecules/cm^3', ...]
    conc["O3"], conc.time                # 1-D arrays over the output times
    results = read_results("build/mc/results.tsv")

Every table's `data` has one row per output time (per case in results.tsv)
and one column per name; a field without a number (an overflowed field
printed as asterisks, NA) is NaN. Names are those tarnavel_plot lists:
SPECRATE.TXT names formation and destruction after their species
("NO Form.", "NO Destruct."); SYSTEMOUT.TXT, which has one line per reaction
and time, becomes one row per time, each reaction's values in columns named
by the reaction's counter ("k(f) 3").

Units come from the titles where they carry one (Time(s), Temperature(K),
Gas Density (g/L)) and otherwise from what the program writes there:
concentrations are in the parameter file's unit (read from PARM.DAT beside
the result file, or the file given as `parm`; in a constant-pressure run
they are amounts per unit initial volume), rates in that unit per second.
A unit that is not known is None: the reaction-dependent units of rate
constants and equilibrium constants, or the concentrations of a run whose
parameter file is not found. Dimensionless ratios (H/RT) have the unit "1".
"""

import json
import math
import os
import re

from .description import DEFAULT_NAMES, concentration_unit
from .errors import ResultFileError
from .resultfiles import REACTION_COLUMN, parse_value, read_lines, read_rows, series_of, squeeze

# Units as the titles write them, in the spelling the tables use.
TITLE_UNITS = {"s": "s", "K": "K", "moles/L": "mol/L", "g/L": "g/L"}
TITLE_UNIT = re.compile(r"(?P<name>.*?)\s*\((?P<unit>[^()]*)\)")
CONC = "{conc}"  # replaced by the concentration unit of the run

# Titles whose unit is not written in them.
KNOWN_UNITS = {
    "System enthalpy (H/RT)": "K {conc}/s",
    "System heat capacity (Cp/R)": CONC,
    "Enthalpy (H/RT)": "1",
    "Entropy (S/R)": "1",
    "Free Energy(-G/RT)": "1",
    "k(f)": None, "k(b)": None, "Kp": None, "Kc": None,
    "Volume": None,
}


class Table:
    """Named columns of numbers: `columns` (names), `units` (a unit or None
    each) and `data`, a 2-D float array with one column per name."""

    def __init__(self, path, columns, units, data):
        self.path = path
        self.columns = list(columns)
        self.units = list(units)
        self.data = data
        self._index = {}
        for i, name in enumerate(self.columns):
            self._index.setdefault(name, i)
        for i, name in enumerate(self.columns):
            self._index.setdefault(squeeze(name), i)
            match = TITLE_UNIT.fullmatch(name)
            if match and match.group("unit") in TITLE_UNITS:
                self._index.setdefault(match.group("name"), i)

    def index(self, name):
        """The position of a column: by its name, with blanks ignored, or,
        for a title with its unit, by the title without it ("Temperature")."""
        i = self._index.get(name, self._index.get(squeeze(name)))
        if i is None:
            raise KeyError(f"{self.path} has no column '{name}'; its columns are {', '.join(self.columns)}")
        return i

    def column(self, name):
        return self.data[:, self.index(name)]

    def unit(self, name):
        return self.units[self.index(name)]

    def __getitem__(self, name):
        return self.column(name)

    def __contains__(self, name):
        return name in self._index or squeeze(name) in self._index

    def __len__(self):
        return self.data.shape[0]

    def __repr__(self):
        return f"<{type(self).__name__} {self.path}: {len(self)} rows, columns {', '.join(self.columns)}>"

    @property
    def time(self):
        """The first column: the output times of a result file."""
        return self.data[:, 0]


class Results(Table):
    """results.tsv of a sweep: one row per case. `messages` holds each case's
    message (why a run failed; empty for a run that ended normally); a value
    not available (NA: an unfinished case, a run without it) is NaN."""

    def __init__(self, path, columns, units, data, messages):
        super().__init__(path, columns, units, data)
        self.messages = messages

    @property
    def cases(self):
        return self.column("case")

    @property
    def exit_status(self):
        return self.column("exit status")


def array(columns):
    """A 2-D float array from value columns (None becomes NaN)."""
    import numpy

    rows = len(columns[0]) if columns else 0
    data = numpy.full((rows, len(columns)), numpy.nan)
    for j, values in enumerate(columns):
        data[:, j] = [math.nan if v is None else v for v in values]
    return data


def align(times, points):
    """The values of (time, value) points on the rows of `times`: each point
    takes the next row at its time, a row without a point is None."""
    column, k = [None] * len(times), 0
    for time, value in points:
        while k < len(times) and times[k] != time:
            k += 1
        if k == len(times):
            break
        column[k] = value
        k += 1
    return column


def title_unit(title, conc):
    """The unit of a column title, with CONC standing for the concentration
    unit; None where it is not known."""
    if title in KNOWN_UNITS:
        return KNOWN_UNITS[title]
    match = TITLE_UNIT.fullmatch(title)
    if match and match.group("unit") in TITLE_UNITS:
        return TITLE_UNITS[match.group("unit")]
    return conc


def with_conc(unit, conc_unit):
    if unit is None or CONC not in unit:
        return unit
    return None if conc_unit is None else unit.replace(CONC, conc_unit)


def parm_beside(path, parm):
    """The concentration unit of the parameter file `parm`, by default the
    PARM.DAT beside `path`; None without one."""
    parm = parm or os.path.join(os.path.dirname(os.path.abspath(path)), DEFAULT_NAMES["PARM"])
    return concentration_unit(parm) if os.path.isfile(parm) else None


def read_table(path, parm=None):
    """CONC.TXT or a report with a time column (RATESOUT.TXT, SPECRATE.TXT,
    THERMOUT.TXT, SYSTEMOUT.TXT, ANALYSIS.TXT) as a Table."""
    titles, rows = read_rows(path)
    series = series_of(titles, rows)
    if REACTION_COLUMN in titles:
        times = [row[0] for i, row in enumerate(rows) if i == 0 or row[0] != rows[i - 1][0]]
    else:
        times = [row[0] for row in rows]
    # A rate report's columns are all concentrations per second; CONC.TXT's
    # are concentrations but for the temperature and volume.
    rates = "Form." in titles or any(t.startswith(REACTION_COLUMN + " ") for t in titles)
    counter = titles.index(REACTION_COLUMN) if REACTION_COLUMN in titles else None
    units = ["s"]
    for name, _ in series:
        title = name.rsplit(" ", 1)[0] if counter is not None and name not in titles else name
        units.append(CONC + "/s" if rates else title_unit(title, CONC))
    conc_unit = parm_beside(path, parm) if any(u and CONC in u for u in units) else None
    data = array([times] + [align(times, points) for _, points in series])
    return Table(path, [titles[0]] + [name for name, _ in series], [with_conc(u, conc_unit) for u in units], data)


def read_conc(path="CONC.TXT", parm=None):
    """CONC.TXT (or the file of -OUT:) as a Table: time, then each displayed
    species, in the parameter file's concentration unit."""
    return read_table(path, parm)


def sweep_conc_unit(path):
    """The concentration unit of a sweep's case folder, from the plan.json
    beside its results.tsv; None where it cannot be found."""
    try:
        with open(os.path.join(os.path.dirname(os.path.abspath(path)), "plan.json"), encoding="utf-8") as f:
            plan = json.load(f)
    except (OSError, ValueError):
        return None
    name = DEFAULT_NAMES["PARM"]
    for option in plan.get("options", []):
        if option.startswith("-PARM:"):
            name = option[len("-PARM:"):].rstrip()
    return parm_beside(os.path.join(plan.get("case folder", ""), name), None)


# The ignition criteria of IGNITION.TXT, whose columns in results.tsv hold delays.
IGNITION_CRITERION = re.compile(r"max dT/dt|max \[.+\]|T0\+.+ K")


def value_unit(column, conc):
    """The unit of a results.tsv column: a varied value (PARM.DAT:temperature,
    SPECIES.DAT:NO:initial, pressure), a collected one (NO@3600,
    Temperature(K)@last) or an ignition delay (max dT/dt)."""
    if "@" in column:
        return title_unit(column.rsplit("@", 1)[0], conc)
    if IGNITION_CRITERION.fullmatch(column):
        return "s"
    what = column.rsplit(":", 1)[-1]
    return {"temperature": "K", "initial": conc, "external": conc, "residence": "s", "pressure": "atm"}.get(what)


def read_results(path):
    """A sweep's results.tsv as Results: the case number, the varied values,
    the exit status and the collected values, by their titles; the messages
    apart."""
    lines, _, titles = read_lines(path)
    if titles[0] != "case" or "message" not in titles:
        raise ResultFileError(f"{path} is not the results.tsv of a sweep")
    message = titles.index("message")
    rows = [line.split("\t") for line in lines if line]
    columns = [name for i, name in enumerate(titles) if i != message]
    conc_unit = sweep_conc_unit(path)
    units = [None if name in ("case", "exit status") else with_conc(value_unit(name, CONC), conc_unit)
             for name in columns]
    values = [[parse_value(row[i]) if i < len(row) else None for row in rows]
              for i in range(len(titles)) if i != message]
    messages = [row[message] if message < len(row) else "" for row in rows]
    return Results(path, columns, units, array(values), messages)
