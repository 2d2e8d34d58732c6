"""Shared fixtures of the Python module's tests: murelta-batch, as CTest names
it in MURELTA_BATCH, to compare the module with."""

import os
import re
import subprocess

import pytest


@pytest.fixture
def batch():
    """Runs murelta-batch with the given options in the folder `cwd`."""
    program = os.environ["MURELTA_BATCH"]

    def run(*options, cwd):
        cwd.mkdir(parents=True, exist_ok=True)
        subprocess.run([program, *options], cwd=cwd, check=True,
                       stdout=subprocess.DEVNULL)

    return run


def without_times(record):
    """A record's text without the times it started and finished, the only
    lines two simulations of one experiment may differ in."""
    return re.sub(r"^\s*(started|finished) = .*$", "", record, flags=re.M)
