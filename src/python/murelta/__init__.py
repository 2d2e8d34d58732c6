"""Murelta from Python: run simulations, sweeps and batches of points of the
model, and read their tables as pandas data frames.

    import murelta
    result = murelta.run(runs=10, cycles=2000, preset="Tab 10b", threads=2)
    result.runs            # one row per run: generation, run, seed, first, last, percent_out
    result.generations     # one row per generation: total_fitness and the genes
    result.record          # the record's TOML text, itself a runnable experiment

The results are those of murelta-batch with the same parameters, to the bit.
The core runs with the GIL released; Ctrl-C stops it as it stops murelta-batch
and raises KeyboardInterrupt. Every refusal raises murelta.Error (a ValueError)
with the core's message.
"""

import collections.abc
import os
import tempfile

import numpy as np
import pandas as pd

from . import _murelta
from ._murelta import (OUTPUTS, PARAMETERS, PRESETS, Agent, Agents, Design,
                       Error, Experiment, Factor, Factors, Sweep, SweepAxis,
                       __version__)

__all__ = [
    "Agent", "Agents", "Design", "Error", "Experiment", "Factor", "Factors",
    "OUTPUTS", "PARAMETERS", "PRESETS", "Parameters", "Result", "Sweep",
    "SweepAxis", "Tables", "evaluate", "read", "run", "sweep",
]

# Every table a sweep's or a calibration's folder may hold, in the order
# collect and calibrate write them.
TABLES = ("runs", "generations", "summary", "design", "sensitivity",
          "compare", "evaluations", "front", "validation")


class Parameters(collections.abc.MutableMapping):
    """An experiment's [parameters], changed in place: texts as typed for the
    boxes, True or False for the check boxes. A number given is stored as the
    text a box would show; food_size may be written for food-size."""

    def __init__(self, experiment):
        self._experiment = experiment

    def __getitem__(self, key):
        return self._experiment._parameter(key)

    def __setitem__(self, key, value):
        self._experiment._set_parameter(key, value)

    def __delitem__(self, key):
        raise Error(f"{key}: a parameter cannot be removed; set it instead.")

    def __iter__(self):
        return iter(PARAMETERS)

    def __len__(self):
        return len(PARAMETERS)

    def __repr__(self):
        return repr(dict(self))


class Result:
    """What one simulation left.

    runs         data frame of the record's table, one row per run
    generations  data frame, one row per generation: total_fitness and the
                 mean and spread of both genes it ran with
    total_fitness  the last generation's Total Fitness
    record       the record's TOML text
    data_file    the data file's text, or None (several generations write none)
    complete     False when Ctrl-C stopped it
    record_path, data_path  where the files are, when run with out=FOLDER
    """

    def __init__(self, outcome, kept):
        self.runs = pd.DataFrame(outcome["runs"])
        self.generations = pd.DataFrame(outcome["generations"])
        fitness = self.generations["total_fitness"]
        self.total_fitness = float(fitness.iloc[-1]) if len(fitness) else None
        self.record = outcome["record"]
        self.data_file = outcome["data_file"]
        self.complete = outcome["complete"]
        self.record_path = outcome["record_path"] if kept else None
        self.data_path = outcome["data_path"] if kept else None

    def __repr__(self):
        return (f"<murelta.Result {len(self.runs)} runs, "
                f"{len(self.generations)} generations, "
                f"total fitness {self.total_fitness}"
                f"{'' if self.complete else ', stopped'}>")


class Tables:
    """The tables of a sweep's or a calibration's folder as data frames, each
    an attribute named as its file (runs, generations, summary, design,
    sensitivity, compare, evaluations, front, validation); None where the
    folder has no such table. `kind` is "sweep" or "calibration"."""

    def __init__(self, kind, frames):
        self.kind = kind
        for name in TABLES:
            setattr(self, name, frames.get(name))

    @property
    def names(self):
        """The tables the folder holds."""
        return [name for name in TABLES if getattr(self, name) is not None]

    def __getitem__(self, name):
        if name not in self.names:
            raise KeyError(name)
        return getattr(self, name)

    def __repr__(self):
        return f"<murelta.Tables of a {self.kind}: {', '.join(self.names)}>"


def _experiment(path_or_experiment):
    if isinstance(path_or_experiment, Experiment):
        return path_or_experiment
    return Experiment.load(path_or_experiment)


def _run_experiment(self, threads=None, out=None):
    """Runs the experiment as murelta-batch --experiment does and returns its
    Result. threads: the threads its runs go to (None: every core; the
    results are the same for every count). out: a folder that keeps the data
    file and the record (made when missing); None leaves nothing behind.
    Ctrl-C stops it after the run under way and raises KeyboardInterrupt; the
    files in `out` are then marked incomplete."""
    if out is None:
        with tempfile.TemporaryDirectory(prefix="murelta-run-") as folder:
            return Result(_murelta._run(self, threads, folder), kept=False)
    return Result(_murelta._run(self, threads, os.fspath(out)), kept=True)


# The compiled classes are shown as the module's own.
for _class in (Agent, Agents, Design, Error, Experiment, Factor, Factors, Sweep,
               SweepAxis):
    _class.__module__ = __name__

# The parts that speak pandas and Python's mappings are written here, on the
# compiled class.
Experiment.run = _run_experiment
Experiment.parameters = property(
    Parameters, doc="The parameters, a mapping changed in place.")


def run(preset=None, threads=None, label=None, out=None, **parameters):
    """Runs one simulation with the keys of an experiment file's [parameters]
    as keyword arguments (texts as typed, or numbers; True or False for the
    check boxes; food_size for food-size), the others at their defaults.

        murelta.run(agents=50, runs=20, preset="Tab 10b", first_out=True)

    Returns a Result; see Experiment.run for threads, out and Ctrl-C."""
    experiment = Experiment(preset=preset, **parameters)
    if label is not None:
        experiment.label = label
    return experiment.run(threads=threads, out=out)


def read(folder):
    """The tables of a sweep's folder (runs, generations, summary, and design,
    sensitivity and compare where collect wrote them) or of a calibration's
    (evaluations, front, validation), as Tables of data frames. Each table is
    checked as the viewer checks it first; a damaged one raises Error naming
    the file and the line."""
    folder = os.fspath(folder)
    kind = _murelta._check_folder(folder)
    frames = {}
    for name in TABLES:
        path = os.path.join(folder, name + ".csv")
        if os.path.exists(path):
            # Only an empty cell is missing: a preset named "None" is a text.
            frames[name] = pd.read_csv(path, float_precision="round_trip",
                                       keep_default_na=False, na_values=[""])
    return Tables(kind, frames)


def sweep(path_or_experiment, out, threads=None, shard=None):
    """Runs every configuration of an experiment's [sweep] or [design] into
    the folder `out`, as murelta-batch sweep does: finished configurations
    are kept, so a sweep stopped (Ctrl-C raises KeyboardInterrupt) goes on
    where it stopped when started again. shard: "K/N" or (K, N) runs only the
    configurations whose number modulo N is K, and collects nothing. Returns
    the folder's Tables, or None for a shard."""
    if shard is None:
        shard = "0/1"
    elif not isinstance(shard, str):
        shard = "{}/{}".format(*shard)
    out = os.fspath(out)
    missing = _murelta._sweep(_experiment(path_or_experiment), out, threads,
                              shard)
    if missing is None:
        return None
    if missing:
        raise Error(f"{out}: configurations missing or damaged: {missing}")
    return read(out)


def evaluate(experiment, points, parameters, outputs=("last_mean",),
             threads=None):
    """Runs `experiment` (an Experiment or a file) once per row of `points`,
    with the parameters named in `parameters` set to the row's values, in
    that order (whole-number ones rounded half to even, as their boxes round
    them), and returns a NumPy array with one row per point and one column per
    output: any of OUTPUTS, the statistics of summary.csv of the last
    generation and its total_fitness. The points run as configurations on
    `threads` threads in all, on the experiment's seeds, and give the numbers
    a sweep of the same values gives, for every thread count."""
    if isinstance(parameters, str):
        parameters = [parameters]
    if isinstance(outputs, str):
        outputs = [outputs]
    points = np.asarray(points, dtype=float)
    if points.ndim == 1 and len(parameters) == 1:
        points = points.reshape(-1, 1)
    with tempfile.TemporaryDirectory(prefix="murelta-evaluate-") as folder:
        return _murelta._evaluate(_experiment(experiment), points,
                                  list(parameters), list(outputs), threads,
                                  folder)
