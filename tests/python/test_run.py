"""murelta.run and Experiment.run against murelta-batch: the same data file,
record and table of runs, to the bit."""

import pandas as pd
import pytest

import murelta
from conftest import without_times

CASES = {
    "defaults": ([], {}),
    "preset": (["--agents", "50", "--preset", "Tab 10b", "--runs", "6",
                "--cycles", "3000", "--first-out", "--p", "0.3"],
               {"agents": 50, "preset": "Tab 10b", "runs": "6", "cycles": 3000,
                "first_out": True, "p": 0.3}),
    "genes and costs": (["--generations", "3", "--exp-gene", "--com-gene",
                         "--exp-cost-on", "--com-cost-on", "--runs", "10",
                         "--cycles", "1000", "--com-cost", "0.5"],
                        {"generations": 3, "exp_gene": True, "com_gene": True,
                         "exp_cost_on": True, "com_cost_on": True, "runs": 10,
                         "cycles": 1000, "com_cost": 0.5}),
}


def files(folder):
    """The data file, if any, and the record's two files of a simulation."""
    found = {path.suffix: path for path in folder.iterdir()}
    assert set(found) <= {".xls", ".toml", ".csv"}
    return found


@pytest.mark.parametrize("case", CASES)
def test_run_writes_what_batch_writes(tmp_path, batch, case):
    options, parameters = CASES[case]
    batch(*options, "--threads", "2", cwd=tmp_path / "batch")
    result = murelta.run(threads=2, out=tmp_path / "module", **parameters)
    expected = files(tmp_path / "batch")
    written = files(tmp_path / "module")
    assert expected.keys() == written.keys()
    for suffix in (".xls", ".csv"):
        if suffix in expected:
            assert written[suffix].read_bytes() == expected[suffix].read_bytes()
    record = expected[".toml"].read_text()
    assert without_times(written[".toml"].read_text()) == without_times(record)
    assert without_times(result.record) == without_times(record)
    # The frames hold the record's numbers as read back from its text.
    runs = pd.read_csv(expected[".csv"], float_precision="round_trip")
    pd.testing.assert_frame_equal(result.runs, runs, check_exact=True,
                                  check_dtype=False)
    if ".xls" in expected:
        assert result.data_file == expected[".xls"].read_bytes().decode()
    else:
        assert result.data_file is None
    assert len(result.generations) == int(parameters.get("generations", 1))
    assert result.total_fitness == result.generations.total_fitness.iloc[-1]
    assert result.complete


def test_experiment_file_runs_as_in_batch(tmp_path, batch):
    # A hand-written network, a leader, a retina of its own and a range.
    path = tmp_path / "network.toml"
    path.write_text(
        "[parameters]\nagents = '12'\nruns = '5'\ncycles = '2000'\n"
        "label = 'net'\np = '0.2'\n\n[network]\npreset = 'Tab 3'\n"
        "range = 'space dependent'\n\n[[network.agents]]\nindex = 4\n"
        "receivers = '0-3, 7'\nleader = true\nretina = 12\n")
    batch("--experiment", str(path), "--threads", "1", cwd=tmp_path / "batch")
    experiment = murelta.Experiment.load(path)
    result = experiment.run(threads=1, out=tmp_path / "module")
    expected = files(tmp_path / "batch")
    written = files(tmp_path / "module")
    for suffix in (".xls", ".csv"):
        assert written[suffix].read_bytes() == expected[suffix].read_bytes()
    assert without_times(result.record) == \
        without_times(expected[".toml"].read_text())
    # The record is itself an experiment, and runs again to the same runs.
    again = murelta.Experiment.parse(result.record).run(threads=2)
    pd.testing.assert_frame_equal(again.runs, result.runs, check_exact=True)


def test_run_without_out_leaves_nothing(tmp_path, monkeypatch):
    monkeypatch.setenv("TMPDIR", str(tmp_path))
    import tempfile
    monkeypatch.setattr(tempfile, "tempdir", None)
    result = murelta.run(runs=2, cycles=100)
    assert result.record_path is None
    assert list(tmp_path.iterdir()) == []


@pytest.mark.parametrize("call, message", [
    (lambda: murelta.run(retina="abc"), 'retina: Retina radius: "abc"'),
    (lambda: murelta.run(food_size=60), "Foods size"),
    (lambda: murelta.run(bogus=1), "bogus is not a parameter"),
    (lambda: murelta.run(first_out="yes"), "first-out: First out is a check"),
    (lambda: murelta.run(runs=[1]), "runs: give a number or a text"),
    (lambda: murelta.run(preset="Tab 99"), "Tab 99"),
    (lambda: murelta.run(threads=0), "threads"),
    (lambda: murelta.Experiment.load("/nonexistent/file.toml"),
     "/nonexistent/file.toml"),
])
def test_refusals_raise_error_naming_the_parameter(call, message):
    with pytest.raises(murelta.Error, match=message.replace("(", r"\(")) as caught:
        call()
    assert isinstance(caught.value, ValueError)
