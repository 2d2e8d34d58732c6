"""murelta.sweep and murelta.read: the folder murelta-batch sweep makes, and
its tables as data frames."""

import pandas as pd
import pytest

import murelta

SWEEP = """[parameters]
runs = "4"
cycles = "1500"

[sweep]
agents = ["10", "20"]
preset = ["None", "Tab 10b"]
"""

DESIGN = """[parameters]
runs = "4"
cycles = "800"

[design]
method = "sobol"
samples = 4
seed = 2

[design.factors]
retina = { from = 1, to = 9 }
foods = { from = 1, to = 4 }
"""


@pytest.mark.parametrize("text, tables", [
    (SWEEP, ["runs", "generations", "summary", "compare"]),
    (DESIGN, ["runs", "generations", "summary", "design", "sensitivity"]),
], ids=["sweep", "design"])
def test_sweep_writes_what_batch_writes(tmp_path, batch, text, tables):
    path = tmp_path / "sweep.toml"
    path.write_text(text)
    batch("sweep", str(path), "--out", "batch", "--threads", "2",
          cwd=tmp_path)
    read = murelta.sweep(path, tmp_path / "module", threads=2)
    assert read.kind == "sweep"
    assert read.names == tables
    for name in tables:
        expected = tmp_path / "batch" / f"{name}.csv"
        assert (tmp_path / "module" / f"{name}.csv").read_bytes() == \
            expected.read_bytes()
        frame = pd.read_csv(expected, float_precision="round_trip",
                            keep_default_na=False, na_values=[""])
        pd.testing.assert_frame_equal(read[name], frame, check_exact=True)
    # A preset called None stays a text.
    if "preset" in read.runs:
        assert set(read.runs.preset) == {"None", "Tab 10b"}


def test_shards_then_collect(tmp_path):
    experiment = murelta.Experiment.parse(SWEEP)
    assert murelta.sweep(experiment, tmp_path, shard="0/2") is None
    assert sorted(p.name for p in (tmp_path / "configs").iterdir()) == \
        ["0000", "0002"]
    # The second shard, then the whole sweep, which finds all finished.
    assert murelta.sweep(experiment, tmp_path, shard=(1, 2)) is None
    assert len(murelta.sweep(experiment, tmp_path).summary) == 4


def test_read_refuses_a_damaged_folder(tmp_path):
    murelta.sweep(murelta.Experiment.parse(SWEEP), tmp_path, threads=2)
    summary = tmp_path / "summary.csv"
    summary.write_bytes(summary.read_bytes()[:-3])
    with pytest.raises(murelta.Error, match="summary.csv"):
        murelta.read(tmp_path)
    with pytest.raises(murelta.Error, match="neither a sweep"):
        murelta.read(tmp_path / "configs")


def test_sweep_refuses_what_is_no_sweep(tmp_path):
    with pytest.raises(murelta.Error, match="no \\[sweep\\] or \\[design\\]"):
        murelta.sweep(murelta.Experiment(), tmp_path)
    with pytest.raises(murelta.Error, match="--shard takes K/N"):
        murelta.sweep(murelta.Experiment.parse(SWEEP), tmp_path, shard="2/2")


def test_read_a_calibration(tmp_path, batch):
    path = tmp_path / "calibration.toml"
    path.write_text('[parameters]\nruns = "4"\ncycles = "500"\n\n'
                    '[calibration]\nmethod = "cmaes"\nevaluations = 10\n'
                    'population = 5\nseed = 1\n\n[calibration.free]\n'
                    'retina = { from = 1, to = 9 }\n\n'
                    '[calibration.targets]\nfirst_mean = 200\n')
    batch("calibrate", str(path), "--out", "out", "--threads", "2",
          cwd=tmp_path)
    tables = murelta.read(tmp_path / "out")
    assert tables.kind == "calibration"
    assert tables.names == ["evaluations", "validation"]
    assert list(tables.evaluations.evaluation) == list(range(10))
