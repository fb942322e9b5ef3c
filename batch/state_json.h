// The device's state as one JSON object, for --state.
#pragma once
#include <string>

std::string state_json();
