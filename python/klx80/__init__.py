"""A simulated KLX80 label printer for test rigs.

Open a device on a flash image (a file or its bytes), drive it with the
key-script language of the batch runner and read back what it shows:

    import klx80
    with klx80.Device(image="fontData.hex") as d:
        d.keys("TEXT:HELLO PRINT")
        assert d.lcd_text[0] == "HELLO"
        png = d.labels[-1].png()

The device runs on a virtual clock: time moves only when it is ticked, and
every key lets it settle first. One device at a time per process.

pytest: the plugin klx80.pytest_plugin (registered when the package is
installed; `pytest -p klx80.pytest_plugin` otherwise) gives the fixtures
klx80_image, klx80_device and klx80_golden.
"""
import os
import pathlib

from . import _build
from ._native import (
    Device,
    DeviceError,
    DeviceWarning,
    Error,
    ImageError,
    ImageInUseError,
    Label,
    SessionError,
    compare_golden,
    firmware_version,
)

__version__: str = _build.VERSION

__all__ = [
    "Device",
    "DeviceError",
    "DeviceWarning",
    "Error",
    "ImageError",
    "ImageInUseError",
    "Label",
    "SessionError",
    "compare_golden",
    "firmware_version",
    "template_path",
    "__version__",
]


def template_path() -> pathlib.Path:
    """The fresh flash image: $KLX80_IMAGE, else the one built (or installed) with this package."""
    return pathlib.Path(os.environ.get("KLX80_IMAGE") or _build.TEMPLATE)
