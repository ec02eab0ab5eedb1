// Access to the shared test corpus of real CIF files and their reference
// facts.
#pragma once

#include <string>
#include <vector>

#include "support/json.h"

namespace testsupport {

std::string corpus_dir();

// The corpus file names (with .gz where stored compressed), sorted.
std::vector<std::string> corpus_files();

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
