"""The pytest plugin as a user meets it: a test file run by pytest in a
process of its own, with only the plugin's fixtures."""
import os
import pathlib
import subprocess
import sys
import textwrap

import pytest

import klx80

TESTS = textwrap.dedent('''
    def test_typed_label_shows(klx80_device):
        klx80_device.keys("TEXT:HELLO")
        assert klx80_device.lcd_text[0] == "HELLO"

    def test_each_test_gets_a_fresh_image(klx80_device, klx80_image):
        assert klx80_device.state()["lines"] == [""]
        assert klx80_device.image_path == str(klx80_image)

    def test_screen_matches_its_golden(klx80_device, klx80_golden):
        klx80_device.keys("TEXT:GOLD")
        klx80_golden("gold.png", klx80_device.lcd_image())
        klx80_golden("state.json", klx80_device.state())

    def test_fails_with_pictures(klx80_device):
        klx80_device.keys("TEXT:AB PRINT")
        assert klx80_device.lcd_text[0] == "XY"
''')


def run_pytest(folder, *args):
    package = pathlib.Path(klx80.__file__).parent.parent  # the build's (or installed) package, wherever pytest runs
    env = dict(os.environ, PYTHONDONTWRITEBYTECODE="1", PYTHONPATH=str(package))
    env.pop("KLX80_IMAGE", None)  # the image built with the package
    return subprocess.run([sys.executable, "-m", "pytest", "-p", "klx80.pytest_plugin", "-p", "no:cacheprovider",
                           "-q", *args, str(folder)], capture_output=True, text=True, env=env, cwd=folder)


@pytest.fixture
def suite(tmp_path):
    (tmp_path / "test_rig.py").write_text(TESTS)
    return tmp_path


def test_fixtures_goldens_and_pictures_of_a_failure(suite):
    first = run_pytest(suite, "--klx80-rebaseline", "--junitxml", "first.xml")
    assert (suite / "golden" / "gold.png").is_file(), first.stdout + first.stderr
    assert (suite / "golden" / "state.json").is_file()
    # The failing test names its pictures in its report and in the JUnit file.
    assert "1 failed, 3 passed" in first.stdout, first.stdout + first.stderr
    assert "klx80 pictures" in first.stdout and "klx80_lcd: " in first.stdout
    lcd = first.stdout.split("klx80_lcd: ")[1].split()[0]
    assert open(lcd, "rb").read(4) == b"\x89PNG"
    assert 'name="klx80_tape"' in (suite / "first.xml").read_text()

    # Against the goldens just made: the same; then a golden that differs.
    again = run_pytest(suite, "-k", "golden")
    assert "1 passed" in again.stdout, again.stdout + again.stderr
    (suite / "test_rig.py").write_text(TESTS.replace('"TEXT:GOLD"', '"TEXT:GOLF"'))
    changed = run_pytest(suite, "-k", "golden")
    assert "1 failed" in changed.stdout and "pixels differ" in changed.stdout, changed.stdout
    assert "gold.diff.png" in changed.stdout


def test_missing_image_is_said(suite):
    run = run_pytest(suite, "--klx80-image", str(suite / "none.hex"), "-k", "typed")
    assert "no flash image at" in run.stdout + run.stderr
