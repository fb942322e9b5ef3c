// The device's state as one JSON object on one line: the batch runner's --state
// and the serial remote control's answer to STATE?.
#pragma once
#include <string>

std::string state_json();
