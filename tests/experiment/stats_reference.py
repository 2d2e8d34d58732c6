#!/usr/bin/env python3
"""The Mann-Whitney test, A12 and partial rank correlation of the library against SciPy and NumPy.

stats_reference.py STATS_PROBE: feeds the probe program a set of cases (ties, unequal sizes,
small samples, every value tied) and compares each of its answers with the reference to 1e-9.
"""
import subprocess
import sys

import numpy as np
from scipy import stats

TOLERANCE = 1e-9


def mann_whitney_reference(a, b):
    result = stats.mannwhitneyu(a, b, alternative="two-sided", use_continuity=True,
                                method="asymptotic")
    greater = sum(1.0 for x in a for y in b if x > y)
    equal = sum(1.0 for x in a for y in b if x == y)
    return [result.statistic, result.pvalue, (greater + equal / 2) / (len(a) * len(b))]


def prcc_reference(columns, y):
    """Ranks with ties averaged, least-squares residuals on an intercept and the other ranks,
    Pearson's correlation of the residuals, Fisher's z interval."""
    ranks = [stats.rankdata(c) for c in columns]
    rank_y = stats.rankdata(y)
    n, k = len(y), len(columns)
    out = []
    for i in range(k):
        controls = np.column_stack([np.ones(n)] + [ranks[j] for j in range(k) if j != i])
        residual = [v - controls @ np.linalg.lstsq(controls, v, rcond=None)[0]
                    for v in (ranks[i], rank_y)]
        # Undefined where the other factors' ranks fix the factor's or the output's: nothing but
        # rounding is left of the residual.
        if any(np.linalg.norm(e) <= 1e-9 * np.linalg.norm(v - v.mean())
               for e, v in zip(residual, (ranks[i], rank_y))):
            out += [float("nan")] * 3
            continue
        r = np.corrcoef(residual[0], residual[1])[0, 1]
        freedom = n - 3 - (k - 1)
        if freedom >= 1:
            half = 1.959964 / np.sqrt(freedom)
            out += [r, np.tanh(np.arctanh(r) - half), np.tanh(np.arctanh(r) + half)]
        else:
            out += [r, float("nan"), float("nan")]
    return out


def agrees(got, want):
    """Within 1e-9, and for values below 1e-3 (small p-values) within 1e-9 of the value too."""
    if np.isnan(want):
        return np.isnan(got)
    error = abs(got - want)
    return error <= TOLERANCE and (abs(want) >= 1e-3 or error <= TOLERANCE * abs(want))


def cases():
    rng = np.random.default_rng(20261209)
    mw = [
        ([1.0], [2.0]),
        ([3.0], [1.0, 2.0]),
        ([1.0, 2.0], [2.0, 3.0]),
        ([5.0, 5.0, 5.0], [5.0, 5.0]),  # every value tied: p = 1
        ([1.0, 2.0, 3.0], [1.0, 2.0, 3.0]),  # U at its mean: p = 1
        (list(rng.integers(0, 4, 9).astype(float)), list(rng.integers(0, 4, 5).astype(float))),
        (list(rng.normal(0, 1, 3)), list(rng.normal(0.5, 1, 11))),
        (list(rng.integers(0, 6, 40).astype(float)), list(rng.integers(1, 7, 25).astype(float))),
        (list(rng.normal(0, 1, 200)), list(rng.normal(1.2, 1, 150))),  # p far below 1e-9
    ]
    prcc = []
    for n, k, tied in [(12, 1, False), (20, 3, False), (30, 4, True), (8, 3, True), (4, 2, False), (6, 3, False),
                       (200, 5, False)]:
        x = rng.uniform(0, 1, (k, n))
        if tied:
            x = np.round(x * 4) / 4
        y = 3 * x[0] - 2 * x[-1] ** 3 + rng.normal(0, 0.3, n)
        if tied:
            y = np.round(y, 1)
        prcc.append(([list(c) for c in x], list(y)))
    # The second factor ranks as the first: neither has a partial correlation, the third has.
    x = rng.uniform(0, 1, 10)
    z = rng.uniform(0, 1, 10)
    prcc.append(([list(x), list(2 * x + 1), list(z)], list(x + z + rng.normal(0, 0.1, 10))))
    return mw, prcc


def main():
    probe = sys.argv[1]
    mw, prcc = cases()
    lines, expected, names = [], [], []
    for a, b in mw:
        numbers = [len(a), len(b)] + [repr(float(v)) for v in a + b]
        lines.append(" ".join(["mw"] + [str(v) for v in numbers]))
        expected.append(mann_whitney_reference(a, b))
        names.append(f"Mann-Whitney of {len(a)} and {len(b)} values")
    for columns, y in prcc:
        values = [repr(float(v)) for c in columns for v in c] + [repr(float(v)) for v in y]
        lines.append(" ".join(["prcc", str(len(columns)), str(len(y))] + values))
        expected.append(prcc_reference(columns, y))
        names.append(f"PRCC of {len(columns)} factors at {len(y)} points")
    run = subprocess.run([probe], input="\n".join(lines) + "\n", capture_output=True, text=True,
                         check=True)
    answers = [[float(v) for v in line.split()] for line in run.stdout.splitlines()]
    if len(answers) != len(expected):
        print(f"FAIL: {len(answers)} answers to {len(expected)} cases")
        return 1
    failed = 0
    largest = 0.0
    for name, got, want in zip(names, answers, expected):
        largest = max([largest] + [abs(g - w) for g, w in zip(got, want) if not np.isnan(w)])
        close = len(got) == len(want) and all(agrees(g, w) for g, w in zip(got, want))
        print(("ok   " if close else "FAIL ") + name + ": " + " ".join(f"{v:.12g}" for v in got))
        if not close:
            print("     expected " + " ".join(f"{v:.12g}" for v in want))
            failed += 1
    print(f"largest difference from the reference: {largest:.3g}")
    print(f"{len(expected) - failed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
