"""Tarnavel's Python tools: reading the program's result files into numpy
arrays (read_conc, read_table, read_results), and the parts of the commands
tarnavel_sweep and tarnavel_plot (description files, sweeps, pictures).

numpy is imported only when an array is built, so the commands run on a
Python without it.
"""

from .errors import DescriptionError, PlotError, ResultFileError, SweepError, TarnavelError
from .tables import Results, Table, read_conc, read_results, read_table

__all__ = ["Table", "Results", "read_conc", "read_table", "read_results", "TarnavelError",
           "DescriptionError", "ResultFileError", "PlotError", "SweepError"]
