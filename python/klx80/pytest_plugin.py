"""pytest fixtures for tests that drive a simulated KLX80.

Registered as a pytest11 entry point when the package is installed; from a
build, load it with ``pytest -p klx80.pytest_plugin`` (PYTHONPATH=build/python).

    def test_hello(klx80_device, klx80_golden):
        klx80_device.keys("TEXT:HELLO")
        assert klx80_device.lcd_text[0] == "HELLO"
        klx80_golden("hello.png", klx80_device.lcd_image())

klx80_image   a fresh copy of the flash image as a file in the test's
              temporary folder (--klx80-image PATH, else $KLX80_IMAGE, else
              the image built or installed with the package)
klx80_device  a device switched on with that image, closed after the test
klx80_golden  compares an output with its golden as the suite runner does
              (pictures pixel by pixel with a diff picture, a state field by
              field); --klx80-rebaseline writes the goldens instead

A test that fails with a device open gets the LCD and the last label's tape
as pictures, named in its report (and as JUnit properties).
"""
from __future__ import annotations

import json
import os
import pathlib
import re
import tempfile
from typing import Any, Callable, Iterator

import pytest

import klx80

_DEVICE_KEY = pytest.StashKey["klx80.Device"]()


def pytest_addoption(parser: pytest.Parser) -> None:
    group = parser.getgroup("klx80", "simulated KLX80 label printer")
    group.addoption("--klx80-image", metavar="PATH",
                    help="the flash image each test starts from a copy of (default $KLX80_IMAGE, "
                         "else the image built or installed with klx80)")
    group.addoption("--klx80-golden", metavar="DIR",
                    help="where klx80_golden keeps the goldens (default: 'golden' beside each test file)")
    group.addoption("--klx80-rebaseline", action="store_true",
                    help="klx80_golden writes the outputs as the goldens (also KLX80_REBASELINE=1)")
    group.addoption("--klx80-pictures", metavar="DIR",
                    help="where the LCD and tape pictures of failing tests go (default: pytest's temporary folder)")


@pytest.fixture(scope="session")
def klx80_template(pytestconfig: pytest.Config) -> bytes:
    """The fresh image's bytes, read once per session."""
    path = pathlib.Path(pytestconfig.getoption("klx80_image") or klx80.template_path())
    if not path.is_file():
        pytest.fail(f"no flash image at {path}: give --klx80-image PATH or set KLX80_IMAGE", pytrace=False)
    return path.read_bytes()


@pytest.fixture
def klx80_image(klx80_template: bytes, tmp_path: pathlib.Path) -> pathlib.Path:
    """A fresh copy of the flash image, as a file of this test's own."""
    copy = tmp_path / "fontData.hex"
    copy.write_bytes(klx80_template)
    return copy


@pytest.fixture
def klx80_device(klx80_image: pathlib.Path, request: pytest.FixtureRequest) -> Iterator[klx80.Device]:
    """A device switched on with the test's image; closed after the test."""
    # The image is written back at close but not synced: a test's copy need
    # not survive a power cut, and a sync costs more than the test.
    with klx80.Device(image=klx80_image, durability="never") as device:
        request.node.stash[_DEVICE_KEY] = device
        yield device
    del request.node.stash[_DEVICE_KEY]  # the report has been made; the device goes


def _golden_bytes(data: Any) -> bytes:
    if isinstance(data, (bytes, bytearray, memoryview)):
        return bytes(data)
    if isinstance(data, str):
        return data.encode()
    return (json.dumps(data, ensure_ascii=False, separators=(",", ":")) + "\n").encode()


@pytest.fixture
def klx80_golden(request: pytest.FixtureRequest, tmp_path: pathlib.Path) -> Callable[[str, Any], None]:
    """klx80_golden(name, data): data (PNG or PBM bytes, a state dict or JSON
    text) must equal the golden `name`; on a difference the test fails with
    what differs and where the diff picture went."""
    config = request.config
    folder = config.getoption("klx80_golden")
    golden_dir = pathlib.Path(folder) if folder else request.path.parent / "golden"
    env = os.environ.get("KLX80_REBASELINE", "")
    rebaseline = bool(config.getoption("klx80_rebaseline")) or (env not in ("", "0"))

    def check(name: str, data: Any) -> None:
        expected = golden_dir / name
        actual = tmp_path / "golden-actual" / name
        actual.parent.mkdir(parents=True, exist_ok=True)
        actual.write_bytes(_golden_bytes(data))
        ok, message = klx80.compare_golden(str(actual), str(expected), str(actual.parent), rebaseline)
        if not ok:
            pytest.fail(message, pytrace=False)

    return check


def _pictures_dir(item: pytest.Item) -> pathlib.Path:
    chosen = item.config.getoption("klx80_pictures")
    if chosen:
        base = pathlib.Path(chosen)
    else:
        factory = getattr(item.config, "_tmp_path_factory", None)
        base = factory.getbasetemp() / "klx80-failures" if factory else pathlib.Path(tempfile.gettempdir())
    folder = base / re.sub(r"[^A-Za-z0-9_.-]+", "_", item.nodeid)[-120:]
    folder.mkdir(parents=True, exist_ok=True)
    return folder


def _save_pictures(item: pytest.Item, device: klx80.Device) -> list[tuple[str, pathlib.Path]]:
    folder = _pictures_dir(item)
    saved = []
    lcd = folder / "lcd.png"
    lcd.write_bytes(device.lcd_image())
    saved.append(("klx80_lcd", lcd))
    labels = device.labels
    if labels and labels[-1].width > 0:
        tape = folder / "tape.png"
        tape.write_bytes(labels[-1].png())
        saved.append(("klx80_tape", tape))
    return saved


@pytest.hookimpl(hookwrapper=True)
def pytest_runtest_makereport(item: pytest.Item, call: pytest.CallInfo[None]) -> Iterator[None]:
    outcome = yield
    report = outcome.get_result()
    device = item.stash.get(_DEVICE_KEY, None)
    if report.when != "call" or not report.failed or device is None or device.closed:
        return
    try:
        saved = _save_pictures(item, device)
    except (OSError, klx80.Error) as e:
        report.sections.append(("klx80 pictures", f"could not be saved: {e}"))
        return
    report.sections.append(("klx80 pictures", "\n".join(f"{name}: {path}" for name, path in saved)))
    # On the item too: the JUnit file takes the properties of the teardown's report.
    item.user_properties.extend((name, str(path)) for name, path in saved)
