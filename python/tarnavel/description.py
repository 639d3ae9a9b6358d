"""The description files PARM.DAT, SPECIES.DAT and MODEL.DAT, read the way the
program reads them: each data line split into fields that keep their place in
the line, so that one value can be replaced without touching the rest."""

import math
import os

from .errors import DescriptionError

# The fields a data line of each file needs before the delimiter fallback
# stops, as the program reads them; the delimiter found in one file stays in
# force for the next, in the order the program reads them.
FALLBACK_DELIMITERS = ("\t", ",", ":", "!", "|")
NEEDED_FIELDS = {"PARM": 3, "SPECIES": 6, "MODEL": 2}
DEFAULT_NAMES = {"PARM": "PARM.DAT", "SPECIES": "SPECIES.DAT", "MODEL": "MODEL.DAT"}
LINE_LENGTH = 350
NUMBER_CHARACTERS = set("0123456789.+-EeDd")


class Field:
    def __init__(self, start, text):
        self.start = start  # offset of the first non-blank character
        self.text = text

    @property
    def end(self):
        """Offset after the last non-blank character."""
        return self.start + len(self.text.rstrip(" "))

    @property
    def value(self):
        return self.text.strip(" ")


def split_fields(line, delim):
    """The fields of a line split at `delim` the way the program's reader does
    it: an empty field ends the record, leading blanks are dropped, blank
    fields are removed in one pass. Returns (fields, clean)."""
    if delim not in line:
        lead = len(line) - len(line.lstrip(" "))
        return [Field(lead, line[lead:])], False
    raw, pos = [], 0
    while True:
        j = line.find(delim, pos)
        raw.append((pos, line[pos:j]))
        pos = j + 1
        nxt = line.find(delim, pos)
        if nxt > pos:
            continue
        if nxt == -1 and line[pos:].strip(" "):
            raw.append((pos, line[pos:]))
        break
    fields = []
    for start, text in raw:
        lead = len(text) - len(text.lstrip(" "))
        if lead > 340:
            return fields, False
        fields.append(Field(start + lead, text[lead:]))
    i = 0
    while i < len(fields):
        if not fields[i].value:
            del fields[i]  # the field moving up is not looked at again
        i += 1
    return fields, bool(fields)


class DataLine:
    def __init__(self, number, fields):
        self.number = number  # source line, counting comment and blank lines
        self.fields = fields


class DescriptionFile:
    """The lines of one input file and its data lines with their fields.
    `role` is PARM, SPECIES or MODEL; `delim` the delimiter in force when the
    program comes to this file."""

    def __init__(self, role, name, path, delim="\t"):
        self.role, self.name, self.path = role, name, path
        self.data = []
        try:
            with open(path, encoding="latin-1", newline="") as f:
                self.lines = f.read().split("\n")
        except OSError as e:
            raise DescriptionError(f"{path}: {e.strerror}")
        self.delim = self._read(delim)

    def _read(self, delim):
        for number, text in enumerate(self.lines, start=1):
            line = text.rstrip("\r")[:LINE_LENGTH]
            if not line.strip(" \t"):
                continue
            if self.role != "PARM" and line.lstrip(" ")[:3] in ("END", "end", "End"):
                break
            fields, clean = split_fields(line, delim)
            if fields and fields[0].value[:1] in ("#", '"'):
                continue
            tries = 0
            while not clean or len(fields) < NEEDED_FIELDS[self.role]:
                if tries == len(FALLBACK_DELIMITERS):
                    raise DescriptionError(f"{self.name} line {number}: no data fields (the program would stop here)")
                delim = FALLBACK_DELIMITERS[tries]
                tries += 1
                fields, clean = split_fields(line, delim)
            self.data.append(DataLine(number, fields))
        return delim

    def where(self, number):
        return f"{self.name} line {number}"

    def text_with(self, edits):
        """The file's text with values replaced: `edits` maps a source line to
        [(start, end, text), ...], offsets in that line."""
        lines = list(self.lines)
        for number, changes in edits.items():
            line = lines[number - 1]
            for start, end, text in sorted(changes, key=lambda change: -change[0]):
                line = line[:start] + text + line[end:]
            lines[number - 1] = line
        return "\n".join(lines)


def is_number(text):
    text = text.rstrip(" ")
    return bool(text) and all(c in NUMBER_CHARACTERS for c in text)


def to_real(text, where):
    """The number of a field as the program reads it (D exponents too)."""
    try:
        value = float(text.strip().replace("D", "E").replace("d", "e"))
    except ValueError:
        value = math.nan
    if not is_number(text) or not math.isfinite(value):
        raise DescriptionError(f"{where}: '{text.strip()}' is not a number")
    return value


def format_value(value):
    """A value as it is written into a description file."""
    if not math.isfinite(value):
        raise DescriptionError(f"a value of {value} cannot be written to an input file")
    return format(value, ".10g")


# The spellings of the concentration unit that the program accepts (blanks
# removed, upper case), by the unit the tables name it with.
CONCENTRATION_UNITS = {
    "mol/L": ("0", "MOLES/LITER", "MOL/L", "MOL./L", "MOL/LITER", "MOLES/L"),
    "molecules/cm^3": ("1", "MOLECULES/CM^3", "MOLEC/CM^3", "1/CM^3", "MOLECULES/CC", "MOLEC/CC", "1/CC"),
    "ppm": ("2", "PPM", "PARTSPERMILLION"),
    "mol/cm^3": ("3", "MOLES/CM^3", "MOLES/CC"),
}


def parm_concentration_unit(parm):
    """The concentration unit of a read parameter file (the fourth field of
    its first data line), or None when it gives none the program accepts."""
    if not parm.data or len(parm.data[0].fields) < 4:
        return None
    given = "".join(parm.data[0].fields[3].value.split()).upper()
    return next((unit for unit, spellings in CONCENTRATION_UNITS.items() if given in spellings), None)


def concentration_unit(parm_path):
    """The concentration unit of the parameter file at `parm_path`, or None."""
    return parm_concentration_unit(DescriptionFile("PARM", os.path.basename(parm_path), parm_path))
