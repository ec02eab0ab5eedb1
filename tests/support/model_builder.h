// Small structures built by hand for tests: atoms given in the scene frame.
#pragma once

#include <string>
#include <vector>

#include "structure/structure.h"

namespace testsupport {

struct TestAtom {
    TestAtom(std::string symbol_, long double x_, long double y_, long double z_, long double part_ = 0,
             std::string residue_ = "", int seq_id_ = 0)
        : symbol(std::move(symbol_)), x(x_), y(y_), z(z_), part(part_), residue(std::move(residue_)), seq_id(seq_id_)
    {
    }

    std::string symbol;
    long double x, y, z;
    long double part;
    std::string residue;
    int seq_id;
};

// A model holding these atoms (numbered from 1), with ModelExtent the
// largest absolute coordinate (at least 1), MaxPart and MaxSeqId set, and
// the elements present listed.
vexalith::Structure make_model(const std::vector<TestAtom>& atoms);

}  // namespace testsupport
