// Access to the test corpus of real CIF files and their reference facts
// (tests/data/corpus; README.md there tells where each file comes from).
#pragma once

#include <string>
#include <vector>

#include "support/json.h"

namespace testsupport {

// The repository's corpus folder: most corpus files, every reference file.
std::string corpus_dir();

// The corpus file names (with .gz where stored compressed), sorted: those in
// the folder and those read from their Debian package.
std::vector<std::string> corpus_files();

// Where a corpus file is read from: the corpus folder, or for a file listed in
// its debian-files.tsv (kept out of the repository by its licence) the path
// where its Debian package installs it.  Throws std::runtime_error naming the
// file, where it was looked for and the package that provides it when the
// file is not there.
std::string corpus_path(const std::string& name);

// The text of a corpus file; .gz files are unpacked.
std::string corpus_text(const std::string& name);

// Writes the text of a corpus file to a plain file in the temporary folder
// (unpacked) and returns its path.
std::string corpus_plain_path(const std::string& name);

// The reference facts of a corpus file.
Json corpus_reference(const std::string& name);

std::string read_file(const std::string& path);
void write_file(const std::string& path, const std::string& text);

// A fresh temporary folder for one test.
std::string temp_dir();

}  // namespace testsupport
