"""A fresh KLX80 for every test, on a fresh copy of the flash image.

The image is the one the build makes (build/fontData.hex); KLX80_IMAGE names
another. Each test gets its own copy in its temporary folder, so what one
test saves never reaches the next.
"""
import os
import pathlib
import shutil

import pytest

import klx80


@pytest.fixture
def image(tmp_path):
    """A fresh copy of the flash image, as a path."""
    template = pathlib.Path(os.environ.get("KLX80_IMAGE", "build/fontData.hex"))
    if not template.is_file():
        pytest.skip(f"no flash image at {template}: build it, or set KLX80_IMAGE")
    copy = tmp_path / "fontData.hex"
    shutil.copyfile(template, copy)
    return copy


@pytest.fixture
def device(image):
    """A device switched on with the fresh image; closed after the test."""
    with klx80.Device(image=image, durability="never") as d:
        yield d
