"""A fresh KLX80 for every test, on a fresh copy of the flash image.

The image is the one the build makes (build/fontData.hex); KLX80_IMAGE names
another. The device fixture runs on the image's bytes in memory, so what one
test saves never reaches the next and no file is written; a test that needs
the image as a file (to switch the device off and on) takes the image fixture,
its own copy in its temporary folder.
"""
import os
import pathlib

import pytest

import klx80


@pytest.fixture(scope="session")
def template():
    """The built image's bytes, read once."""
    path = pathlib.Path(os.environ.get("KLX80_IMAGE", "build/fontData.hex"))
    if not path.is_file():
        pytest.skip(f"no flash image at {path}: build it, or set KLX80_IMAGE")
    return path.read_bytes()


@pytest.fixture
def image(template, tmp_path):
    """A fresh copy of the image as a file."""
    copy = tmp_path / "fontData.hex"
    copy.write_bytes(template)
    return copy


@pytest.fixture
def device(template):
    """A device switched on with a fresh image in memory; closed after the test."""
    with klx80.Device(image=template) as d:
        yield d
