"""Running the cases of a sweep: one run of the program in its run folder (the
task of GNU parallel or of a Slurm array task), GNU parallel on the local
cores, or the Slurm job-array script."""

import os
import re
import shlex
import shutil
import signal
import subprocess
import sys
import time

from .errors import SweepError
from .sweepfolder import CONSOLE_FILE, PROG, STATUS_FILE, read_plan, read_status, run_dir, write_atomically

TIMEOUT_STATUS = 124


def closing_message(console):
    """What a run said last: the frame of a fatal error (its number, text and
    source line), otherwise the last console line that is not blank."""
    lines = [" ".join(line.split()) for line in console.splitlines()]
    for i in range(len(lines) - 1, -1, -1):
        if lines[i].startswith("FATAL Error #"):
            words = []
            for line in lines[i + 1:]:
                if not line:
                    break
                if line != "LINE READS:" and not line.startswith("'"):
                    words.append(line)
            return lines[i] + (": " + " ".join(words) if words else "")
    return next((line for line in reversed(lines) if line), "")


def run_case(sweep_dir, number):
    plan = read_plan(sweep_dir)
    if not 1 <= number <= len(plan["cases"]):
        raise SweepError(f"case {number}: the sweep has cases 1 to {len(plan['cases'])}")
    folder = run_dir(sweep_dir, plan, number)
    if read_status(folder) is not None:
        return 0  # finished already, for instance by an earlier array task
    console_path = os.path.join(folder, CONSOLE_FILE)
    started = time.monotonic()
    with open(console_path, "wb") as console:
        child = subprocess.Popen([plan["program"], *plan["options"]], cwd=folder, stdin=subprocess.DEVNULL,
                                 stdout=console, stderr=subprocess.STDOUT)

        # Stopped from outside (Ctrl-C, scancel, a second interrupt of GNU
        # parallel): the program is ended and no record is written, so the
        # case counts as unfinished and is run again when the sweep resumes.
        # (The handler may interrupt child.wait, which holds the Popen's lock,
        # so it waits for the program with waitpid itself.)
        def stop(signum, _frame):
            try:
                if child.returncode is None:
                    os.kill(child.pid, signal.SIGTERM)
                    for _ in range(50):
                        if os.waitpid(child.pid, os.WNOHANG)[0]:
                            break
                        time.sleep(0.1)
                    else:
                        os.kill(child.pid, signal.SIGKILL)
            except (ChildProcessError, ProcessLookupError):
                pass
            os._exit(128 + signum)

        for signum in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
            signal.signal(signum, stop)
        try:
            status = child.wait(plan["timeout"])
            note = ""
        except subprocess.TimeoutExpired:
            child.kill()
            child.wait()
            status, note = TIMEOUT_STATUS, f"stopped after the time limit of {plan['timeout']:g} s"
    seconds = time.monotonic() - started
    with open(console_path, encoding="latin-1") as f:
        message = closing_message(f.read())
    if status < 0:
        status, note = 128 - status, f"ended by signal {signal.Signals(-status).name}"
    if note:
        message = note + (f"; last line: {message}" if message else "")
    record = f"exit\t{status}\nmessage\t{message if status != 0 else ''}\nseconds\t{seconds:.3f}\n"
    write_atomically(os.path.join(folder, STATUS_FILE), record)
    return 0


def ranges(numbers):
    """1,2,3,5,7,8 as 1-3,5,7-8, the way a Slurm job array is written."""
    parts, i = [], 0
    while i < len(numbers):
        j = i
        while j + 1 < len(numbers) and numbers[j + 1] == numbers[j] + 1:
            j += 1
        parts.append(str(numbers[i]) if i == j else f"{numbers[i]}-{numbers[j]}")
        i = j + 1
    return ",".join(parts)


def write_slurm(sweep_dir, plan, pending, script):
    """sweep.slurm: a job array whose tasks run the command `script` on one
    case each."""
    logs = os.path.join(sweep_dir, "logs")
    os.makedirs(logs, exist_ok=True)
    name = re.sub(r"[^A-Za-z0-9_.-]", "_", os.path.basename(os.path.normpath(sweep_dir))) or "sweep"
    lines = [
        "#!/bin/bash",
        f"# {len(pending)} cases of the Tarnavel sweep in {sweep_dir}, one array task each.",
        "# Submit with sbatch on a machine that sees this folder; afterwards gather with",
        f"#   {shlex.quote(script)} --gather {shlex.quote(sweep_dir)}",
        f"#SBATCH --job-name=tarnavel-{name}",
        f"#SBATCH --array={ranges(pending)}",
        "#SBATCH --ntasks=1",
        "#SBATCH --cpus-per-task=1",
        f"#SBATCH --output={os.path.join(logs, 'case-%a.out')}",
        *(f"#SBATCH {option}" for option in plan["slurm"]),
        f'exec {shlex.quote(script)} --run-case {shlex.quote(sweep_dir)} "$SLURM_ARRAY_TASK_ID"',
    ]
    path = os.path.join(sweep_dir, "sweep.slurm")
    write_atomically(path, "\n".join(lines) + "\n")
    os.chmod(path, 0o755)
    return path


def run_parallel(sweep_dir, pending, jobs, script):
    """Runs the pending cases with GNU parallel, each as the command `script`
    with --run-case. Returns whether the sweep was interrupted."""
    if shutil.which("parallel") is None:
        raise SweepError("GNU parallel is not installed (Debian package parallel; "
                         "scripts/install_debian_package.sh parallel parallel), or use --slurm")
    # The runs need nothing outside the standard library; leaving out the
    # site packages (-S) saves most of the interpreter's start-up per run.
    # PYTHONPATH then names the folder of this package, wherever it is installed.
    task = " ".join(shlex.quote(p) for p in (sys.executable, "-S", script, "--run-case", sweep_dir)) + " {}"
    package_parent = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    path = os.environ.get("PYTHONPATH")
    env = dict(os.environ, PYTHONPATH=package_parent + (os.pathsep + path if path else ""))
    print(f"{PROG}: running {len(pending)} case(s) on {jobs} core(s) with GNU parallel", flush=True)
    child = subprocess.Popen(["parallel", "--will-cite", "--jobs", str(jobs), "--halt", "never", task],
                             stdin=subprocess.PIPE, text=True, env=env)
    interrupted = []

    def forward(signum, _frame):
        interrupted.append(signum)
        try:
            child.send_signal(signal.SIGINT)
        except ProcessLookupError:
            pass

    previous = {s: signal.signal(s, forward) for s in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP)}
    try:
        child.stdin.write("".join(f"{n}\n" for n in pending))
        child.stdin.close()
    except BrokenPipeError:
        pass
    child.wait()
    for s, handler in previous.items():
        signal.signal(s, handler)
    return bool(interrupted)
