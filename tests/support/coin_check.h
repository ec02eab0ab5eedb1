// An independent VRML97 reader for the scenes the tests write: Coin3D.
#pragma once

#include <string>

namespace testsupport {

// Reads the bytes with Coin's SoDB::readAll.  Returns an empty text when the
// scene reads without an error, else Coin's messages.
std::string coin_read_errors(const std::string& scene);

}  // namespace testsupport
