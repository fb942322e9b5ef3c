#include <gtest/gtest.h>

#include "firmware/display/lcd.h"
#include "host/seam/adc.h"
#include "host/seam/host_ui.h"
#include "host/seam/mirror.h"
#include "host/seam/power.h"

namespace {
struct AnsweringUi : HostUi {
  int asked = 0;
  bool answer = false;
  int exited = -1;
  bool ask_turn_off() override {
    ++asked;
    return answer;
  }
  [[noreturn]] void exit_now(int status) override {
    exited = status;
    throw status;  // stands in for the process ending
  }
};

class Power : public ::testing::Test {
 protected:
  void SetUp() override {
    host_ui_install(&ui);
    pwr_init();
  }
  void TearDown() override { host_ui_install(nullptr); }
  void ticks(int n) {
    for (int i = 0; i < n; ++i) pwr_task();
  }
  AnsweringUi ui;
};
}  // namespace

TEST_F(Power, AsksOnTheTickAfterSixtyThousandIdleTicks) {
  ticks(60000);
  EXPECT_EQ(ui.asked, 0);
  ticks(1);
  EXPECT_EQ(ui.asked, 1);
  // No: the count starts again from zero.
  ticks(60000);
  EXPECT_EQ(ui.asked, 1);
  ticks(1);
  EXPECT_EQ(ui.asked, 2);
}

TEST_F(Power, ActivityRestartsTheCount) {
  ticks(59999);
  pwr_activity();
  ticks(60000);
  EXPECT_EQ(ui.asked, 0);
}

TEST_F(Power, YesEndsTheProgram) {
  ui.answer = true;
  ticks(60000);
  EXPECT_THROW(ticks(1), int);
  EXPECT_EQ(ui.exited, 0);
}

TEST_F(Power, DisabledAutoOffNeverAsks) {
  pwr_disable_auto_off();
  ticks(200000);
  EXPECT_EQ(ui.asked, 0);
}

TEST(Adc, BatteryChannelGivesMillivoltsOthersZero) {
  adc_set_battery_volts(6.0f);
  EXPECT_EQ(adc_read(2), 6000);
  EXPECT_EQ(adc_read(0), 0);
  adc_set_battery_volts(7.5f);
  EXPECT_EQ(adc_read(2), 7500);
}

TEST(Adc, BatteryLampLevelsFollowTheVoltage) {
  const struct {
    float volts;
    uint8_t level;
  } cases[] = {{6.0f, 1}, {7.0f, 1}, {7.5f, 2}, {8.0f, 2}, {8.1f, 3}, {9.0f, 3}};
  for (auto c : cases) {
    adc_set_battery_volts(c.volts);
    lcd_show_battery(adc_read(2));
    EXPECT_EQ(mirror_lamps().battery, c.level) << c.volts;
  }
}
