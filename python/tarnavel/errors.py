"""The errors of the package, each reported by the commands as one line."""


class TarnavelError(Exception):
    """A problem with a request, an input file or a result file."""


class DescriptionError(TarnavelError):
    """A description file (PARM.DAT, SPECIES.DAT, MODEL.DAT) that cannot be read
    the way the program reads it, or a value that cannot be written to one."""


class ResultFileError(TarnavelError):
    """A result file (CONC.TXT, a report, results.tsv) without titles or data."""


class PlotError(TarnavelError):
    """A drawing that cannot be made: unknown columns, nothing to draw, gnuplot."""


class SweepError(TarnavelError):
    """A problem with a sweep request, the sweep file or the case folder."""
