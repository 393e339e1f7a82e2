#pragma once

#include "keys/recordingkeyplatform.h"

#include <string>
#include <vector>

// Writes recorded key events as "Shift dn, A dn, A up, Shift up" so that a
// test can state an order of events in one readable line. Extended keys read
// "xdn" and "xup"; keys without a name here are written in hexadecimal.
std::string KeyEventText(const std::vector<TRecordingKeyPlatform::KeyEvent> &Events);
