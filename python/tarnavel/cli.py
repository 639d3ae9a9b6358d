"""The commands tarnavel_sweep and tarnavel_plot: their options, and the
exit statuses and one-line messages of what stops them.

tarnavel_sweep starts itself once per case (--run-case) through GNU parallel
or a Slurm array task, so this module and what it loads at once need only the
standard library and load little: argparse is loaded when options are read.
"""

import os
import re
import shutil
import sys

from .errors import SweepError, TarnavelError
from .gathering import gather
from .planning import prepare
from .plotting import PROG as PLOT
from .plotting import draw
from .resultfiles import read_rows, series_of
from .runner import run_case, run_parallel, write_slurm
from .sweepfolder import PROG as SWEEP
from .sweepfolder import read_status, run_dir

SWEEP_FILE_HELP = """\
sweep file (one statement per line; # starts a comment):
  vary VALUE HOW        a value that changes from case to case
  collect A B ... at T1 T2 ...
                        species concentrations at times in seconds (linear in
                        time between the two rows of CONC.TXT around each time)
  collect last          the last row of CONC.TXT (the default)
  collect ignition      the ignition delays of IGNITION.TXT (runs with -THERM
                        and a numeric temperature), and with a varied
                        temperature ignition.png
  runs N                random draws per grid point (needed with random HOWs)
  seed S                seed of the random draws (default 1)
  options -QUIET ...    command-line switches of every run
  timeout SECONDS       a run still going after this long is stopped
  plot A B ...          species of spread.png (default the collected ones)
  slurm --time=1:00:00  extra #SBATCH lines of the job-array script

VALUE:
  PARM.DAT:temperature
  SPECIES.DAT:NAME:initial | :residence | :external
  MODEL.DAT:line L:k      (also :A, :m, :Ea, :bracket F; L is the source line)
  pressure                the gas's initial pressure in atm: every gas-phase
                          concentration x_i P / (R T), mole fractions kept
  all-rates               every reaction's k (or A), each its own draw
  marked                  every value marked with ? in the input files
  A value named itself overrides all-rates and marked; of those two the later
  line wins. Marks are always removed from the run folders.

HOW:
  list V1 V2 ...          the values given
  linear FROM TO COUNT    COUNT evenly spaced values, both ends included
  log FROM TO COUNT       COUNT values evenly spaced in the logarithm
  times list|linear|log   the same numbers as factors of the file's value
  loguniform factor F     file value x F^u, u uniform in [-1, 1]
  lognormal factor F      file value x F^z, z standard normal (F is one sigma)

Lists and ranges span a grid (the first vary line changes slowest); random
draws repeat every grid point `runs` times. Each case's draws follow from the
seed, the case number and the value alone, so a rerun gives the same table.

example (the bundled urban model):
  runs 200
  seed 42
  options -QUIET -ig:mass
  vary all-rates lognormal factor 1.3
  vary MODEL.DAT:line 3:k lognormal factor 2
  collect NO NO2 O3 at 3600 10800 21600
"""



def default_program():
    """The simulator of the checkout that holds this package (build/tarnavel_large);
    an installed package takes tarnavel_large from the PATH."""
    checkout = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    if os.path.isfile(os.path.join(checkout, "CMakeLists.txt")):
        return os.path.join(checkout, "build", "tarnavel_large")
    return shutil.which("tarnavel_large") or "tarnavel_large"


def parse_sweep_args(argv):
    import argparse  # not needed by the runs themselves, which start many times

    parser = argparse.ArgumentParser(
        prog=SWEEP, formatter_class=argparse.RawDescriptionHelpFormatter,
        usage=f"{SWEEP} [--program PATH] [--jobs N] [--slurm] CASE_FOLDER SWEEP_FILE SWEEP_FOLDER\n"
              f"       {SWEEP} --gather SWEEP_FOLDER",
        description="Runs a Tarnavel model once per case of a sweep file, in run folders\n"
                    "SWEEP_FOLDER/runs/case-NNNN made from CASE_FOLDER, with GNU parallel on the local\n"
                    "cores (or writes the Slurm job-array script SWEEP_FOLDER/sweep.slurm), and gathers\n"
                    "SWEEP_FOLDER/results.tsv, spread.png and ignition.png. Running the same command\n"
                    "again resumes: cases that left a status record are not run again.",
        epilog=SWEEP_FILE_HELP)
    parser.add_argument("paths", nargs="*", metavar="PATH", help=argparse.SUPPRESS)
    parser.add_argument("--program", default=default_program(),
                        help="the simulator (default build/tarnavel_large of this checkout)")
    parser.add_argument("--jobs", type=int, default=len(os.sched_getaffinity(0)),
                        help="runs at the same time (default: every local core)")
    parser.add_argument("--slurm", action="store_true",
                        help="write SWEEP_FOLDER/sweep.slurm, a job array of the unfinished cases, "
                             "instead of running them")
    parser.add_argument("--gather", action="store_true",
                        help="only gather the results of SWEEP_FOLDER (after a Slurm job)")
    args = parser.parse_args(argv)
    wanted = 1 if args.gather else 3
    if len(args.paths) != wanted:
        parser.error("--gather takes the SWEEP_FOLDER" if args.gather else
                     "give CASE_FOLDER SWEEP_FILE SWEEP_FOLDER")
    if args.jobs < 1:
        parser.error("--jobs must be at least 1")
    return args


def run_sweep(argv, script):
    if len(argv) == 3 and argv[0] == "--run-case":
        if not argv[2].isdigit():
            raise SweepError(f"--run-case: '{argv[2]}' is not a case number")
        return run_case(os.path.abspath(argv[1]), int(argv[2]))
    args = parse_sweep_args(argv)
    if args.gather:
        gather(os.path.abspath(args.paths[0]))
        return 0
    case_dir, sweep_path, sweep_dir = args.paths
    sweep_dir = os.path.abspath(sweep_dir)
    plan, pending = prepare(case_dir, sweep_path, sweep_dir, os.path.abspath(args.program))
    finished = len(plan["cases"]) - len(pending)
    if finished:
        print(f"{SWEEP}: {finished} of {len(plan['cases'])} case(s) finished before; {len(pending)} to do")
    if args.slurm:
        if not pending:
            print(f"{SWEEP}: every case is finished; nothing to submit")
            gather(sweep_dir)
            return 0
        path = write_slurm(sweep_dir, plan, pending, script)
        print(f"{SWEEP}: submit {path} with sbatch; then gather with {SWEEP} --gather {sweep_dir}")
        return 0
    interrupted = run_parallel(sweep_dir, pending, args.jobs, script) if pending else False
    unfinished = [n for n in pending if read_status(run_dir(sweep_dir, plan, n)) is None]
    if interrupted or unfinished:
        print(f"{SWEEP}: interrupted: {len(unfinished)} case(s) unfinished; run the same command again "
              f"to resume", file=sys.stderr)
        return 3
    gather(sweep_dir)
    return 0


def sweep_main(argv=None, script=None):
    """tarnavel_sweep. `script` is the command that GNU parallel and the Slurm
    array tasks start for each case (by default the one running now)."""
    argv = sys.argv[1:] if argv is None else argv
    script = os.path.abspath(script or sys.argv[0])
    try:
        return run_sweep(argv, script)
    except TarnavelError as e:
        print(f"{SWEEP}: {e}", file=sys.stderr)
        return 1
    except KeyboardInterrupt:
        print(f"{SWEEP}: interrupted; run the same command again to resume", file=sys.stderr)
        return 130


def parse_size(text):
    from argparse import ArgumentTypeError

    match = re.fullmatch(r"\s*(\d+)\s*[xX]\s*(\d+)\s*", text)
    if not match:
        raise ArgumentTypeError(f"'{text}' is not WIDTHxHEIGHT in pixels")
    width, height = int(match.group(1)), int(match.group(2))
    if not (50 <= width <= 20000 and 50 <= height <= 20000):
        raise ArgumentTypeError(f"'{text}': width and height must be 50 to 20000 pixels")
    return width, height


def parse_plot_args(argv):
    import argparse

    parser = argparse.ArgumentParser(
        prog=PLOT,
        description="Draws columns of a Tarnavel result file (CONC.TXT or a report with a time "
                    "column) against time with gnuplot. The picture's format follows the "
                    "extension of --out (.png or .svg).",
        epilog="example: tarnavel_plot --species NO,NO2,O3 --logx --out ozone.png")
    parser.add_argument("--file", default="CONC.TXT", help="result file (default CONC.TXT)")
    parser.add_argument("--species", action="append", metavar="A,B,...",
                        help="columns to draw, by title, separated by commas (may be repeated; "
                             "default every column)")
    parser.add_argument("--logx", action="store_true", help="logarithmic time axis")
    parser.add_argument("--logy", action="store_true", help="logarithmic value axis")
    parser.add_argument("--title", default="", help="title above the plot")
    parser.add_argument("--ylabel", default="", help="label of the value axis")
    parser.add_argument("--size", type=parse_size, default=(800, 600), metavar="WxH",
                        help="picture size in pixels (default 800x600)")
    parser.add_argument("--out", metavar="PICTURE", help="picture file, .png or .svg")
    parser.add_argument("--list", action="store_true",
                        help="print the names of the file's columns and stop")
    args = parser.parse_args(argv)
    if not args.list:
        if not args.out:
            parser.error("--out PICTURE is required")
        extension = os.path.splitext(args.out)[1].lower()
        if extension not in (".png", ".svg"):
            parser.error(f"--out {args.out}: the name must end in .png or .svg")
        args.format = extension[1:]
    return args


def run_plot(argv):
    args = parse_plot_args(argv)
    titles, rows = read_rows(args.file)
    series = series_of(titles, rows)
    if args.list:
        for name, _ in series:
            print(name)
        return 0
    draw(args.file, titles[0], series, args.out, args.format, args.species, args.size, args.title,
         args.ylabel, args.logx, args.logy)
    return 0


def plot_main(argv=None):
    """tarnavel_plot."""
    argv = sys.argv[1:] if argv is None else argv
    try:
        return run_plot(argv)
    except TarnavelError as e:
        print(f"{PLOT}: {e}", file=sys.stderr)
        return 1
    except BrokenPipeError:  # --list read by a pager or head that stopped early
        sys.stderr.close()
        return 1
