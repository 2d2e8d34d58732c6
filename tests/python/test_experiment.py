"""murelta.Experiment: files read and written as murelta-batch reads and
writes them, and every part of an experiment changed from Python."""

import pytest

import murelta


def test_saved_file_is_what_batch_saves(tmp_path, batch):
    batch("--runs", "7", "--p", "0.5", "--label", "saved", "--preset", "Tab 2",
          "--exp-gene", "--save-experiment", "batch.toml", cwd=tmp_path)
    experiment = murelta.Experiment(runs=7, p=0.5, label="saved",
                                    preset="Tab 2", exp_gene=True)
    experiment.save(tmp_path / "module.toml")
    assert (tmp_path / "module.toml").read_bytes() == \
        (tmp_path / "batch.toml").read_bytes()
    loaded = murelta.Experiment.load(tmp_path / "batch.toml")
    assert loaded == experiment
    assert loaded.text == (tmp_path / "batch.toml").read_text()


def test_parameters_change_in_place():
    experiment = murelta.Experiment()
    parameters = experiment.parameters
    assert parameters["runs"] == "100" and parameters["first-out"] is False
    parameters["runs"] = 12
    parameters["p"] = 0.1 + 0.2  # stored as a box shows it: 0.3
    parameters.update(food_size="2", same_start=True)
    assert experiment.parameters["runs"] == "12"
    assert experiment.parameters["p"] == "0.3"
    assert dict(experiment.parameters)["food-size"] == "2"
    assert experiment.parameters["same-start"] is True
    assert len(parameters) == len(murelta.PARAMETERS)
    with pytest.raises(KeyError):
        parameters["bogus"]
    with pytest.raises(murelta.Error, match="cannot be removed"):
        del parameters["runs"]


def test_network_changes_in_place():
    experiment = murelta.Experiment(agents=10)
    experiment.agents = [murelta.Agent(0, 5.0, [1, 2]),
                         murelta.Agent(1, 5.0)]
    experiment.agents.append(murelta.Agent(2, 5.0, range(3, 6), rank=3))
    experiment.agents[1].retina = 9.5
    experiment.agents[0].receivers = [4, 5, 6, 8]
    experiment.leader = 2
    assert experiment.leader == 2 and not experiment.agents[0].leader
    assert experiment.links == [(0, 4), (0, 5), (0, 6), (0, 8), (2, 3),
                                (2, 4), (2, 5)]
    experiment.range = "space dependent"
    text = experiment.text
    assert "receivers = '4-6, 8'" in text
    assert "retina = 9.5" in text
    assert "range = 'space dependent'" in text
    assert murelta.Experiment.parse(text) == experiment
    with pytest.raises(murelta.Error, match="leader: agent 7 is not listed"):
        experiment.leader = 7
    with pytest.raises(murelta.Error, match="receivers"):
        experiment.agents[0].receivers = [-1]
    experiment.agents.append(murelta.Agent(11, 5.0))
    with pytest.raises(murelta.Error, match="11"):
        experiment.check()


def test_sweep_and_design_change_in_place():
    experiment = murelta.Experiment(runs=3)
    experiment.sweep = [murelta.SweepAxis("agents", [10, 50]),
                        murelta.SweepAxis("preset", ["None", "Tab 10b"])]
    assert experiment.configurations == 4
    experiment.sweep[0].values = ["10", "20", 30]
    assert experiment.sweep[0].values == ("10", "20", "30")
    assert experiment.configurations == 6
    experiment.design = murelta.Design("lhs", 5, [murelta.Factor("retina", 1, 9)])
    assert experiment.configurations == 30
    experiment.design.samples = 2
    experiment.design.factors.append(murelta.Factor("food_size", 1, 3))
    assert experiment.configurations == 12
    again = murelta.Experiment.parse(experiment.text)
    assert again == experiment
    assert again.design.factors[1].key == "food-size"
    experiment.design = None
    del experiment.sweep[:]
    assert experiment.configurations == 1
    with pytest.raises(murelta.Error, match="method"):
        murelta.Design("grid", 4, [])
