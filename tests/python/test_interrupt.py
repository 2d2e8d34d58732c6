"""Ctrl-C during a long run, sweep or evaluation: it ends with
KeyboardInterrupt, leaving what murelta-batch would leave."""

import os
import signal
import subprocess
import sys
import textwrap
import time

import pytest

LONG = textwrap.dedent("""
    import sys
    import murelta
    call, out = sys.argv[1], sys.argv[2]
    print("started", flush=True)
    if call == "run":
        murelta.run(runs=30000, threads=2, out=out)
    elif call == "sweep":
        experiment = murelta.Experiment(runs=3000)
        experiment.sweep = [murelta.SweepAxis("retina", [1, 2, 3, 4])]
        murelta.sweep(experiment, out, threads=2)
    else:
        murelta.evaluate(murelta.Experiment(runs=3000), [1, 2, 3], "retina",
                         threads=2)
    print("finished", flush=True)
""")


@pytest.mark.parametrize("call", ["run", "sweep", "evaluate"])
def test_ctrl_c_raises_keyboard_interrupt(tmp_path, call):
    out = tmp_path / "out"
    scratch = tmp_path / "scratch"
    scratch.mkdir()
    process = subprocess.Popen(
        [sys.executable, "-c", LONG, call, str(out)], stdout=subprocess.PIPE,
        stderr=subprocess.PIPE, text=True, env={**os.environ, "TMPDIR": str(scratch)})
    assert process.stdout.readline() == "started\n"
    time.sleep(0.5)  # well into the core
    process.send_signal(signal.SIGINT)
    stdout, stderr = process.communicate(timeout=120)
    assert "KeyboardInterrupt" in stderr
    assert "finished" not in stdout
    assert process.returncode != 0
    # The temporary folders are gone; a sweep's half-made configuration too.
    assert list(scratch.iterdir()) == []
    if call == "run":
        # As murelta-batch leaves it: the data file and a record of the runs
        # that took place, marked incomplete.
        name = "murData_untitle_w50x50_c20000_r30000_ag10_s0"
        assert (out / f"{name}.xls").exists()
        assert "completed = false" in (out / f"{name}.toml").read_text()
    if call == "sweep":
        assert [p for p in (out / "configs").iterdir()
                if p.name.startswith(".")] == []
