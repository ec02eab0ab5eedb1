// The backbone trace of a protein: one point at the centre of every residue
// and, between neighbouring residues, one point that rounds the trace off.
#pragma once

#include "structure/structure.h"

namespace vexalith {

// Replaces the atoms of standard amino-acid residues by the backbone trace.
//
// The positive sequence numbers become residue indexes 1..R that run on
// across chains: an index goes up by the step of the sequence number when
// that step is 0 or 1, and by 1 when the number drops (a new chain) or jumps
// (a gap).  MaxSeqId becomes R (0 when no atom has a positive number), the
// residue table gets rows 0..R (column 1 of existing rows kept), and columns
// 2 to 4 of row r hold the mean scene position of the atoms with index r.
//
// The rebuilt atom table holds the trace points first (symbol "HX", residue
// "HEL", part 0): centre 1, the intermediate point after centre 1, centre 2,
// and so on; the last two centres get no intermediate point, nor does a
// centre either of whose next two steps is 8 A or longer.  Then follow, in
// their order, the atoms whose residue name does not occur in AminoAcidList,
// unchanged.
//
// AtomSeqId then belongs to the rebuilt table: a centre and the intermediate
// point after it hold their residue index, a kept atom holds its residue
// index (or its sequence number when that was 0 or less), so every value is
// a row of the residue table.  Slot 0 holds 0.
void build_backbone_trace(Structure& structure);

}  // namespace vexalith
