// Print engine: the state machine on the worker thread that turns a print
// request into dot columns for the head. A screen sets a printing mode; the
// next engine step runs the whole job for it (label after label, with the
// "Cut or Print" pause between them) and then sets the next mode itself.
// Columns leave through prn_head_column into the tape sink; the progress on
// the LCD is drawn by the tick (prn_tick_task) on a hand-shake.
#pragma once
#include <cstdint>

// The print column: bytes 0..15 are the 128 dots across the tape (dot p in
// byte p / 8, bit 7 - p mod 8, set = black), byte 16 is a spare that is
// cleared with them and never sent. The buffer runs on past the spare so that
// a glyph placed near the top of the head never writes outside it; only
// bytes 0..15 are ever sent.
constexpr int PRN_COLUMN_BYTES = 16;
constexpr int PRN_COLUMN_CLEAR = 17;
constexpr int PRN_COLUMN_WORK = 64;

// Device settings record (10 bytes) and the factory values.
constexpr uint8_t PRN_SETTINGS_MAGIC = 0xA4;
enum : uint8_t {
  PRN_SET_LANGUAGE = 0,
  PRN_SET_HW_LEVEL = 2,
  PRN_SET_HEAD_GRADE = 4,
  PRN_SET_HEAD_OFFSET = 5,
  PRN_SET_LEAD = 6,
  PRN_SET_TRAIL = 7,
  PRN_SET_MAGIC = 8,
  PRN_SET_SUM = 9,
};

// ---- Life cycle and the two firmware threads ----
// Start-up (and diagnostics, end of the energy sweep): resets the engine,
// loads the device settings (writing the factory ones when they are bad) and
// hands the head energy and hw_level to the hardware hooks.
void prn_init();
// 10 ms task: draws the progress when the engine asks for it; counts ticks.
void prn_tick_task();
// One step of the worker thread's loop: runs the job of a printing mode.
void prn_engine_step();
// True while the engine works on a job; false while idle, while it waits in
// the "Cut or Print" pause with nothing yet ending it, and while the endless
// print runs (it waits for the user to stop it).
bool prn_engine_busy();
// The endless print runs: only Delete and Print stop it; any other key waits
// in the register until it has ended.
bool prn_endless_running();
// True while the engine prints the sequence of built-in sample labels; the
// tape then keeps growing across the labels of the sequence.
bool prn_sample_seq_running();
uint8_t prn_sample_index();
void prn_set_sample_seq(uint8_t running, uint8_t index);
// After the next label job the label record is emptied and set to defaults.
void prn_set_restore_after_print();

// ---- The job frame (worker thread) ----
uint8_t* prn_column();  // PRN_COLUMN_WORK bytes
void prn_column_clear();
// Sends bytes 0..15 of a column to the tape.
void prn_head_column(const uint8_t* column);
void prn_job_begin();
void prn_job_end();
void prn_feed_lead();
uint16_t prn_feed_gap();   // 30 blank columns
void prn_feed(int16_t n);  // n blank columns; none for n <= 0
// Asks the tick to draw the progress and waits until it has.
void prn_sync_display();

// ---- Engine state for the layouts, the tick and tests ----
uint8_t prn_printing_active();  // 1 between prn_job_begin and prn_job_end
void prn_set_printing_active(uint8_t value);
uint8_t prn_lead_dots();
uint8_t prn_trail_dots();
uint16_t prn_labels_total();
uint16_t prn_labels_printed();
uint8_t prn_waiting_cut();
void prn_set_waiting_cut(uint8_t value);
// labels_printed and labels_total, the progress the tick draws.
void prn_set_progress(uint16_t printed, uint16_t total);
uint8_t prn_job_error();
// A serial step of a block label's cells was refused: "Cannot Fit" follows
// the job, once its pauses are over.
void prn_set_job_error();
// Which copy of its value the label being printed is (from 1): the batch
// runner's label list reads it when the label ends.
uint8_t prn_label_copy();
void prn_set_label_copy(uint8_t copy);
// The copies a job prints of each value: the record's copies, at least one.
struct LabelRecord;
uint8_t prn_copies_of(const LabelRecord* r);
// Every column sent since start-up (the tape itself keeps a bounded number).
uint64_t prn_columns_sent();
// The device settings as the engine holds them.
void prn_get_settings(uint8_t out[10]);
// Writes the factory values into bytes 0, 2 and 4..8 of a settings record
// (bytes 1 and 3 keep what they hold; the sum is the store's business).
void prn_factory_settings(uint8_t record[10]);
// The engine works with the factory settings from now on, whatever the
// flash holds (the service erase leaves no settings there).
void prn_use_factory_settings();

// Head energy: 15 steps; the index for a grade "A".."D" and an offset -4..4
// is 10 - 2 x (grade - "A") + offset, kept within the table.
uint16_t prn_energy_for(uint8_t grade, int8_t offset);
uint16_t prn_energy_at(int index);
uint16_t prn_last_energy();  // the value last handed to prn_hw_hook3

// Hardware hooks of the head and motor: empty in the simulator, called
// where the device calls them.
void prn_hw_hook1(uint8_t level);
void prn_hw_hook2();
void prn_hw_hook3(uint16_t energy);
