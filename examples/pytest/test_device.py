"""What a QA engineer checks on the device, written as pytest tests."""
import shutil
import subprocess

import pytest

import klx80

# The main menu: Symbols, International, Barcode, File, Language, Units.
LANGUAGE = "MENU DOWN DOWN DOWN DOWN ENTER"
FILE_MENU = "MENU DOWN DOWN DOWN ENTER"
BANNER = "LABEL UP ENTER"  # Banner landscape: one line along the tape


def test_serial_run_prints_every_value(device):
    # N8, then Func + Menu: increment 2, end 012; each Print prints the next.
    device.keys(f"{BANNER} TEXT:N8 FUNC MENU DOWN 2 DOWN 1 2 ENTER")
    device.keys("PRINT PRINT PRINT")
    assert [label.serial for label in device.labels] == ["8", "10", "12"]
    assert device.lcd_text[0] == "N12"
    assert device.state()["serial"]["print"] is False


def test_german_popup(device):
    device.keys(f"{LANGUAGE} DOWN DOWN DOWN DOWN ENTER")
    assert device.state()["language"] == 4
    # Two lines of a banner in 40pt cannot fit.
    device.keys(f"{BANNER} TEXT:AB ENTER TEXT:CD FONT")
    device.keys("DOWN " * 8 + "ENTER")
    assert device.lcd_text[1] == "Passt nicht"


@pytest.mark.skipif(shutil.which("zbarimg") is None, reason="zbarimg is not installed (zbar-tools)")
def test_barcode_decodes(device, tmp_path):
    # Menu, Barcode, Code 39 on a banner label, then the code's text.
    device.keys(f"{BANNER} MENU DOWN DOWN ENTER ENTER TEXT:QA2024 PRINT")
    picture = tmp_path / "label.png"
    picture.write_bytes(device.labels[-1].png())
    scan = subprocess.run(["zbarimg", "-q", str(picture)], capture_output=True, text=True, timeout=60)
    assert scan.stdout.strip() == "CODE-39:QA2024"


def test_file_survives_a_restart(image):
    with klx80.Device(image=image) as d:
        d.keys(f"{BANNER} TEXT:KEEP_ME")
        d.keys(f"{FILE_MENU} ENTER DOWN DOWN ENTER TEXT:QA ENTER")  # Save, slot 3, named QA
        d.keys("FUNC DELETE")  # the label cleared
        assert d.state()["lines"] == [""]
    with klx80.Device(image=image) as d:
        d.keys(f"{FILE_MENU} DOWN ENTER DOWN DOWN ENTER")  # Open, slot 3
        assert d.state()["lines"] == ["KEEP ME"]


@pytest.mark.parametrize("volts, bars", [(9.0, 3), (8.0, 2), (7.5, 2), (7.0, 1), (6.0, 1)])
def test_low_battery_shows(device, volts, bars):
    # The battery lamp beside the LCD shows the level; the screen stays as it was.
    screen = device.lcd_image()
    device.battery = volts
    assert device.lamps["battery"] == bars
    assert device.lcd_image() == screen
