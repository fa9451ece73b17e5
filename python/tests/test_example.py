"""The README's example script runs headless and writes its picture."""

import os
import subprocess
import sys

from conftest import SOURCE_DIR


def test_example_prints_scores_and_writes_png(tmp_path):
    picture = tmp_path / "iamb2.png"
    result = subprocess.run([sys.executable, str(SOURCE_DIR / "examples" / "learn_and_draw.py"), str(picture)],
                            capture_output=True, text=True, env={**os.environ, "MPLBACKEND": "Agg",
                                                                 "PYTHONPATH": os.pathsep.join(sys.path)})
    assert result.returncode == 0, result.stderr
    rows = result.stdout.splitlines()
    assert "edge_tpr" in rows[0] and rows[1].startswith("EE") and rows[2].startswith("IAMB2")
    assert picture.read_bytes()[:8] == b"\x89PNG\r\n\x1a\n"
    # The README shows the script as it runs.
    script = (SOURCE_DIR / "examples" / "learn_and_draw.py").read_text()
    assert f"```python\n{script}```" in (SOURCE_DIR / "README.md").read_text()
