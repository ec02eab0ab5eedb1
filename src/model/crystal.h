// Whole crystals from the asymmetric unit a small-molecule file stores: the
// symmetry operations (from the file, from its space group's name, or P1),
// and the atoms of the unit cell, of a block of cells, or of the molecules
// made whole.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "options/model_options.h"
#include "structure/structure.h"
#include "structure/symmetry_operator.h"

namespace vexalith {

struct CrystalSymmetry {
    enum class Source { File, SpaceGroup, AssumedP1 };
    Source source = Source::AssumedP1;
    std::string space_group;  // the name the file gives, or "P 1" when assumed
    std::vector<SymmetryOperator> operators;
};

// The operations of the structure: those the file lists; otherwise those of
// the space group it names (Hermann-Mauguin, Hall, or number, in that
// order, from the table of space groups); otherwise the identity alone.
// Operations that differ only by whole cell translations count once.
// Throws ConversionError at the operation's line for one that cannot be
// read or for more than kLargestOperationCount of them, and for a space
// group name the table does not know (when the file lists no operations).
CrystalSymmetry crystal_symmetry(const Structure& structure);

// No space group has more distinct operations than 192 in its conventional
// cell; a list longer than this (allowing for larger settings) is no
// crystal's.
inline constexpr std::size_t kLargestOperationCount = 1536;

// The most atoms growing makes or looks at (about 2 GB of atoms): a block
// of cells or whole molecules beyond it is refused with a RangeError.
inline constexpr std::size_t kLargestCrystal = 10'000'000;

// How far two images of an atom may lie apart and still be one site.
inline constexpr long double kSiteTolerance = 0.01L;

// What growing made: the distinct sites in the cell [0, 1) (before the
// boundary repeats; 0 for whole molecules).
struct CrystalGrowth {
    int32_t cell_sites = 0;
};

// Replaces the structure's atoms (a small-molecule structure with a cell)
// by those of the crystal mode, recentred, with the extent recomputed:
//  - Cell: every image of every atom wrapped into the cell, images of one
//    atom closer than kSiteTolerance merged, and atoms on faces, edges and
//    corners repeated on the opposite faces;
//  - Block: the cell repeated block[0] x block[1] x block[2] times, with the
//    repeats on the block's far faces;
//  - Molecules: the molecules with atoms in the asymmetric unit, made whole
//    through the covalent rule, each once; a framework that never closes
//    stops at the cell's boundary.
// Asymmetric changes nothing.  Throws RangeError, changing nothing, where
// the crystal would take more than kLargestCrystal atoms.
CrystalGrowth grow_crystal(Structure& structure, const CrystalSymmetry& symmetry, CrystalMode mode,
                           const std::array<int32_t, 3>& block);

}  // namespace vexalith
