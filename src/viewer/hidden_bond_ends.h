// The parts of the bonds that no one can see.  A bond of a ball-and-stick
// scene runs from atom centre to atom centre, so each of its ends lies
// inside an atom's sphere; in covalent-radius scenes whole bonds do.  The
// parts inside a sphere are hidden by it from every eye outside it, yet a
// shader casting the bond would test every pixel of its outline.  Cutting
// them off gives the same picture for less work.
#pragma once

#include <cstddef>
#include <vector>

#include "viewer/own_scene_reader.h"

namespace vexalith::viewer {

struct HiddenBondEnds {
    std::size_t shortened = 0;  // bonds cut back at one end or both
    std::size_t removed = 0;    // bonds wholly inside their atoms
};

// Cuts every cylinder back at each end by the length that lies inside a
// sphere there (found among the spheres whose centres lie near the end),
// and removes the cylinders that lie wholly inside the spheres at their
// ends.  What is cut off lies strictly inside a sphere, the new cap too.
HiddenBondEnds cut_hidden_bond_ends(std::vector<CylinderInstance>& cylinders,
                                    const std::vector<SphereInstance>& spheres);

}  // namespace vexalith::viewer
