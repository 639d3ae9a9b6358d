"""The sweep file: which values vary and how, what is collected from each run
(concentrations at chosen times, the last row, the ignition delays), and the
settings of the runs (runs, seed, options, timeout, plot, slurm)."""

import math
import re
import shlex

from .errors import SweepError

DETERMINISTIC = ("list", "linear", "log")
RANDOM = ("loguniform", "lognormal")


class Vary:
    def __init__(self, number, target, how, times, numbers):
        self.number, self.target, self.how, self.times = number, target, how, times
        self.numbers = numbers  # the list or range values, or [factor]
        self.sites = []

    @property
    def random(self):
        return self.how in RANDOM


VARY = re.compile(r"vary\s+(?P<target>.+?)\s+(?:(?P<times>times)\s+)?"
                  r"(?P<how>list|linear|log|loguniform|lognormal)\b(?P<rest>.*)")


def parse_number(text, where, what):
    try:
        value = float(text)
    except ValueError:
        raise SweepError(f"{where}: {what} '{text}' is not a number")
    if not math.isfinite(value):
        raise SweepError(f"{where}: {what} '{text}' is not a finite number")
    return value


def parse_count(text, where, what, least):
    if not re.fullmatch(r"\d+", text) or int(text) < least:
        raise SweepError(f"{where}: {what} '{text}' must be a whole number of at least {least}")
    return int(text)


def parse_vary(number, text, where):
    match = VARY.fullmatch(text)
    if not match:
        raise SweepError(f"{where}: write vary VALUE HOW, HOW being list, linear, log, loguniform or lognormal")
    target, how, times = match.group("target"), match.group("how"), bool(match.group("times"))
    args = match.group("rest").split()
    if how == "list":
        if not args:
            raise SweepError(f"{where}: list needs at least one value")
        values = [parse_number(a, where, "value") for a in args]
    elif how in ("linear", "log"):
        if len(args) != 3:
            raise SweepError(f"{where}: write {how} FROM TO COUNT")
        low, high = parse_number(args[0], where, "FROM"), parse_number(args[1], where, "TO")
        count = parse_count(args[2], where, "COUNT", 2)
        if how == "log":
            if low <= 0 or high <= 0:
                raise SweepError(f"{where}: a log range needs FROM and TO above 0")
            values = [math.exp(math.log(low) + (math.log(high) - math.log(low)) * i / (count - 1))
                      for i in range(count)]
            values[-1] = high
        else:
            values = [low + (high - low) * i / (count - 1) for i in range(count)]
    else:
        if times:
            raise SweepError(f"{where}: times goes with list, linear and log; {how} is a factor already")
        if len(args) != 2 or args[0] != "factor":
            raise SweepError(f"{where}: write {how} factor F")
        factor = parse_number(args[1], where, "factor")
        if factor <= 1:
            raise SweepError(f"{where}: the factor must be above 1, not {args[1]}")
        values = [factor]
    if target == "all-rates" and how in DETERMINISTIC and not times:
        raise SweepError(f"{where}: all-rates with {how} would give every reaction the same rate constant; "
                         f"use times {how}, loguniform or lognormal")
    return Vary(number, target, how, times, values)


def strip_comment(line):
    return re.sub(r"(^|\s)#.*", "", line).strip()


class Sweep:
    def __init__(self, path):
        self.path = path
        try:
            with open(path, encoding="utf-8") as f:
                self.text = f.read()
        except OSError as e:
            raise SweepError(f"{path}: {e.strerror}")
        self.varies, self.collect, self.collect_last, self.plot = [], [], False, None
        self.collect_ignition = False
        self.runs, self.seed, self.options, self.timeout, self.slurm = None, 1, [], None, []
        seen = {}
        for number, raw in enumerate(self.text.splitlines(), start=1):
            line = strip_comment(raw)
            if not line:
                continue
            where = f"{path} line {number}"
            word, _, rest = line.partition(" ")
            rest = rest.strip()
            if word in ("runs", "seed", "timeout", "options", "plot") and word in seen:
                raise SweepError(f"{where}: {word} is already given on line {seen[word]}")
            seen.setdefault(word, number)
            if word == "vary":
                self.varies.append(parse_vary(number, line, where))
            elif word == "collect":
                self._collect(rest, where)
            elif word == "runs":
                self.runs = parse_count(rest, where, "runs", 1)
            elif word == "seed":
                self.seed = parse_count(rest, where, "seed", 0)
            elif word == "timeout":
                self.timeout = parse_number(rest, where, "timeout")
                if self.timeout <= 0:
                    raise SweepError(f"{where}: the timeout must be above 0 seconds")
            elif word == "options":
                try:
                    self.options = shlex.split(rest)
                except ValueError as e:
                    raise SweepError(f"{where}: {e}")
                for option in self.options:
                    if option.startswith(("-FIT", "-c", "-h", "-H", "?", "/h", "-ah")):
                        raise SweepError(f"{where}: {option} does not belong in a sweep: every run "
                                         f"must simulate the model and write its concentrations")
            elif word == "plot":
                self.plot = rest.replace(",", " ").split()
                self.plot_where = where
            elif word == "slurm":
                self.slurm += rest.split()
            else:
                raise SweepError(f"{where}: unknown statement '{word}' (vary, collect, runs, seed, "
                                 f"options, timeout, plot, slurm)")
        if not self.varies:
            raise SweepError(f"{path}: nothing is varied (no vary line)")
        random = any(v.random for v in self.varies)
        if random and self.runs is None:
            raise SweepError(f"{path}: random draws need runs N (how many)")
        if not random and self.runs is not None:
            raise SweepError(f"{path}: runs counts random draws, and no vary line draws at random")
        if not self.collect and not self.collect_last and not self.collect_ignition:
            self.collect_last = True

    def _collect(self, rest, where):
        if rest == "last":
            self.collect_last = True
            return
        if rest == "ignition":
            self.collect_ignition = True
            return
        names, _, times = rest.partition(" at ")
        names = names.replace(",", " ").split()
        times = times.replace(",", " ").split()
        if not names or not times:
            raise SweepError(f"{where}: write collect A B ... at T1 T2 ... (seconds), collect last "
                             f"or collect ignition")
        for name in names:
            for t in times:
                self.collect.append((name, parse_number(t, where, "time"), where))
