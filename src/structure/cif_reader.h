// Reading one structure from the text of a CIF file.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "common/reporter.h"
#include "structure/structure.h"

namespace vexalith {

// What to read from a file's text, and how the progress is counted.
struct ReadRequest {
    std::string_view file_name;           // names the file in messages
    int32_t structure_index = 0;          // data block; 0 from the top of the file
    int32_t model_index = 1;              // model of an ensemble, or kAllModels
    bool backbone_trace_follows = false;  // the progress bar leaves room for the trace
};

// Reads one structure (cif_read_xyz in the old reader's terms) from the CIF
// text into `structure`, replacing what it held: the file kind, the cell and
// its matrices (small-molecule files), and the atom table in the scene frame
// with centroid, extent, parts, residues and sequence numbers.  AtomCount is
// 0 when the text has no atom loop or the loop has no rows.  The cell and its
// matrices are the one thing kept from what `structure` held: a cell value
// the file does not give keeps the value read before, and a file without a
// cell keeps the matrices.
//
// Throws ConversionError for a value that should be a number and is not,
// RangeError for a sequence number above kLargestSequenceNumber or a position
// too large for long double, SelectionError for a model the file does not
// hold, and InvalidCellError for cell values that give no cell.  After a
// throw the structure holds no atoms, but still its file kind and, once the
// atom loop was surveyed, ModelCount.
void read_structure(std::string_view text, const ReadRequest& request, Structure& structure, Reporter& reporter);

// The file kind announced by the first coordinate tag line of the text, or
// nothing when the text has none (no atom loop at all).
std::optional<FileKind> detect_file_kind(std::string_view text);

inline constexpr std::string_view kNoAtomsFound = "no atoms found, sorry";

// The residue table holds a row for every sequence number up to the largest
// one (64 bytes each); larger numbers are refused rather than given rows.
inline constexpr int32_t kLargestSequenceNumber = 1000000;

}  // namespace vexalith
