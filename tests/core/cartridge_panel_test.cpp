// The media panel's cartridge steps: a change reaches the firmware as one
// timer period without a cartridge, then the new material.
#include "host/session/cartridge_panel.h"

#include <gtest/gtest.h>

#include <vector>

#include "host/seam/cartridge.h"

namespace {

// The cartridge register after each of n timer steps.
std::vector<int> run_timer(int n) {
  std::vector<int> ids;
  for (int i = 0; i < n; ++i) {
    cart_panel_timer();
    ids.push_back(cart_get_id());
  }
  return ids;
}

class CartridgePanelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    cart_init();
    cart_panel_init();
  }
};

TEST_F(CartridgePanelTest, StartsWithTheLoadedMaterialAndNothingPending) {
  EXPECT_EQ(cart_panel_selected(), 3);
  EXPECT_FALSE(cart_panel_busy());
  EXPECT_EQ(run_timer(3), (std::vector<int>{3, 3, 3}));
}

TEST_F(CartridgePanelTest, ChangeIsARemovalThenTheNewId) {
  cart_panel_select(2);
  EXPECT_EQ(cart_get_id(), 3);  // a click alone changes nothing
  EXPECT_TRUE(cart_panel_busy());
  EXPECT_EQ(run_timer(3), (std::vector<int>{0, 2, 2}));
  EXPECT_FALSE(cart_panel_busy());
}

TEST_F(CartridgePanelTest, NoCartridgeGivesZeroTwice) {
  cart_panel_select(0);
  EXPECT_EQ(run_timer(2), (std::vector<int>{0, 0}));
  EXPECT_FALSE(cart_panel_pending());
}

TEST_F(CartridgePanelTest, TwoClicksWithinOnePeriodApplyOnlyTheLast) {
  cart_panel_select(2);
  cart_panel_select(9);
  EXPECT_EQ(run_timer(3), (std::vector<int>{0, 9, 9}));
  EXPECT_EQ(cart_panel_applied(), 9);
}

TEST_F(CartridgePanelTest, ClickDuringTheRemovalRestartsIt) {
  cart_panel_select(2);
  EXPECT_EQ(run_timer(1), (std::vector<int>{0}));
  cart_panel_select(11);
  // The pending step applies the newest choice, which then counts as a change.
  EXPECT_EQ(run_timer(3), (std::vector<int>{0, 11, 11}));
}

}  // namespace
