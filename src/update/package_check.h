// The check of a downloaded package before it is opened: its size and its
// SHA-256 must be those the version file names.
#pragma once

#include <QString>

namespace vexalith::update {

// True when the file has exactly `size` bytes and the SHA-256 `sha256`
// (hexadecimal, either case).  A file that cannot be read does not match.
bool package_matches(const QString& path, qint64 size, const QString& sha256);

}  // namespace vexalith::update
