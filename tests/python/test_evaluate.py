"""murelta.evaluate: a batch of points run as configurations, with the numbers
of a sweep of the same values, whatever the threads."""

import numpy as np
import pytest

import murelta

OUTPUTS = ("first_mean", "last_sd", "percent_out_median", "all_out_share",
           "total_fitness")


@pytest.fixture
def experiment():
    return murelta.Experiment(runs=5, cycles=1500, agents=12)


def test_same_numbers_for_every_thread_count_and_as_a_sweep(tmp_path,
                                                             experiment):
    points = [[2, 1], [6, 3], [9, 2], [6, 1]]
    one = murelta.evaluate(experiment, points, ["retina", "foods"], OUTPUTS,
                           threads=1)
    two = murelta.evaluate(experiment, points, ["retina", "foods"], OUTPUTS,
                           threads=2)
    assert one.shape == (4, len(OUTPUTS))
    assert np.array_equal(one, two, equal_nan=True)

    swept = murelta.Experiment(runs=5, cycles=1500, agents=12)
    swept.sweep = [murelta.SweepAxis("retina", [2, 6, 9]),
                   murelta.SweepAxis("foods", [1, 2, 3])]
    tables = murelta.sweep(swept, tmp_path, threads=2)
    summary = tables.summary.set_index(["retina", "foods"])
    fitness = tables.generations.set_index(["retina", "foods"])
    for point, row in zip(points, one):
        written = dict(summary.loc[tuple(point)])
        written["total_fitness"] = fitness.loc[tuple(point), "total_fitness"]
        for output, value in zip(OUTPUTS, row):
            # The tables hold each number in at most 15 digits.
            if np.isnan(value):
                assert np.isnan(written[output])
            else:
                assert float(f"{value:.15g}") == written[output]


def test_whole_numbers_round_as_their_boxes(experiment):
    # Half to even: 2.5 runs as 2 and 3.5 as 4; a real parameter is kept.
    rounded = murelta.evaluate(experiment, [2.5, 2, 3.5, 4], "retina",
                               "first_mean", threads=2)
    assert rounded[0, 0] == rounded[1, 0] and rounded[2, 0] == rounded[3, 0]
    assert rounded[1, 0] != rounded[3, 0]


def test_refusals(experiment):
    with pytest.raises(murelta.Error, match="bogus is not a parameter"):
        murelta.evaluate(experiment, [[1]], ["bogus"])
    with pytest.raises(murelta.Error, match="first-out is not a parameter "
                                            "with a number"):
        murelta.evaluate(experiment, [[1]], ["first_out"])
    with pytest.raises(murelta.Error, match="median is not an output"):
        murelta.evaluate(experiment, [[1]], ["retina"], ["median"])
    with pytest.raises(murelta.Error, match="one column per parameter"):
        murelta.evaluate(experiment, [[1, 2]], ["retina"])
    with pytest.raises(murelta.Error, match="Point 1, retina"):
        murelta.evaluate(experiment, [[1], [500]], ["retina"])
