"""The klx80 module against the batch runner: the same state and pictures,
the runner's messages as exceptions, one device at a time, images as bytes."""
import ast
import fcntl
import gc
import importlib.util
import json
import os
import pathlib
import resource
import shutil
import signal
import subprocess
import sys

import pytest

import klx80

IMAGE = pathlib.Path(os.environ.get("KLX80_IMAGE", "build/fontData.hex"))
BATCH = os.environ.get("KLX80_BATCH", "build/batch/klx80-batch")


@pytest.fixture(scope="module")
def image_bytes():
    return IMAGE.read_bytes()


@pytest.mark.parametrize("script", [
    "TEXT:HELLO ENTER TEXT:WORLD",
    "LABEL UP ENTER TEXT:N8 FUNC MENU DOWN 2 DOWN 1 2 ENTER PRINT PRINT",
    "MENU DOWN ENTER",  # a picker open
    "CART:5 BATT:6.5 TEXT:AB FUNC FONT",
])
def test_state_and_lcd_match_the_batch_runner(script, image_bytes, tmp_path):
    flash = tmp_path / "flash.hex"
    flash.write_bytes(image_bytes)
    lcd = tmp_path / "lcd.png"
    run = subprocess.run([BATCH, "--flash", str(flash), "--keys", script, "--lcd-png", str(lcd), "--state"],
                         capture_output=True, text=True, check=True)
    with klx80.Device(image=image_bytes) as d:
        d.keys(script)
        assert d.state() == json.loads(run.stdout)
        assert d.lcd_text == d.state()["lcd_text"]
        assert d.lamps == d.state()["lamps"]
        assert d.lcd_image() == lcd.read_bytes()
        assert d.lcd_image(format="array").shape == (128, 264, 3)


def test_labels_have_their_dots_and_facts(image_bytes):
    with klx80.Device(image=image_bytes) as d:
        d.keys("TEXT:AB FUNC PRINT 2 ENTER PRINT")  # two copies
        labels = d.labels
    assert [(l.number, l.copy) for l in labels] == [(1, 1), (2, 2)]
    label = labels[0]
    dots = label.array()
    assert dots.shape == (128, label.width) and label.width * 16 == len(label.columns)
    assert int(dots.sum()) == sum(bin(b).count("1") for b in label.columns)
    png = label.png()
    assert png[:8] == b"\x89PNG\r\n\x1a\n" and int.from_bytes(png[16:20], "big") == label.width


def test_bytes_image_carries_the_label_across_a_restart(image_bytes):
    with klx80.Device(image=image_bytes) as first:
        first.keys("TEXT:KEPT")
    kept = first.image()
    assert first.image_path == "" and len(kept) == len(image_bytes) and kept != image_bytes
    with klx80.Device(image=bytearray(kept)) as second:
        assert second.state()["lines"] == ["KEPT"]
        second.keys("TEXT:MORE")
    assert first.image() == kept  # still the first device's, though another ran since
    assert second.image() != kept


@pytest.mark.parametrize("call, error, message", [
    (lambda d: d.keys("TEXT:OK BOGUS"), ValueError, "unknown token 'BOGUS'"),
    (lambda d: d.keys("TEXT:a-b"), ValueError, "TEXT: takes letters, digits and _ for a space"),
    (lambda d: d.press("MENU DOWN"), ValueError, "press() takes one token"),
    (lambda d: setattr(d, "cartridge", 12), ValueError, "CART: takes a material id 0..11"),
    (lambda d: setattr(d, "battery", 9.5), ValueError, "BATT: takes volts from 6 to 9"),
    (lambda d: d.lcd_image(format="gif"), ValueError, 'format must be "png" or "array"'),
    (lambda d: klx80.Device(image=IMAGE), klx80.SessionError, "a device is already open"),
    (lambda d: (d.close(), d.keys("MENU")), klx80.DeviceError, "the device is closed"),
])
def test_errors_carry_the_message(call, error, message, image_bytes):
    with klx80.Device(image=image_bytes) as d:
        with pytest.raises(error, match=message.replace("(", r"\(").replace(")", r"\)")):
            call(d)
        if not d.closed:
            assert d.state()["lines"] == [""]  # nothing of a refused script ran


@pytest.mark.parametrize("image, message", [
    (b"\xff" * 1000, "not a flash image"),
    (b"", "0 bytes, not a flash image"),
    ("/nonexistent/fontData.hex", "Missing"),
])
def test_an_image_that_is_none_is_refused(image, message):
    with pytest.raises(klx80.ImageError, match=message):
        klx80.Device(image=image)
    klx80.Device(image=IMAGE.read_bytes()).close()  # nothing left open


def test_damaged_fonts_warn(image_bytes):
    damaged = bytearray(image_bytes)
    damaged[100] ^= 0xFF
    with pytest.warns(klx80.DeviceWarning, match="check sum") as told:
        klx80.Device(image=damaged).close()
    # The message as the device says it, pointing at the line that opened it.
    assert str(told[0].message).startswith("The image is damaged")
    assert told[0].filename == __file__


def test_stub_names_what_the_module_has():
    package = pathlib.Path(klx80.__file__).parent
    assert (package / "py.typed").is_file() and klx80.__version__
    stub = ast.parse((package / "_native.pyi").read_text())
    for node in stub.body:
        if isinstance(node, ast.ClassDef):
            stubbed = {f.name for f in node.body if isinstance(f, ast.FunctionDef) and not f.name.startswith("__")}
            real = {n for n in vars(getattr(klx80, node.name)) if not n.startswith("_")}
            assert stubbed == real, node.name
    classes = {n.name for n in stub.body if isinstance(n, ast.ClassDef)}
    assert classes == {n for n in dir(klx80) if isinstance(getattr(klx80, n), type)}


def test_opens_settled_and_reads_back_what_it_was_given(image_bytes):
    with klx80.Device(image=image_bytes) as d:
        assert d.settled and d.state()["mode"] != 28  # past the start-up screen
        d.battery = 6.8
        assert d.battery == 6.8
        printed = []
        d.on_label = printed.append
        d.keys("TEXT:AB FUNC PRINT 3 ENTER PRINT PRINT")  # three copies, Print after each pause
        assert [(l.copy, l.tape) for l in d.labels] == [(1, 1), (2, 2), (3, 3)]
        assert [l.number for l in printed] == [1, 2, 3]
        d.keys("MENU")
        assert d.wait_for_text("Symbols", ticks=10)[0] == "Symbols"
        with pytest.raises(klx80.DeviceError, match="'NEVER' did not show within 5 ticks; the screen reads 'Symbols'"):
            d.wait_for_text("NEVER", ticks=5)


@pytest.mark.parametrize("kwargs, message", [
    ({"clock": "realtime", "speed": 0}, "speed must be 1 or more"),
    ({"clock": "sometimes"}, 'clock must be "virtual" or "realtime"'),
])
def test_bad_clocks_are_refused(kwargs, message, image_bytes):
    with pytest.raises(ValueError, match=message):
        klx80.Device(image=image_bytes, **kwargs)


def test_realtime_clock_runs_and_prints(image_bytes):
    with klx80.Device(image=image_bytes, clock="realtime", speed=64) as d:
        d.keys("TEXT:A PRINT")
        assert d.ticks > 0 and len(d.labels) == 1
        d.keys("TEXT:B")  # keys still work after a print



@pytest.mark.skipif(importlib.util.find_spec("mypy") is None, reason="mypy is not installed (python3-mypy)")
@pytest.mark.parametrize("code, verdict", [
    ("with klx80.Device(image=b'') as d:\n    n: int = d.labels[0].tape\n", "Success"),
    ("with klx80.Device(image=b'') as d:\n    d.keys(5)\n", 'incompatible type "int"'),
])
def test_mypy_finds_the_types_without_settings(code, verdict, tmp_path):
    # Found through the package's py.typed on the import path: no MYPYPATH.
    (tmp_path / "rig.py").write_text("import klx80\n" + code)
    env = {k: v for k, v in os.environ.items() if k != "MYPYPATH"}
    env["PYTHONPATH"] = str(pathlib.Path(klx80.__file__).parent.parent)
    run = subprocess.run([sys.executable, "-m", "mypy", "--no-incremental", "--strict", str(tmp_path / "rig.py")],
                         capture_output=True, text=True, env=env, cwd=tmp_path)
    assert verdict in run.stdout, run.stdout


# ---- The image is the user's work: the same promises as every front end ----

@pytest.fixture
def image_file(image_bytes, tmp_path):
    path = tmp_path / "fontData.hex"
    path.write_bytes(image_bytes)
    return path


@pytest.mark.parametrize("target", ["image", "link", "protected"])
def test_snap_never_overwrites_the_image_or_a_protected_file(target, image_file, tmp_path):
    paths = {"image": image_file, "link": tmp_path / "link.png", "protected": tmp_path / "ro.png"}
    paths["link"].symlink_to(image_file)
    paths["protected"].write_bytes(b"kept")
    paths["protected"].chmod(0o444)
    before = {name: path.read_bytes() for name, path in paths.items()}
    with klx80.Device(image=image_file) as d:
        with pytest.raises(ValueError, match="names the flash image|write-protected"):
            d.keys("TEXT:A SNAP:" + str(paths[target]))
        assert d.state()["lines"] == [""]  # refused before the first key
    assert paths["protected"].read_bytes() == b"kept" and paths["link"].is_symlink()
    assert len(image_file.read_bytes()) == len(before["image"])


@pytest.mark.parametrize("mode", [fcntl.LOCK_EX, fcntl.LOCK_SH])
def test_an_image_another_program_holds_is_refused(mode, image_file):
    before = image_file.read_bytes()
    with open(image_file, "rb") as other:  # another program's lock, as flock(1) takes it
        fcntl.flock(other, mode | fcntl.LOCK_NB)
        with pytest.raises(klx80.ImageInUseError, match="in use by a running klx80 program"):
            klx80.Device(image=image_file)
    assert image_file.read_bytes() == before


def test_a_save_that_fails_raises(image_file):
    # Files limited below the label storage (the signal ignored: EFBIG), so
    # that the label journalled at close does not reach the image.
    limit = resource.getrlimit(resource.RLIMIT_FSIZE)
    old_handler = signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
    d = klx80.Device(image=image_file)
    try:
        resource.setrlimit(resource.RLIMIT_FSIZE, (900 * 1024, limit[1]))
        d.keys("TEXT:LOST")
        with pytest.raises(klx80.DeviceError, match="cannot be saved"):
            d.close()
    finally:
        resource.setrlimit(resource.RLIMIT_FSIZE, limit)
        signal.signal(signal.SIGXFSZ, old_handler)
        d.close()
    assert d.closed


def test_paths_as_the_system_spells_them(image_bytes, tmp_path):
    with pytest.raises(ValueError, match="NUL"):
        klx80.Device(image=str(tmp_path / "img.hex") + "\0junk")
    odd = tmp_path / os.fsdecode(b"caf\xe9.hex")  # not UTF-8
    odd.write_bytes(image_bytes)
    with klx80.Device(image=odd) as d:
        d.keys("TEXT:A")
        assert d.image_path == str(odd)
    with pytest.raises(ValueError, match="NUL"):
        klx80.Device(image=image_bytes).keys("SNAP:a.png\0b")


def test_ctrl_c_stops_a_long_tick_and_a_closing_handler_stops_keys(image_bytes):
    def interrupt(*_):
        raise KeyboardInterrupt
    old = signal.signal(signal.SIGALRM, interrupt)
    try:
        with klx80.Device(image=image_bytes) as d:
            signal.setitimer(signal.ITIMER_REAL, 0.2)
            with pytest.raises(KeyboardInterrupt):
                d.tick(2**32 - 1)
            assert d.ticks < 2**32 - 1
            signal.signal(signal.SIGALRM, lambda *_: d.close())
            signal.setitimer(signal.ITIMER_REAL, 0.2)
            with pytest.raises(klx80.DeviceError, match="closed during keys"):
                d.keys(" ".join(["TICKS:50000"] * 2000))
            assert d.closed
    finally:
        signal.setitimer(signal.ITIMER_REAL, 0)
        signal.signal(signal.SIGALRM, old)


def test_a_forked_child_ends_without_the_parents_worker(image_bytes):
    with klx80.Device(image=image_bytes) as d:
        d.keys("TEXT:A")
        pid = os.fork()
        if pid == 0:  # the child: its device is the parent's; ending must not wait for its worker
            signal.alarm(30)
            code = 1
            try:
                with pytest.raises(klx80.DeviceError, match="forked"):
                    d.keys("TEXT:B")
                d.close()
                del d
                gc.collect()
                code = 0
            finally:
                os._exit(code)
        _, status = os.waitpid(pid, 0)
        assert os.WIFEXITED(status) and os.WEXITSTATUS(status) == 0
        d.keys("TEXT:B")
        assert d.state()["lines"] == ["AB"]
