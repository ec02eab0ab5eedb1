// The rules of the update check that need no window and no network: the
// names on the update server, the version file, the version comparison and
// the percentage shown during a download.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vexalith::update {

// Builds every path and address of the update check.
inline constexpr std::string_view ProgramName = "vexalith";

// The installer on the update server and in the scratch folder: the Debian
// package of the release.  The build takes the name from CMake
// (VEXALITH_PACKAGE_FILE), which also names the package cpack writes.
#ifdef VEXALITH_PACKAGE_FILE
inline constexpr std::string_view kInstallerName = VEXALITH_PACKAGE_FILE;
#else
inline constexpr std::string_view kInstallerName = "vexalith.deb";
#endif

// The folder below the server's base address that holds the release.
std::string server_folder();  // "vexalithHome/"

// What the version file on the update server says:
//   line 1  "sha256 " and the package's SHA-256 in hexadecimal; any other
//           text is accepted (files of older releases) and gives no checksum
//   line 2  the version number, with a full stop
//   line 3  a whole number: the size of the package in bytes
//   line 4- release notes
struct VersionFileContent {
    std::optional<std::string> sha256;  // 64 lower-case hexadecimal digits
    long double version = 0;
    int32_t size = 0;
    // For each line from the fourth to the end, a CR followed by the line; a
    // file of three lines gives a single CR (one empty line is read at the
    // end of the file).
    std::string notes;
};

// Reads the text of a version file; lines may end in LF or CR LF.  Missing
// lines, a version that is no number, a size that is no whole number of
// bytes (or a negative one) and a malformed checksum line throw
// ConversionError naming `file_name` and the line.
VersionFileContent parse_version_file(std::string_view text, const std::string& file_name);

// The version numbers differ enough for the question to be asked (either
// way: an older server version asks too).
bool version_differs(long double server, long double current);
// Close enough for "This Version is up-to-date".  A difference of exactly
// 0.0005 is neither.
bool version_matches(long double server, long double current);

// The running program's version, "major.minor", as a number.
long double current_version_number(std::string_view major_minor);

// The percentage of a download, rounded half to even: 0.5 % shows 0, 1.5 %
// shows 2.  `total` must be positive.
long long download_percentage(long long received, long long total);

// Whether `text` is 64 hexadecimal digits (either case).
bool is_sha256_text(std::string_view text);

}  // namespace vexalith::update
