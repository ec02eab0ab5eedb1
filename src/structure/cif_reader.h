// Reading one structure from a CIF file into the structure model.
#pragma once

#include <optional>
#include <string_view>

#include "common/reporter.h"
#include "options/model_options.h"
#include "structure/structure_model.h"

namespace vexalith {

// Reads the structure StructureIndex of the file FileName into the model:
// the file kind and its presentation defaults, the cell and its matrices
// (small-molecule files), and the atom table with centroid, extent, parts,
// residues and sequence numbers.  AtomCount is 0 when the file has no atom
// loop or the loop has no rows.
//
// Throws InputOutputError when the file cannot be read, ConversionError for a
// value that should be a number and is not, RangeError for a sequence number
// above kLargestSequenceNumber or a position too large for long double
// (AtomCount is then 0), and InvalidCellError
// for cell values that give no cell (no atoms are read).
void cif_read_xyz(StructureModel& model, ModelOptions& options, Reporter& reporter);

// The same on a text already in memory; FileName only names it in messages.
void cif_read_xyz_text(std::string_view text, StructureModel& model, ModelOptions& options,
                       Reporter& reporter);

// The file kind announced by the first coordinate tag line of the text, or
// nothing when the text has none (no atom loop at all).
std::optional<FileKind> detect_file_kind(std::string_view text);

inline constexpr std::string_view kNoAtomsFound = "no atoms found, sorry";

// The residue table holds a row for every sequence number up to the largest
// one (64 bytes each); larger numbers are refused rather than given rows.
inline constexpr int32_t kLargestSequenceNumber = 1000000;

}  // namespace vexalith
