// The serial value a printed label carries, read from the label record as
// the engine ends the label: used by the batch runner's label list and by the
// desktop program's tape history.
#pragma once
#include <string>

#include "firmware/editor/label.h"

// A serial run's characters of its class just before the cursor (those the
// serial steps, with the leading zeros printed before a number), or for a
// block label that numbers its cells the run of the first cell. Empty for any
// other label, and when the cursor lies past the text (the number is not
// printed).
std::string label_serial_text(const LabelRecord* r);
