"""Murelta from Python: a small sweep drawn with matplotlib, and a batch of
points evaluated in one call, as an analysis library would drive the model.

    PYTHONPATH=build/python python3 docs/python-example.py [PICTURE]

draws docs/python.png (or PICTURE).
"""

import sys
import tempfile

import matplotlib
import numpy as np

import murelta

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402  (after the backend is chosen)

picture = sys.argv[1] if len(sys.argv) > 1 else "docs/python.png"

# Three presets with 10 and 50 agents: six configurations of 12 runs each.
experiment = murelta.Experiment(runs=12, cycles=4000)
experiment.sweep = [murelta.SweepAxis("preset", ["None", "Tab 10b", "Tab 11c"]),
                    murelta.SweepAxis("agents", [10, 50])]
with tempfile.TemporaryDirectory() as folder:
    tables = murelta.sweep(experiment, folder, threads=2)
runs = tables.runs
configurations = tables.summary[["config", "preset", "agents"]]

# The retina radius from 1 to 15 in one batch, on the same seeds.
retinas = np.arange(1, 16)
single = murelta.Experiment(runs=12, cycles=4000)
statistics = murelta.evaluate(single, retinas, ["retina"],
                              ["last_mean", "last_ci_low", "last_ci_high"],
                              threads=2)

figure, (left, right) = plt.subplots(1, 2, figsize=(11, 4.5))
left.boxplot([runs.loc[runs.config == c, "last"] for c in configurations.config])
left.set_xticks(range(1, len(configurations) + 1))
left.set_xticklabels([f"{p}\n{a} agents" for p, a in
                      zip(configurations.preset, configurations.agents)])
left.set_ylabel("last (exit cycle of the last agent out)")
left.set_title("A sweep: last by configuration, 12 runs each")

right.fill_between(retinas, statistics[:, 1], statistics[:, 2], alpha=0.3,
                   label="95% interval of the mean")
right.plot(retinas, statistics[:, 0], marker="o", label="last_mean")
right.set_xlabel("retina")
right.set_ylabel("mean last exit cycle")
right.set_title("murelta.evaluate: 15 points in one call")
right.legend()
figure.tight_layout()
figure.savefig(picture, dpi=100)
print(f"{picture}: {len(runs)} runs of {len(configurations)} configurations, "
      f"{len(retinas)} points evaluated")
