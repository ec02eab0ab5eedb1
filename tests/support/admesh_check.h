// An independent checker for the STL files the tests write: Debian's admesh.
#pragma once

#include <optional>
#include <string>

namespace testsupport {

bool admesh_available();

// admesh's report on the file (it reads, checks and reports; it writes
// nothing).  Fails the test when admesh does not run cleanly.
std::string run_admesh(const std::string& path);

// The number after "label ... :" in the report.
std::optional<double> value_after(const std::string& report, const std::string& label);

// Checks that every facet of the file is sound (no degenerate, disconnected
// or reversed facets, nothing to fix) and that it holds `shells` closed
// parts of positive volume.  Returns the problems found, empty when none.
std::string admesh_problems(const std::string& path, std::size_t shells);

}  // namespace testsupport
