// Compression of a small-molecule atom list into one connected fragment.
//
// An atom of the asymmetric unit may be listed a whole number of cells away
// from the atom it is bonded to.  Starting from atom 1, every other atom is
// moved by a lattice translation (at most two cells along each cell vector)
// until it lies within bonding distance of an atom already placed; atoms that
// cannot be reached that way are removed.
#pragma once

#include <cstdint>
#include <vector>

#include "options/model_options.h"
#include "structure/structure.h"

namespace vexalith {

// The working data of one compression: the lattice vectors in Cartesian
// angstrom and the radii of every atom (slot 0 unused).
struct CompressionTables {
    Vec3 a{0, 0, 0};
    Vec3 b{0, 0, 0};
    Vec3 c{0, 0, 0};
    std::vector<long double> covalent;
    std::vector<long double> van_der_waals;
};

// The lattice vectors of the model's cell (all zero when no cell was ever
// set up) and the radii of atoms 1..AtomCount.  An atom whose symbol the
// element table lacks gets the carbon radii.
CompressionTables make_compression_tables(const Structure& structure);

// Tries to attach atom `candidate` to atom `seed`.  A hydrogen is never
// attached to a hydrogen.  The cutoff is the sum of the two covalent radii
// plus 0.5 A; for a hydrogen candidate while either hydrogen-bond box is
// checked it is the sum of the two van der Waals radii minus 0.3 A.  The
// translations q a + r b + p c with q, r, p running from -2 to 2 (q outermost)
// are tried in that order; the first that brings the candidate strictly
// within the cutoff of the seed moves the candidate there (its part stays)
// and the result is true.  Otherwise nothing changes and the result is false.
bool attach_atom(Structure& structure, const ModelOptions& options, const CompressionTables& tables, int32_t candidate,
                 int32_t seed);

// Keeps exactly the atoms connected to atom 1 through a chain of
// attachments, each at the lattice image found for it, and removes all
// others (every atom the display filter hides included, atom 1 excepted).
// Seeds are tried in atom order; after a pass that attached anything the
// seeds start again at atom 2.  A seed reaches only candidates of its own
// part or of part 0 (a part-0 seed reaches every part).  The kept atoms move
// down in order; only AtomSymbol and AtomCoord are moved, the columns keep
// their length, and AtomCount drops by the number removed.
// Each seed is tried once, lowest-numbered first, and reaches its candidates
// through a grid; the result is that of the restarting loop, atom for atom
// and position for position.
void CompressAtoms(Structure& structure, const ModelOptions& options);

// The restarting seed loop over every candidate, the reference for the above.
void compress_atoms_plain(Structure& structure, const ModelOptions& options);

}  // namespace vexalith
