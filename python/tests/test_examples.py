"""The Python examples run as a user would run them, and what they write loads."""
import os
import subprocess
import sys

import vorlansg
from conftest import data_path

EXAMPLES = os.path.join(os.path.dirname(__file__), "..", "..", "examples", "python")


def run(script, *args):
    return subprocess.run([sys.executable, os.path.join(EXAMPLES, script), *args], check=True, capture_output=True,
                          text=True, env=dict(os.environ)).stdout


def test_examples_write_what_the_library_reads(tmp_path):
    out = str(tmp_path / "suzanne.glb")
    printed = run("smooth_and_reduce.py", data_path("meshes", "common", "suzanne.obj"), out, "--reduce", "40")
    assert "reduced" in printed
    scene = vorlansg.Vgx.create().CreateGroup(None)
    scene.Load(out)
    plot = str(tmp_path / "curve.png")
    printed = run("reduction_curve.py", data_path("meshes", "common", "suzanne.obj"), "--plot", plot)
    assert printed.count("faces") == 10
