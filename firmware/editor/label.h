// The one label record being edited.
#pragma once

// Loads the working label from the journal, or the defaults.
void lbl_load();
