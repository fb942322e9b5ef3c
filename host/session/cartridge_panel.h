// The media panel's cartridge logic: the radio buttons choose a material, and
// a 100 ms timer applies the choice as a cartridge change would happen on the
// device, first a removal (id 0) for one timer period, then the new id.
// Qt-free so that the desktop panel and the batch runner share the steps.
#pragma once
#include <cstdint>

// Selected and applied id 3 (the material loaded at start), nothing pending.
void cart_panel_init();
// A radio button click: only remembers the choice.
void cart_panel_select(uint8_t id);
// The panel's 100 ms timer step.
void cart_panel_timer();

uint8_t cart_panel_selected();
uint8_t cart_panel_applied();
bool cart_panel_pending();
// True when a timer step would still change the cartridge register.
bool cart_panel_busy();
