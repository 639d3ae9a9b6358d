"""The sweep folder: plan.json, one run folder per case (runs/case-NNNN) and the
status record that a finished run leaves in its folder."""

import json
import os
import tempfile

from .errors import SweepError

PROG = "tarnavel_sweep"  # the command, in its messages
STATUS_FILE = "status.txt"
CONSOLE_FILE = "console.txt"


def case_name(plan, number):
    return f"case-{number:0{max(4, len(str(len(plan['cases']))))}d}"


def run_dir(sweep_dir, plan, number):
    return os.path.join(sweep_dir, "runs", case_name(plan, number))


def read_plan(sweep_dir):
    path = os.path.join(sweep_dir, "plan.json")
    try:
        with open(path, encoding="utf-8") as f:
            return json.load(f)
    except FileNotFoundError:
        raise SweepError(f"{sweep_dir} holds no sweep (no plan.json)")
    except (OSError, ValueError) as e:
        raise SweepError(f"{path}: {e}")


def write_atomically(path, text):
    folder = os.path.dirname(path)
    fd, scratch = tempfile.mkstemp(dir=folder, prefix=".part-")
    with os.fdopen(fd, "w", encoding="utf-8") as f:
        f.write(text)
    os.replace(scratch, path)


def read_status(folder):
    """The record a finished run left, or None."""
    try:
        with open(os.path.join(folder, STATUS_FILE), encoding="utf-8") as f:
            pairs = [line.split("\t", 1) for line in f.read().splitlines() if "\t" in line]
    except OSError:
        return None
    record = dict(pairs)
    return record if "exit" in record else None
