"""Pictures with gnuplot: its data blocks and scripts, and running it in a
scratch folder so that a failed run leaves no half-written picture."""

import math
import subprocess


def gnuplot_string(text):
    """A gnuplot string literal that shows `text` as it is. Gnuplot takes a
    single-quoted string literally (no backslash escapes, no back-quote
    command or @macro substitution); a quote inside is written twice. Line
    breaks would end the command and are written as blanks."""
    return "'" + " ".join(text.splitlines()).replace("'", "''") + "'"


def png_terminal(width, height, font_size):
    """The PNG terminal: cairo's where gnuplot has it, the plain one otherwise."""
    return [
        'if (strstrt(GPVAL_TERMINALS, " pngcairo ") > 0) {',
        f"  set terminal pngcairo size {width},{height} noenhanced font 'sans,{font_size}'",
        "} else {",
        f"  set terminal png size {width},{height} noenhanced",
        "}",
    ]


def write_blocks(path, blocks):
    """Data blocks, each a list of lines, separated by two blank lines: the
    blocks that gnuplot's `index` counts."""
    with open(path, "w", encoding="utf-8") as f:
        f.write("\n\n".join("\n".join(lines) + "\n" for lines in blocks))


def write_data(path, curves):
    """One block of (time, value) lines per curve; a single blank line breaks
    a curve where a value is missing."""
    blocks = []
    for _, points in curves:
        lines = []
        for time, value in points:
            if value is not None:
                lines.append(f"{time!r}\t{value!r}")
            elif lines and lines[-1]:
                lines.append("")
        while lines and not lines[-1]:
            lines.pop()
        blocks.append(lines)
    write_blocks(path, blocks)


def curves_script(picture, data, x_title, curves, picture_format="png", size=(800, 600), title="",
                  ylabel="", logx=False, logy=False):
    """The script that draws the curves of `data` (written by write_data)
    against time into `picture`."""
    width, height = size
    if picture_format == "png":
        terminal = png_terminal(width, height, 10)
    else:
        terminal = [f"set terminal svg size {width},{height} noenhanced background '#ffffff'"]
    lines = ["set encoding utf8", *terminal, f"set output {gnuplot_string(picture)}"]
    if title:
        lines.append(f"set title {gnuplot_string(title)} noenhanced")
    lines.append(f"set xlabel {gnuplot_string(x_title)} noenhanced")
    if ylabel:
        lines.append(f"set ylabel {gnuplot_string(ylabel)} noenhanced")
    # The time axis spans the data exactly rather than running on to the next tic.
    lines += ["set key outside right top noenhanced", "set grid", "set autoscale xfix",
              "set format x '%g'", "set format y '%g'"]
    lines.append("set logscale x" if logx else "unset logscale x")
    lines.append("set logscale y" if logy else "unset logscale y")
    plots = []
    for k, (name, _) in enumerate(curves):
        # Eight colours, then the same colours dashed, dotted, ...
        style = f"lt {k % 8 + 1} dt {k // 8 % 5 + 1} lw 1.5"
        source = gnuplot_string(data) if k == 0 else "''"
        plots.append(f"{source} index {k} using 1:2 with lines {style} title {gnuplot_string(name)}")
    lines.append("plot " + ", \\\n     ".join(plots))
    return "\n".join(lines) + "\n"


def spread_script(picture, data, names, runs):
    """The script of the spread picture: one panel per name, up to three in a
    row, each with the band between the 5 % and 95 % columns of its block of
    `data` and the median as a line."""
    columns = min(len(names), 3)
    rows = math.ceil(len(names) / columns)
    width, height = 420 * columns, 320 * rows
    title = f"{runs} runs: median (line) and 5-95 % of the runs (band)"
    script = [
        "set encoding utf8",
        *png_terminal(width, height, 9),
        f"set output {gnuplot_string(picture)}",
        "set grid", "unset key", "set autoscale xfix",
        "set format x '%g'", "set format y '%.3g'", "set xlabel 'Time (s)'",
        f"set multiplot layout {rows},{columns} title {gnuplot_string(title)} noenhanced",
    ]
    for k, name in enumerate(names):
        script += [f"set title {gnuplot_string(name)} noenhanced",
                   f"plot {gnuplot_string(data)} index {k} using 1:2:4 with filledcurves fc rgb '#9ecae1' "
                   f"fs solid 0.6 noborder, '' index {k} using 1:3 with lines lw 2 lc rgb '#08519c'"]
    script.append("unset multiplot")
    return "\n".join(script) + "\n"


def ignition_script(picture, data, panels, title):
    """The script of the ignition picture: one panel per criterion, up to
    three in a row, each with its curves of delay (logarithmic) against
    1000/T. `panels` is [(criterion, [(k, key, block), ...]), ...]: curve k
    of the sweep (its colour and dashes the same in every panel), its key
    (blank for the one curve of a sweep without other values) and its block
    of `data`."""
    columns = min(len(panels), 3)
    rows = math.ceil(len(panels) / columns)
    width, height = 480 * columns, 360 * rows
    keyed = any(key for _, curves in panels for _, key, _ in curves)
    script = [
        "set encoding utf8",
        *png_terminal(width, height, 9),
        f"set output {gnuplot_string(picture)}",
        "set grid", "set logscale y", "set format x '%g'", "set format y '%g'",
        "set xlabel '1000 K / T'", "set ylabel 'Ignition delay (s)'",
        "set key top left noenhanced" if keyed else "unset key",
        f"set multiplot layout {rows},{columns} title {gnuplot_string(title)} noenhanced",
    ]
    for criterion, curves in panels:
        plots = []
        for n, (k, key, block) in enumerate(curves):
            source = gnuplot_string(data) if n == 0 else "''"
            style = f"lt {k % 8 + 1} dt {k // 8 % 5 + 1} lw 1.5 pt 7 ps 0.8"
            plots.append(f"{source} index {block} using 1:2 with linespoints {style} title {gnuplot_string(key)}")
        script += [f"set title {gnuplot_string(criterion)} noenhanced", "plot " + ", \\\n     ".join(plots)]
    script.append("unset multiplot")
    return "\n".join(script) + "\n"


def run_gnuplot(work, script, script_file=None):
    """Runs gnuplot in the folder `work` on `script`, read from `script_file`
    there when one is named, else from its standard input. Returns the
    finished process, with gnuplot's messages in its stderr."""
    if script_file is None:
        return subprocess.run(["gnuplot"], input=script, cwd=work, capture_output=True, text=True,
                              errors="replace")
    with open(script_file, "w", encoding="utf-8") as f:
        f.write(script)
    return subprocess.run(["gnuplot", script_file], cwd=work, stdin=subprocess.DEVNULL, capture_output=True,
                          text=True, errors="replace")
