"""A case folder: the input files of one model and every value in them that a
sweep can set, with its name in sweep files and results (PARM.DAT:temperature,
SPECIES.DAT:NO:initial, MODEL.DAT:line 3:k), its place in its line and its
value there, and the pressure of its gas. Writes the run folders of the cases."""

import hashlib
import os
import re
import shutil

from .description import DEFAULT_NAMES, DescriptionFile, format_value, is_number, parm_concentration_unit, to_real
from .errors import SweepError

SPECIES_COLUMNS = {"residence": 2, "initial": 3, "external": 5}

# The initial pressure of the gas (atm), set through the concentrations.
PRESSURE = "pressure"
KPA_PER_ATM = 101.325
# The simulator's gas constant in kPa per concentration unit and kelvin, by
# concentration unit: the one of its constant-pressure report (P = Rv T [gas])
# and its pressure tables, so that a run reports the pressure it was given.
GAS_CONSTANTS = {"mol/L": 8.31451, "molecules/cm^3": 1.3811478405315614e-20, "mol/cm^3": 8314.51}
# Species rows that stand for the state of the vessel, not for a gas.
STATE_SPECIES = ("Temperature(K)", "Volume")
# What a run writes into its folder besides its concentrations: a copy left
# in the case folder by a run there is not carried into the run folders.
RUN_RESULTS = ("IGNITION.TXT", "ATTIMES.TXT")


class Site:
    """One number in an input file: where it stands, what it is called in the
    sweep file and results, and whether it carries a ? mark."""

    def __init__(self, label, role, line, start, end, text, where, group=""):
        self.label = label
        self.role = role
        self.line = line
        self.start = start
        self.marked = text.rstrip(" ").endswith("?")
        self.text = text.rstrip(" ").rstrip("?").rstrip(" ") if self.marked else text.rstrip(" ")
        self.end = end  # the mark, when there is one, is replaced with the value
        self.nominal = to_real(self.text, where)
        self.group = group  # "rate" for each reaction's k or A


def field_site(label, role, line, field, where, group=""):
    return Site(label, role, line, field.start, field.end, field.text, where, group)


def bracket_sites(file, data, field, prefix):
    """Numbers inside a reaction's bracket group (third body, fall-off,
    Landau-Teller), by their field of the group, counted from 1 at the first
    field after the bracket: a plain number, or NAME(number) for a
    third-body efficiency."""
    text = field.text
    match = re.search(r"[MS]\s*\[", text)
    if not match:
        return []
    start = match.end()
    close = text.find("]", start)
    if close < 0:
        return []
    sites, number, pos = [], 0, start
    for piece in text[start:close].split(";"):
        number += 1
        offset = field.start + pos
        pos += len(piece) + 1
        inner = re.fullmatch(r"(\s*[^()]*\(\s*)([^()]*?)(\s*\)\s*)", piece)
        if inner:
            value_start, value = offset + len(inner.group(1)), inner.group(2)
        else:
            lead = len(piece) - len(piece.lstrip(" "))
            value_start, value = offset + lead, piece.strip(" ")
        if not is_number(value.rstrip("?").rstrip(" ")):
            continue  # the keyword (LIN, TROE, SRI, LT) or a name
        sites.append(Site(f"{prefix}:bracket {number}", "MODEL", data.number, value_start,
                          value_start + len(value), value, file.where(data.number)))
    return sites


class Case:
    """The input files of the case folder and every value a sweep can set."""

    def __init__(self, folder, options):
        self.folder = folder
        names = dict(DEFAULT_NAMES)
        self.output = "CONC.TXT"
        delim = "\t"
        for option in options:
            for role, switch in (("PARM", "-PARM:"), ("SPECIES", "-SPEC:"), ("MODEL", "-MOD:")):
                if option.startswith(switch):
                    names[role] = option[len(switch):].rstrip()
            if option.startswith("-OUT:"):
                self.output = option[5:].rstrip()
            if option.startswith("-d") and option[2:3] != "e":
                try:
                    delim = chr(int(option[2:5]))
                except ValueError:
                    raise SweepError(f"options: {option} does not give a character code")
        self.names = names
        if not os.path.isdir(folder):
            raise SweepError(f"{folder}: no such case folder")
        self.files = {}
        self.sites = {}  # label -> Site
        self.species = {}  # name -> (display, held)
        self.reactions = {}  # source line -> {field name: Site}
        self.gas = []  # the Site of each gas-phase species' concentration
        self.gas_problem = None  # why the gas cannot be scaled to a pressure
        self.span = 600.0
        for role in ("PARM", "SPECIES", "MODEL"):
            path = os.path.join(folder, names[role])
            if not os.path.isfile(path):
                if role == "PARM":
                    continue  # the program runs on its default settings
                raise SweepError(f"{path}: no such file in the case folder")
            file = DescriptionFile(role, names[role], path, delim)
            delim = file.delim
            self.files[role] = file
            getattr(self, "_read_" + role.lower())(file)

    def _add(self, site):
        self.sites[site.label] = site
        return site

    def _read_parm(self, file):
        data = file.data
        if len(data) < 3:
            raise SweepError(f"{file.name}: fewer than five data lines")
        temperature = data[1].fields[0]
        if is_number(temperature.value.rstrip("?").rstrip(" ")):
            self._add(field_site(f"{file.name}:temperature", "PARM", data[1].number, temperature,
                                 file.where(data[1].number)))
        period = data[2]
        if len(period.fields) >= 5:
            parts = [to_real(f.value, file.where(period.number)) for f in period.fields[:5]]
            span = parts[0] * 86400 + parts[1] * 3600 + parts[2] * 60 + parts[3] + parts[4] * 1e-12
            self.span = span if span != 0 else 600.0

    def _read_species(self, file):
        for data in file.data:
            name = "".join(data.fields[0].value.split())
            name = re.sub(r"\{[^{}]+\}$", "", name)
            if name in ("M", "m", "HV", "hv"):
                continue
            display = data.fields[3].value.upper().startswith("Y")
            column7 = data.fields[6].value.upper() if len(data.fields) > 6 else "N"
            held = not column7.startswith("N") and not column7.endswith("-ADD")
            self.species[name] = (display, held)
            for what, column in SPECIES_COLUMNS.items():
                field = data.fields[column - 1]
                if is_number(field.value.rstrip("?").rstrip(" ")):
                    self._add(field_site(f"{file.name}:{name}:{what}", "SPECIES", data.number, field,
                                         file.where(data.number)))
            self._read_gas(file, data, held)

    def _read_gas(self, file, data, held):
        """Notes where a gas-phase species' concentration stands: its initial
        value, or the held number of a species held constant. As the program
        sees it, the temperature and volume rows are no gas, nor is a species
        whose {tag} names another phase ({aq}, {s}; {g} is gas)."""
        raw = "".join(data.fields[0].value.split())
        tag = re.search(r"\{([^{}]*)\}$", raw)
        name = raw[:tag.start()] if tag else raw
        if name in STATE_SPECIES or (tag and tag.group(1) and tag.group(1)[0] not in "gG"):
            return
        where = file.where(data.number)
        if held:
            field = data.fields[6]
            if not is_number(field.value):
                self.gas_problem = self.gas_problem or (
                    f"{name} is held to the profile {field.value} in {file.name} ({where}), whose "
                    f"concentrations do not follow the pressure")
                return
            site = field_site(f"{file.name}:{name}:held", "SPECIES", data.number, field, where)
        else:
            site = self.sites.get(f"{file.name}:{name}:initial")
            if site is None:
                self.gas_problem = self.gas_problem or f"the initial value of {name} ({where}) is not a number"
                return
        self.gas.append(site)

    def _read_model(self, file):
        for data in file.data:
            if len(data.fields) > 5:
                raise SweepError(f"{file.where(data.number)}: more than five fields")
            prefix = f"{file.name}:line {data.number}"
            arrhenius = len(data.fields) >= 4
            where = file.where(data.number)
            entry = {}
            first = "A" if arrhenius else "k"
            entry[first] = self._add(field_site(f"{prefix}:{first}", "MODEL", data.number, data.fields[0],
                                                where, group="rate"))
            if arrhenius:
                entry["m"] = self._add(field_site(f"{prefix}:m", "MODEL", data.number, data.fields[1], where))
                entry["Ea"] = self._add(field_site(f"{prefix}:Ea", "MODEL", data.number, data.fields[2], where))
            for site in bracket_sites(file, data, data.fields[3 if arrhenius else 1], prefix):
                entry[site.label.rsplit(":", 1)[1]] = self._add(site)
            self.reactions[data.number] = entry

    def role_of(self, name):
        for role in ("PARM", "SPECIES", "MODEL"):
            if name in (self.names[role], DEFAULT_NAMES[role]):
                return role
        return None

    def resolve(self, target, where):
        """The sites that a vary line's VALUE names."""
        if target == "all-rates":
            return [s for s in self.sites.values() if s.group == "rate"]
        if target == "marked":
            marked = [s for s in self.sites.values() if s.marked]
            if not marked:
                raise SweepError(f"{where}: the input files carry no ? marks")
            return marked
        if target == PRESSURE:
            return [self._pressure_site(where)]
        parts = target.split(":")
        role = self.role_of(parts[0])
        if role is None:
            raise SweepError(f"{where}: unknown file '{parts[0]}': the input files are "
                             f"{self.names['PARM']}, {self.names['SPECIES']} and {self.names['MODEL']}")
        name = self.names[role]
        if role == "PARM":
            if parts[1:] != ["temperature"]:
                raise SweepError(f"{where}: of {name} only the temperature can be varied ({name}:temperature); "
                                 f"the gas is set to a pressure with vary pressure")
            if role not in self.files:
                raise SweepError(f"{where}: there is no {name}; the program runs on its default settings")
            site = self.sites.get(f"{name}:temperature")
            if site is None:
                raise SweepError(f"{where}: the temperature in {name} is a profile file, not a number")
            return [site]
        if role == "SPECIES":
            if len(parts) < 3 or parts[-1] not in SPECIES_COLUMNS:
                raise SweepError(f"{where}: write {name}:SPECIES:initial, :residence or :external")
            species, what = ":".join(parts[1:-1]), parts[-1]
            if species not in self.species:
                raise SweepError(f"{where}: unknown species '{species}': it is not in {name}")
            if self.species[species][1]:
                raise SweepError(f"{where}: {species} is held at a constant value or profile in {name}, "
                                 f"so its {what} value is not used")
            site = self.sites.get(f"{name}:{species}:{what}")
            if site is None:
                raise SweepError(f"{where}: the {what} value of {species} in {name} is not a number")
            return [site]
        match = re.fullmatch(r"\s*line\s*(\d+)\s*:\s*(k|A|m|Ea|bracket\s*\d+)\s*", ":".join(parts[1:]))
        if not match:
            raise SweepError(f"{where}: write {name}:line L:k (or :A, :m, :Ea, :bracket F), "
                             f"L being the source line of the reaction")
        number, what = int(match.group(1)), " ".join(match.group(2).replace("bracket", "bracket ").split())
        if number not in self.reactions:
            kind = "past the end" if number > len(self.files[role].lines) else "not a reaction"
            raise SweepError(f"{where}: line {number} of {name} is {kind}")
        entry = self.reactions[number]
        if what in ("k", "A"):
            what = "A" if "A" in entry else "k"
        if what not in entry:
            why = ("m and Ea belong to reactions given as A, m, Ea" if what in ("m", "Ea")
                   else "its bracket group has no number there")
            raise SweepError(f"{where}: line {number} of {name} has no {what}: {why}")
        return [entry[what]]

    def _pressure_site(self, where):
        """The initial pressure of the gas (atm) as a value of its own: the
        gas-phase concentrations of the species file, summed, times the gas
        constant and the parameter file's temperature."""
        site = self.sites.get(PRESSURE)
        if site is not None:
            return site
        parm, species = self.names["PARM"], self.names["SPECIES"]
        if "PARM" not in self.files:
            raise SweepError(f"{where}: there is no {parm}, so the pressure has no temperature and "
                             f"concentration unit to follow")
        temperature = self.sites.get(f"{parm}:temperature")
        if temperature is None:
            raise SweepError(f"{where}: the temperature in {parm} is a profile file, not a number, so the "
                             f"gas has no one pressure")
        unit = parm_concentration_unit(self.files["PARM"])
        if unit == "ppm":
            raise SweepError(f"{where}: the concentrations of {parm} are in ppm, mole fractions that stay the "
                             f"same at any pressure; give them in moles/L, molecules/cm^3 or moles/cm^3")
        if unit not in GAS_CONSTANTS:
            raise SweepError(f"{where}: {parm} gives no concentration unit the program accepts")
        if self.gas_problem:
            raise SweepError(f"{where}: {self.gas_problem}")
        total = sum(site.nominal for site in self.gas)
        if not total > 0:
            raise SweepError(f"{where}: the gas of {species} has a total concentration of 0: there are no "
                             f"mole fractions to keep")
        self.gas_constant = GAS_CONSTANTS[unit]
        atm = total * self.gas_constant * temperature.nominal / KPA_PER_ATM
        return self._add(Site(PRESSURE, PRESSURE, 0, 0, 0, format_value(atm), where))

    def pressure_values(self, values):
        """The gas-phase concentrations of a case with a pressure (label ->
        text). Each is x_i P / (Rv T): the mole fractions x_i of the case's
        own concentrations (the file's, or the values the case sets), the
        case's pressure P and its temperature T (the parameter file's, or the
        varied one). The state rows and condensed species keep their values
        and count in no total.

        A pressure is set this way, through the concentrations, because the
        program has no pressure setting: the initial concentrations give it,
        as in the input files the CHEMKIN importer writes from a mixture, a
        temperature and a pressure. A pressure sweep of an imported model
        thus takes the importer's mixture at each pressure of the sweep. A
        varied temperature alone changes no concentration (the gas then has
        the pressure of those concentrations at that temperature)."""
        parm = self.names["PARM"]
        self._pressure_site(PRESSURE)  # the gas constant of the concentration unit
        kelvin = float(values.get(f"{parm}:temperature", self.sites[f"{parm}:temperature"].nominal))
        wanted = float(values[PRESSURE]) * KPA_PER_ATM / (self.gas_constant * kelvin)
        own = [(site, float(values.get(site.label, site.nominal))) for site in self.gas]
        total = sum(value for _, value in own)
        if not total > 0:
            return {}
        return {site.label: format_value(value / total * wanted) for site, value in own}

    def copy_into(self, run_dir, values):
        """Writes the case folder's files into `run_dir` with the given values
        (label -> text) in place and every ? mark removed."""
        os.makedirs(run_dir)
        written = {self.files[role].name for role in self.files}
        for entry in sorted(os.listdir(self.folder)):
            source = os.path.join(self.folder, entry)
            if entry in written or entry in (self.output, *RUN_RESULTS) or not os.path.isfile(source):
                continue
            shutil.copy2(source, os.path.join(run_dir, entry))
        sites = list(self.sites.values())
        if PRESSURE in values:
            values = {**values, **self.pressure_values(values)}
            sites += [site for site in self.gas if site.label not in self.sites]
        for role, file in self.files.items():
            edits = {}
            for site in sites:
                if site.role == role and (site.label in values or site.marked):
                    edits.setdefault(site.line, []).append((site.start, site.end,
                                                            values.get(site.label, site.text)))
            text = file.text_with(edits)
            with open(os.path.join(run_dir, file.name), "w", encoding="latin-1", newline="") as f:
                f.write(text)

    def fingerprint(self):
        """A digest of the files that go into every run folder."""
        digest = hashlib.sha256()
        for entry in sorted(os.listdir(self.folder)):
            path = os.path.join(self.folder, entry)
            if entry not in (self.output, *RUN_RESULTS) and os.path.isfile(path):
                digest.update(entry.encode() + b"\0")
                with open(path, "rb") as f:
                    digest.update(hashlib.sha256(f.read()).digest())
        return digest.hexdigest()
