// The factory test prints of the print head: the diagnostic test label, the
// head energy ladder and speed test, and the energy sweep.
#pragma once
#include <cstdint>

constexpr uint16_t PRN_TEST_LABEL_COLUMNS = 1600;  // 200 mm between lead and trail

// The test label as one job; with_grade 1 tags it with the head grade and
// offset, 0 with the energy sweep's step.
void prn_test_label(uint8_t with_grade);
// Its pieces, each returning the columns it sent.
uint16_t prn_print_symbols();
uint16_t prn_pattern_stairs();
uint16_t prn_pattern_halves();
uint16_t prn_print_barcode_sample();
uint16_t prn_print_version();
uint16_t prn_print_grade_tag(uint8_t with_grade);

// Engine jobs (worker thread).
void prn_test_label_job(bool then_thank_you);  // modes 14 and 15
void prn_head_diag();                          // mode 16
void prn_energy_sweep_step();                  // mode 17
// The sweep's part of the 10 ms task: the next label 2 s after the last one.
void prn_sweep_tick(uint32_t tick_count);
void prn_sweep_reset();
uint8_t prn_sweep_step();

// Speed probes of the head motor: the simulated head has no motor to time,
// so a measurement always reads 0.
void sim_speed_start();
void sim_speed_stop();
uint32_t sim_speed_read();
