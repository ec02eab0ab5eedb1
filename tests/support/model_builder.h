// Small structures built by hand for tests: atoms given in the scene frame.
#pragma once

#include <string>
#include <vector>

#include "structure/structure_model.h"

namespace testsupport {

struct TestAtom {
    std::string symbol;
    long double x = 0, y = 0, z = 0;
    long double part = 0;
    std::string residue;
    int seq_id = 0;
};

// A model holding these atoms (numbered from 1), with ModelExtent the
// largest absolute coordinate (at least 1), MaxPart and MaxSeqId set, and
// the elements present listed.
vexalith::StructureModel make_model(const std::vector<TestAtom>& atoms);

}  // namespace testsupport
