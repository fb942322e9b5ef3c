#include "firmware/editor/label.h"

void lbl_load() {}
