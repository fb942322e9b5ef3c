// The klx80 Python module: the device session for test rigs written in
// Python. A Device is one Session; every call runs on the caller's thread
// with the interpreter lock held, so a Device is used by one thread at a time.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <mutex>

#include "batch/golden.h"
#include "host/files/png.h"
#include "host/files/tape_pbm.h"
#include "host/seam/flash_image.h"
#include "host/seam/clock.h"
#include "host/seam/host_ui.h"
#include "host/seam/tape_history.h"
#include "host/session/lcd_text.h"
#include "host/session/script.h"
#include "host/session/session.h"

namespace py = pybind11;
using nlohmann::ordered_json;

namespace {

// The module's exceptions, created at import.
PyObject* error_base = nullptr;      // klx80.Error(RuntimeError)
PyObject* session_error = nullptr;   // klx80.SessionError: another device is open
PyObject* image_error = nullptr;     // klx80.ImageError: the image is missing or not one
PyObject* in_use_error = nullptr;    // klx80.ImageInUseError(ImageError): another program holds the image
PyObject* device_error = nullptr;    // klx80.DeviceError: the device hung, a file not written, closed
PyObject* device_warning = nullptr;  // klx80.DeviceWarning(UserWarning)

[[noreturn]] void raise(PyObject* type, const std::string& message) {
  PyErr_SetString(type, message.c_str());
  throw py::error_already_set();
}

// The device's warnings (an image whose fonts do not match their sum, a save
// that did not reach the disk) become Python warnings once the call returns.
// The session may warn from the print worker, hence the lock.
class WarningUi : public HostUi {
 public:
  void warn(const std::string& text, const std::string& caption) override {
    // The caption ("Error") is the message box's title: the warning's class says it.
    (void)caption;
    std::lock_guard lock(mutex_);
    pending_.push_back(text);
  }
  void flush() {
    std::vector<std::string> texts;
    {
      std::lock_guard lock(mutex_);
      texts.swap(pending_);
    }
    for (const std::string& text : texts)
      // Level 1: the line of Python that called into the device.
      if (PyErr_WarnEx(device_warning, text.c_str(), 1) < 0) throw py::error_already_set();
  }

 private:
  std::mutex mutex_;
  std::vector<std::string> pending_;
};
WarningUi warning_ui;

// Reading the screen as text needs glyph tables built from the image's font
// store, which takes longer than opening the device. Devices on images with
// the same font store (the area below the labels, its sum included) share
// one reader; the few last font stores seen are kept.
struct CachedReader {
  std::vector<uint8_t> fonts;
  std::shared_ptr<const LcdTextReader> reader;
};
std::vector<CachedReader> readers;
constexpr size_t kCachedReaders = 4;
constexpr size_t kFontStoreEnd = FLASH_FONT_SUM_ADDR + 4;

// The reader of an image's fonts when one is kept, or nullptr.
std::shared_ptr<const LcdTextReader> cached_reader(const std::vector<uint8_t>& image) {
  if (image.size() < kFontStoreEnd) return nullptr;
  for (const CachedReader& c : readers)
    if (std::equal(c.fonts.begin(), c.fonts.end(), image.begin())) return c.reader;
  return nullptr;
}

std::shared_ptr<const LcdTextReader> reader_for(Session& s) {
  std::vector<uint8_t> image = s.image_bytes();
  if (auto reader = cached_reader(image)) return reader;
  image.resize(kFontStoreEnd);
  if (readers.size() >= kCachedReaders) readers.erase(readers.begin());
  readers.push_back({std::move(image), s.screen_reader()});
  return readers.back().reader;
}

// Ticks run between two looks for Ctrl+C (and a close from a signal handler).
constexpr uint32_t kTicksBetweenSignals = 1000;

// A path as the operating system spells it: str and path-like objects through
// os.fsencode, so that a name that is no UTF-8 arrives byte for byte.
std::string os_path(const py::object& path, const char* what) {
  py::object encoded = py::module_::import("os").attr("fsencode")(path);
  std::string bytes = encoded.cast<std::string>();
  if (bytes.find('\0') != std::string::npos) raise(PyExc_ValueError, std::string(what) + " holds a NUL character");
  return bytes;
}

py::object os_name(const std::string& path) {
  return py::module_::import("os").attr("fsdecode")(py::bytes(path));
}

class Device;
// The last device closed on bytes: its image, as it left it, is still the
// flash's until the next device opens, which first keeps a copy for it.
Device* image_in_flash = nullptr;

py::object to_python(const ordered_json& j) {
  switch (j.type()) {
    case ordered_json::value_t::null:
      return py::none();
    case ordered_json::value_t::boolean:
      return py::bool_(j.get<bool>());
    case ordered_json::value_t::number_integer:
      return py::int_(j.get<int64_t>());
    case ordered_json::value_t::number_unsigned:
      return py::int_(j.get<uint64_t>());
    case ordered_json::value_t::number_float:
      return py::float_(j.get<double>());
    case ordered_json::value_t::string:
      return py::str(j.get_ref<const std::string&>());
    case ordered_json::value_t::array: {
      py::list list;
      for (const ordered_json& item : j) list.append(to_python(item));
      return list;
    }
    case ordered_json::value_t::object: {
      py::dict dict;
      for (const auto& [key, value] : j.items()) dict[py::str(key)] = to_python(value);
      return dict;
    }
    default:
      return py::none();
  }
}

py::bytes png_or_raise(const std::string& png, const char* what) {
  if (png.empty()) raise(PyExc_ValueError, std::string(what) + " has no picture (no columns)");
  return py::bytes(png);
}

py::object label_serial(const TapeLabel& label) {
  return label.serial.empty() ? py::object(py::none()) : py::object(py::str(label.serial));
}

class Device {
 public:
  Device(py::object image, const std::string& clock, uint32_t speed, const std::string& durability) {
    SessionOptions options;
    options.keep_labels = true;
    options.refuse_missing = true;
    if (clock == "virtual")
      options.clock = SessionClock::Virtual;
    else if (clock == "realtime")
      options.clock = SessionClock::RealTime, options.speed = speed, options.paced = true;
    else
      raise(PyExc_ValueError, "clock must be \"virtual\" or \"realtime\", not \"" + clock + "\"");
    static const std::map<std::string, FlashDurability> durabilities = {{"close", FlashDurability::SyncAtClose},
                                                                        {"each", FlashDurability::SyncEachSave},
                                                                        {"never", FlashDurability::Never}};
    auto d = durabilities.find(durability);
    if (d == durabilities.end())
      raise(PyExc_ValueError, "durability must be \"close\", \"each\" or \"never\", not \"" + durability + "\"");
    options.durability = d->second;
    if (speed < 1) raise(PyExc_ValueError, "speed must be 1 or more (times real time), not " + std::to_string(speed));
    if (py::isinstance<py::bytes>(image) || py::isinstance<py::bytearray>(image) ||
        py::isinstance<py::memoryview>(image)) {
      const py::buffer_info bytes = py::buffer(image).request();
      if (bytes.ndim != 1 || bytes.itemsize != 1 || bytes.strides[0] != 1)
        raise(PyExc_TypeError, "image must be a path or contiguous bytes");
      if (bytes.size == 0)  // empty bytes would mean "read the file" to the session
        raise(image_error, "the image is 0 bytes, not a flash image of " + std::to_string(FLASH_IMAGE_SIZE));
      const auto* first = static_cast<const uint8_t*>(bytes.ptr);
      options.image_bytes.assign(first, first + bytes.size);
      options.image_path = "";
    } else {
      py::object path = py::module_::import("os").attr("fspath")(image);
      if (!py::isinstance<py::str>(path)) raise(PyExc_TypeError, "image must be a path or bytes");
      options.image_path = os_path(path, "the image path");
      if (options.image_path.empty()) raise(image_error, "no image: the path is empty");
    }
    keep_image_of_closed_device();
    try {
      session_ = std::make_unique<Session>(options);
    } catch (const SessionError& e) {
      warning_ui.flush();
      raise(e.in_use() ? in_use_error : Session::current() ? session_error : image_error, e.what());
    }
    // Devices opened on the same bytes share the screen's reader from the start.
    if (auto reader = cached_reader(options.image_bytes)) {
      session_->use_screen_reader(std::move(reader));
      shared_reader_ = true;
    }
    realtime_ = options.clock == SessionClock::RealTime;
    opened_ms_ = host_clock_now_ms();
    // Opened as the batch runner opens it: settled, past its start-up screen.
    std::string error;
    if (!session_->settle(error)) fail("at start-up: " + error);
    // The device starts a fresh tape when it starts: labels count tapes from there.
    tape_base_ = tape_history_current_tape();
    seen_label_ = session_->last_label_number();
    warning_ui.flush();
  }
  ~Device() {
    if (image_in_flash == this) image_in_flash = nullptr;
  }
  Device(const Device&) = delete;
  Device& operator=(const Device&) = delete;

  Device& enter() { return *this; }
  void exit(const py::args&) { close(); }

  void close() {
    if (session_->closed()) return;
    session_->close();
    // The flash as the device left it, the working label journalled, stays
    // there until the next device opens; a file image holds it in its file.
    if (session_->image_path().empty()) image_in_flash = this;
    warning_ui.flush();
    raise_failed_save();
  }
  bool closed() const { return session_->closed(); }

  void keys(const std::string& script) {
    std::vector<ScriptToken> tokens;
    std::string error;
    if (script.find('\0') != std::string::npos) raise(PyExc_ValueError, "the script holds a NUL character");
    if (!script_parse(script, tokens, error)) raise(PyExc_ValueError, error);
    // SNAP: onto the image or a write-protected file: refused before any key.
    if (std::string why = live().script_refusal(tokens); !why.empty()) raise(PyExc_ValueError, why);
    for (const ScriptToken& t : tokens) {
      if (!live().run(t, error)) fail(t.source + ": " + error);
      // Ctrl+C stops a long script; a signal handler that closed the device
      // stops it too, before another key reaches a closed device.
      if (PyErr_CheckSignals() != 0) throw py::error_already_set();
      if (closed()) raise(device_error, "the device was closed during keys(); the rest of the script did not run");
      tell_new_labels();
      raise_failed_save();
    }
    warning_ui.flush();
    raise_failed_save();
  }

  void press(const std::string& token) {
    std::vector<ScriptToken> tokens;
    std::string error;
    if (!script_parse(token, tokens, error)) raise(PyExc_ValueError, error);
    if (tokens.size() != 1)
      raise(PyExc_ValueError,
            "press() takes one token, not " + std::to_string(tokens.size()) + "; keys() runs a script");
    keys(token);
  }

  void tick(uint32_t count) {
    // In slices, so that Ctrl+C ends even four billion ticks.
    while (count > 0) {
      const uint32_t slice = std::min(count, kTicksBetweenSignals);
      live().tick(slice);
      count -= slice;
      if (PyErr_CheckSignals() != 0) throw py::error_already_set();
    }
    tell_new_labels();
    warning_ui.flush();
    raise_failed_save();
  }

  void settle() {
    std::string error;
    if (!live().settle(error)) fail(error);
    tell_new_labels();
    warning_ui.flush();
  }

  // Ticks until a line of the screen holds text; the lines then. The screen
  // is read again only when the LCD was loaded anew.
  py::list wait_for_text(const std::string& text, uint32_t ticks) {
    Session& s = live();
    use_shared_reader();
    uint64_t seen = s.lcd_generation() + 1;
    for (uint32_t n = 0;; ++n) {
      if (s.lcd_generation() != seen) {
        seen = s.lcd_generation();
        const std::vector<std::string> lines = s.lcd_text();
        for (const std::string& line : lines)
          if (line.find(text) != std::string::npos) {
            warning_ui.flush();
            return py::cast(lines);
          }
      }
      if (n == ticks) break;
      s.tick(1);
      tell_new_labels();
      if (n % 1000 == 999 && PyErr_CheckSignals() != 0) throw py::error_already_set();
    }
    std::string shown;
    for (const std::string& line : s.lcd_text()) shown += (shown.empty() ? "'" : ", '") + line + "'";
    fail("'" + text + "' did not show within " + std::to_string(ticks) + " ticks; the screen reads " + shown);
  }

  py::object on_label() const { return on_label_; }
  void set_on_label(py::object callback) {
    if (!callback.is_none() && !PyCallable_Check(callback.ptr()))
      raise(PyExc_TypeError, "on_label takes a function of one Label, or None");
    on_label_ = std::move(callback);
    if (!closed()) seen_label_ = session_->last_label_number();
  }

  py::list lcd_text() {
    const ordered_json state = read_state();
    py::list lines;
    for (const ordered_json& line : state["lcd_text"]) lines.append(py::str(line.get_ref<const std::string&>()));
    return lines;
  }

  py::dict lamps() {
    const MirrorLamps l = live().lamps();
    py::dict d;
    d["pt"] = l.pt, d["bold"] = l.bold, d["caps"] = l.caps, d["func"] = l.func, d["battery"] = int(l.battery);
    return d;
  }

  py::dict state() { return to_python(read_state()); }

  py::object lcd_image(const std::string& format) {
    const std::vector<uint8_t> rgb = live().lcd_rgb();
    if (format == "png") return png_or_raise(png_encode_rgb(MIRROR_WIDTH, MIRROR_HEIGHT, rgb.data()), "the LCD");
    if (format == "array") {
      py::array_t<uint8_t> a({MIRROR_HEIGHT, MIRROR_WIDTH, 3});
      std::copy(rgb.begin(), rgb.end(), a.mutable_data());
      return a;
    }
    raise(PyExc_ValueError, "format must be \"png\" or \"array\", not \"" + format + "\"");
  }

  std::vector<TapeLabel> labels() {
    std::vector<TapeLabel> all = live().labels();
    for (TapeLabel& l : all) l.tape -= std::min(l.tape, tape_base_);
    return all;
  }

  int cartridge() { return live().cartridge(); }
  void set_cartridge(int id) { keys("CART:" + std::to_string(id)); }
  // The dial keeps single precision: 6.8 reads back 6.8, not 6.800000190734863.
  double battery() { return std::round(double(live().battery()) * 1000) / 1000; }
  void set_battery(double volts) {
    char token[48];
    std::snprintf(token, sizeof token, "BATT:%.6g", volts);
    keys(token);
  }

  py::bytes image() const {
    if (session_->closed() && !session_->image_path().empty())
      return py::module_::import("pathlib").attr("Path")(os_name(session_->image_path())).attr("read_bytes")();
    const bool kept = session_->closed() && image_in_flash != this;
    const std::vector<uint8_t> bytes = kept ? final_image_ : session_->image_bytes();
    return py::bytes(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  }
  py::object image_path() const { return os_name(session_->image_path()); }
  uint64_t ticks() { return live().ticks(); }
  bool settled() { return live().settled(); }

  std::string repr() const {
    if (closed()) return "<klx80.Device closed>";
    const std::string on =
        session_->image_path().empty() ? "on bytes" : py::repr(image_path()).cast<std::string>();
    return "<klx80.Device " + on + ", tick " + std::to_string(session_->ticks()) + ">";
  }

 private:
  Session& live() {
    if (closed()) raise(device_error, "the device is closed");
    // A forked child shares the parent's image file but not its worker.
    if (!session_->in_opening_process())
      raise(device_error, "the device belongs to the process that opened it, not to this forked one");
    // On the real clock the device has run on while Python did other things:
    // the ticks due since it opened are run first (they wait for nothing).
    if (realtime_) {
      const uint64_t due = (host_clock_now_ms() - opened_ms_) * host_clock_speed() / 10;
      if (session_->ticks() < due) session_->tick(uint32_t(std::min<uint64_t>(due - session_->ticks(), 1u << 20)));
    }
    return *session_;
  }
  // A printed label's callback, once for each label printed since the last call.
  void tell_new_labels() {
    if (on_label_.is_none() || closed()) return;
    const uint64_t last = session_->last_label_number();
    if (last <= seen_label_) return;
    const uint64_t first_new = seen_label_ + 1;
    seen_label_ = last;
    for (const TapeLabel& l : labels())
      if (l.number >= first_new) on_label_(l);
  }
  // A save that did not reach the image is an error, raised once.
  void raise_failed_save() {
    if (save_raised_) return;
    const std::string problem = session_->save_problem();
    if (problem.empty()) return;
    save_raised_ = true;
    raise(device_error, problem);
  }
  void use_shared_reader() {
    if (shared_reader_) return;
    session_->use_screen_reader(reader_for(*session_));
    shared_reader_ = true;
  }
  [[noreturn]] void fail(const std::string& message) {
    warning_ui.flush();
    raise(device_error, message);
  }
  static void keep_image_of_closed_device() {
    if (!image_in_flash) return;
    image_in_flash->final_image_ = image_in_flash->session_->image_bytes();
    image_in_flash = nullptr;
  }
  ordered_json read_state() {
    Session& s = live();
    use_shared_reader();
    return s.state_object();
  }

  std::unique_ptr<Session> session_;  // set for the Device's whole life
  std::vector<uint8_t> final_image_;  // a device on bytes, closed before another opened
  bool shared_reader_ = false;
  bool realtime_ = false;
  uint64_t opened_ms_ = 0;    // the host clock when it opened (real clock)
  uint64_t tape_base_ = 0;    // the device's tape number when it opened
  uint64_t seen_label_ = 0;   // the last label told to on_label
  py::object on_label_ = py::none();
  bool save_raised_ = false;
};

}  // namespace

PYBIND11_MODULE(_native, m) {
  m.doc() =
      "A simulated KLX80 label printer for test rigs.\n\n"
      "Open a device on a flash image (a file or its bytes), drive it with the\n"
      "key-script language of the batch runner and read back what it shows:\n\n"
      "    import klx80\n"
      "    with klx80.Device(image=\"fontData.hex\") as d:\n"
      "        d.keys(\"TEXT:HELLO PRINT\")\n"
      "        assert d.lcd_text[0] == \"HELLO\"\n"
      "        png = d.labels[-1].png()\n\n"
      "The device runs on a virtual clock: time moves only when it is ticked,\n"
      "and every key lets it settle first. One device at a time per process.";
  m.attr("firmware_version") = Session::firmware_version();
  m.def(
      "compare_golden",
      [](const std::string& actual, const std::string& expected, const std::string& work_dir, bool rebaseline) {
        const golden::Result r = golden::compare(actual, expected, work_dir, rebaseline);
        return py::make_tuple(r.ok, r.message);
      },
      py::arg("actual"), py::arg("expected"), py::arg("work_dir"), py::arg("rebaseline") = false,
      "Compares the file actual with the golden expected as the suite runner does (pictures\n"
      "pixel by pixel, a JSON state field by field, anything else byte by byte). Returns\n"
      "(ok, message); on a difference the actual file and the diff picture go to work_dir\n"
      "and the message says what differs. With rebaseline the golden is replaced.");

  error_base = PyErr_NewExceptionWithDoc("klx80.Error", "Every error the device reports.", PyExc_RuntimeError, nullptr);
  session_error = PyErr_NewExceptionWithDoc(
      "klx80.SessionError", "Another device is open in this process: close it first.", error_base, nullptr);
  image_error = PyErr_NewExceptionWithDoc("klx80.ImageError", "The flash image is missing or is not a flash image.",
                                          error_base, nullptr);
  in_use_error = PyErr_NewExceptionWithDoc(
      "klx80.ImageInUseError", "Another program (the desktop simulator, a batch run) holds the image: close it there.",
      image_error, nullptr);
  device_error = PyErr_NewExceptionWithDoc(
      "klx80.DeviceError",
      "The device did not settle, a file or a save could not be written, or it is closed.", error_base, nullptr);
  device_warning =
      PyErr_NewExceptionWithDoc("klx80.DeviceWarning",
                                "What the device would tell its user in a message box (a damaged font sum, a save "
                                "that did not reach the disk).",
                                PyExc_UserWarning, nullptr);
  m.attr("Error") = py::handle(error_base);
  m.attr("SessionError") = py::handle(session_error);
  m.attr("ImageError") = py::handle(image_error);
  m.attr("ImageInUseError") = py::handle(in_use_error);
  m.attr("DeviceError") = py::handle(device_error);
  m.attr("DeviceWarning") = py::handle(device_warning);
  host_ui_install(&warning_ui);

  py::class_<TapeLabel>(m, "Label",
                        "One printed label: its facts and its dots.\n\n"
                        "columns holds 16 bytes per printed column, left to right; byte j of a\n"
                        "column holds pixel rows 8j..8j+7, bit 7 the upper row (row 0 is the\n"
                        "top of the tape as the Print Output window shows it).")
      .def_readonly("number", &TapeLabel::number, "1 for the first label printed since the device opened.")
      .def_readonly("tape", &TapeLabel::tape,
                    "The tape it was printed on, from 1 for the first since the device opened. The device\n"
                    "starts a new tape for every label (each copy of a job too); a sample run keeps one.")
      .def_readonly("label_type", &TapeLabel::label_type, "The label type's number, as in state()['label_type'].")
      .def_property_readonly(
          "label_type_name", [](const TapeLabel& l) { return tape_label_type_name(l.label_type); },
          "The label type in words, e.g. 'Banner landscape'.")
      .def_readonly("cartridge", &TapeLabel::cartridge, "The material it was printed on (0..11).")
      .def_readonly("copy", &TapeLabel::copy, "Which copy of its job it is, from 1.")
      .def_property_readonly("serial", &label_serial, "The serial value printed on it, or None.")
      .def_readonly("width", &TapeLabel::width, "Columns printed (8 to the millimetre).")
      .def_property_readonly("length_mm", &TapeLabel::length_mm, "Its length in millimetres.")
      .def_property_readonly(
          "columns",
          [](const TapeLabel& l) {
            return py::bytes(reinterpret_cast<const char*>(l.columns.data()), l.columns.size() * TAPE_COLUMN_BYTES);
          },
          "The dots: 16 bytes per column (see the class docstring).")
      .def(
          "png",
          [](const TapeLabel& l) {
            const std::vector<uint8_t> rows = tape_rows_of(l.columns);
            return png_or_raise(png_encode_bilevel(int(l.columns.size()), TAPE_DOTS, rows.data()), "the label");
          },
          "The label as PNG bytes: one pixel per dot, 128 rows, black dots on white.")
      .def(
          "array",
          [](const TapeLabel& l) {
            py::array_t<bool> a({size_t(TAPE_DOTS), l.columns.size()});
            auto v = a.mutable_unchecked<2>();
            for (size_t c = 0; c < l.columns.size(); ++c)
              for (int r = 0; r < TAPE_DOTS; ++r) v(r, c) = (l.columns[c][r / 8] & (0x80 >> (r % 8))) != 0;
            return a;
          },
          "The dots as a NumPy bool array of 128 rows by width columns (True: printed). Needs NumPy.")
      .def("__repr__", [](const TapeLabel& l) {
        return "<klx80.Label " + std::to_string(l.number) + ": " + tape_label_type_name(l.label_type) + ", " +
               std::to_string(l.width) + " columns, copy " + std::to_string(l.copy) +
               (l.serial.empty() ? std::string() : ", serial " + l.serial) + ">";
      });

  py::class_<Device>(m, "Device",
                     "A running KLX80.\n\n"
                     "    with klx80.Device(image=\"fontData.hex\") as d:\n"
                     "        d.keys(\"TEXT:HELLO PRINT\")\n\n"
                     "Keys are given in the batch runner's key-script language: key names\n"
                     "MENU LABEL FONT DELETE ENTER PRINT UP DOWN RIGHT LEFT CAPS SPACE, digits,\n"
                     "letters, FUNC, SHIFT_DOWN, SHIFT_UP, CUT, ESC, ALT+A.., TEXT:HELLO_WORLD\n"
                     "(_ a space), TICKS:N, CART:N, BATT:V, SNAP:FILE, FOCUS_OUT, TIMING:EXACT.\n"
                     "Every token lets the device settle before the next.\n\n"
                     "Closing (close(), the end of the with block, or the object going away)\n"
                     "journals the working label as closing the device window does, and\n"
                     "writes the image back to its file. Only one device may be open at a\n"
                     "time in a process; opening a second raises SessionError.")
      .def(py::init<py::object, const std::string&, uint32_t, const std::string&>(), py::kw_only(), py::arg("image"),
           py::arg("clock") = "virtual", py::arg("speed") = 1, py::arg("durability") = "close",
           "Opens a device.\n\n"
           "image: a path to a flash image (1 MiB), whose changes are written back to it,\n"
           "    or the image's bytes, held in memory (read them back with image()).\n"
           "clock: \"virtual\" (time moves only when the device is ticked) or\n"
           "    \"realtime\" (the host's clock, at speed times real time).\n"
           "durability: when a file image reaches the disk: \"close\" (once, at close),\n"
           "    \"each\" (every save, as the desktop program), or \"never\".\n\n"
           "A file image is held by this device alone until it closes, as every klx80\n"
           "program holds it. Raises ImageError when the image is missing or not a flash\n"
           "image, ImageInUseError when another program holds it, and SessionError when\n"
           "another device is open.")
      .def("__enter__", &Device::enter, py::return_value_policy::reference_internal, "Returns the device.")
      .def("__exit__", &Device::exit, "Closes the device (see close()).")
      .def("close", &Device::close,
           "Closes the device as its window does: the working label journalled, the image\n"
           "written back. Raises DeviceError when a save did not reach the image.\n"
           "Closing twice does nothing.")
      .def_property_readonly("closed", &Device::closed, "True once the device is closed.")
      .def("keys", &Device::keys, py::arg("script"),
           "Runs a key script, e.g. \"TEXT:HELLO ENTER TEXT:WORLD PRINT\".\n\n"
           "Raises ValueError naming the first bad token or a SNAP: that would overwrite\n"
           "the image or a write-protected file (nothing runs then), and DeviceError\n"
           "when the device does not settle after a token, a save does not reach the\n"
           "image, or the device is closed meanwhile (by a signal handler). After\n"
           "TIMING:EXACT nothing settles: call settle() once the script is done.")
      .def("press", &Device::press, py::arg("token"), "Runs one token, e.g. \"MENU\" or \"ALT+T\"; errors as keys().")
      .def("tick", &Device::tick, py::arg("count") = 1,
           "Moves the device on by count ticks of 10 ms, without waiting for anything.")
      .def("settle", &Device::settle,
           "Ticks until nothing is left to do (no key waiting, the screen still, the print\n"
           "engine idle or waiting for a cut). Raises DeviceError when that takes more than\n"
           "ten simulated minutes.")
      .def_property_readonly("settled", &Device::settled, "True when nothing is left to do.")
      .def("wait_for_text", &Device::wait_for_text, py::arg("text"), py::arg("ticks") = 6000,
           "Ticks until a line of the screen holds text (a popup, a job's end) and returns the\n"
           "lines then; raises DeviceError naming what the screen reads when it has not shown\n"
           "within ticks (10 ms each).")
      .def_property("on_label", &Device::on_label, &Device::set_on_label,
                    "A function called with each Label as it is printed (during keys(), tick(),\n"
                    "settle() and wait_for_text()), or None.")
      .def_property_readonly("ticks", &Device::ticks, "Ticks of 10 ms run since the device opened.")
      .def_property_readonly("lcd_text", &Device::lcd_text,
                             "The screen read back as text: three text lines and the status line.")
      .def_property_readonly("lamps", &Device::lamps,
                             "The lamps: {'pt', 'bold', 'caps', 'func': bool, 'battery': 0..3}.")
      .def("state", &Device::state,
           "The device's state as a dict, the same as the batch runner's --state:\n"
           "mode, lines, cursor, label_type, font_size, serial, lamps, cartridge, popup,\n"
           "messages, language, lcd_text and more.")
      .def("lcd_image", &Device::lcd_image, py::arg("format") = "png",
           "The LCD as the device window shows it (264 x 128): PNG bytes, or with\n"
           "format=\"array\" a NumPy uint8 array of 128 rows x 264 columns x RGB.")
      .def_property_readonly("labels", &Device::labels,
                             "Every label printed since the device opened, oldest first (a list of Label).")
      .def_property("cartridge", &Device::cartridge, &Device::set_cartridge,
                    "The material loaded (0..11). Setting it changes it as the media panel does\n"
                    "(removal, then the new one) and lets the device settle.")
      .def_property("battery", &Device::battery, &Device::set_battery,
                    "The battery dial in volts (6..9); the LCD's battery symbol follows.")
      .def("image", &Device::image, "The flash image's bytes as the device holds them (after close, as it left them).")
      .def_property_readonly("image_path", &Device::image_path, "The image file, or \"\" for a device opened on bytes.")
      .def("__repr__", &Device::repr);
}
