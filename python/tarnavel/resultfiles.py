"""Reading the text of the program's result files: CONC.TXT and ATTIMES.TXT
(the values at the times of -TIMES:), the reports with a time column (RATESOUT.TXT, SPECRATE.TXT, THERMOUT.TXT, SYSTEMOUT.TXT) and a
sweep's results.tsv.

Every file begins with a line of column titles; the fields of a line are
separated by TAB or by the data delimiter of the run. Numbers are printed in
Fortran style, so this module needs nothing beyond the standard library: the
commands use it as it is, and `tarnavel.tables` builds arrays from it.
"""

import collections
import math
import re

from .errors import ResultFileError

# Field separators the program writes: TAB, or the data delimiter of the run
# (-d###), which is one of the delimiters the input readers try.
DELIMITERS = ("\t", ",", ":", "!", "|")

# A printed number. Fortran E format drops the letter of a three-digit
# exponent ("0.100000+101", "0.100000-100"), so the exponent letter is optional.
NUMBER = re.compile(r"\s*([+-]?(?:\d+\.?\d*|\.\d+))(?:[EeDd]([+-]?\d+)|([+-]\d+))?\s*")
NON_FINITE = {"nan", "infinity", "+infinity", "-infinity", "inf", "+inf", "-inf"}

# The values at the times asked for with -TIMES:, in the layout of CONC.TXT
# with ten significant digits, and the file of times a sweep gives its runs.
AT_TIMES_FILE = "ATTIMES.TXT"
TIMES_FILE = "SWEEP_TIMES.TXT"

# In per-reaction reports (SYSTEMOUT.TXT) this column numbers the reaction of
# each line; the columns after it belong to that reaction.
REACTION_COLUMN = "Reaction #"


def parse_value(field):
    """The value of a printed field: a float (NaN or infinite when so printed),
    or None when the field holds no number (asterisks of an overflowed field,
    END or EOF lines of a fitting run, NA in results.tsv, blanks)."""
    match = NUMBER.fullmatch(field)
    if match:
        return float(match.group(1) + "e" + (match.group(2) or match.group(3) or "0"))
    if field.strip().lower() in NON_FINITE:
        return float(field.strip().lower().replace("infinity", "inf"))
    return None


def finite(value):
    return value is not None and math.isfinite(value)


def display_name(title):
    """A column title without its padding; runs of blanks inside become one."""
    return " ".join(title.split())


def squeeze(name):
    """A name without any blanks, for matching names whose padding differs."""
    return "".join(name.split())


def read_lines(path):
    """The lines of a result file, its delimiter and its column titles."""
    try:
        with open(path, encoding="utf-8", errors="replace") as f:
            lines = f.read().splitlines()
    except FileNotFoundError:
        raise ResultFileError(f"{path}: no such file")
    except OSError as e:
        raise ResultFileError(f"{path}: {e.strerror}")
    if not lines or not lines[0].strip():
        raise ResultFileError(f"{path} is empty")
    header = lines[0]
    delim = next((d for d in DELIMITERS if d in header), "\t")
    titles = [display_name(t) for t in header.split(delim)]
    while titles and not titles[-1]:  # every line ends with a delimiter
        titles.pop()
    if len(titles) < 2 or parse_value(titles[0]) is not None:
        raise ResultFileError(f"{path} does not begin with a line of column titles")
    return lines[1:], delim, titles


def read_rows(path):
    """Column titles and the numeric rows of a result file (None for a field
    without a number). Rows whose first field is not a finite number are not
    data and are passed over."""
    lines, delim, titles = read_lines(path)
    rows = []
    for line in lines:
        values = [parse_value(f) for f in line.split(delim)]
        if values and finite(values[0]):
            rows.append(values)
    if not rows:
        raise ResultFileError(f"{path} has no data rows")
    return titles, rows


def column_names(titles):
    """Names for the value columns of a wide file. A title that repeats (the
    "Form." and "Destruct." columns of SPECRATE.TXT) is named after the last
    unrepeated title before it ("NO Form."); a name still shared afterwards
    gets its column number."""
    counts = collections.Counter(titles[1:])
    names, owner = [], None
    for i, title in enumerate(titles[1:], start=2):
        if not title:
            names.append(f"column {i}")
        elif counts[title] == 1:
            owner = title
            names.append(title)
        else:
            names.append(f"{owner} {title}" if owner else title)
    shared = collections.Counter(names)
    return [f"{n} (column {i})" if shared[n] > 1 else n for i, n in enumerate(names, start=2)]


def value_at(row, index):
    return row[index] if index < len(row) and finite(row[index]) else None


def series_of(titles, rows):
    """Every quantity of the file over time, as (name, [(time, value or None), ...])."""
    if REACTION_COLUMN not in titles:
        return [(name, [(row[0], value_at(row, i)) for row in rows])
                for i, name in enumerate(column_names(titles), start=1)]
    # One line per reaction and output time: the columns before the reaction
    # number hold the state at that time (temperature), those after it the
    # reaction's own data, one series per reaction ("k(f) 3").
    counter = titles.index(REACTION_COLUMN)
    series = []
    for i in range(1, counter):
        points, last_time = [], None
        for row in rows:
            if row[0] != last_time:
                points.append((row[0], value_at(row, i)))
                last_time = row[0]
        series.append((titles[i], points))
    reactions = sorted({int(row[counter]) for row in rows if finite(value_at(row, counter))})
    for i in range(counter + 1, len(titles)):
        for n in reactions:
            points = [(row[0], value_at(row, i)) for row in rows
                      if value_at(row, counter) is not None and int(row[counter]) == n]
            series.append((f"{titles[i]} {n}", points))
    return series
