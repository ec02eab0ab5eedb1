#include "support/model_builder.h"

#include <algorithm>
#include <cmath>

#include "structure/present_elements.h"

namespace testsupport {

vexalith::Structure make_model(const std::vector<TestAtom>& atoms)
{
    vexalith::Structure model;
    model.FileName = "test.cif";
    model.AtomCount = static_cast<int32_t>(atoms.size());
    model.AtomsRead = model.AtomCount;
    model.AtomSymbol.assign(1, "");
    model.AtomCoord.assign(1, {});
    model.AtomResidue.assign(1, "");
    model.AtomSeqId.assign(1, 0);
    long double extent = 1;
    int32_t max_seq = 1;
    for (const TestAtom& a : atoms) {
        model.AtomSymbol.push_back(a.symbol);
        model.AtomCoord.push_back({a.x, a.y, a.z, a.part});
        model.AtomResidue.push_back(a.residue);
        model.AtomSeqId.push_back(a.seq_id);
        extent = std::max({extent, std::fabs(a.x), std::fabs(a.y), std::fabs(a.z)});
        model.MaxPart = std::max(model.MaxPart, static_cast<int32_t>(a.part));
        max_seq = std::max(max_seq, a.seq_id);
    }
    model.ModelExtent = extent;
    model.MaxSeqId = max_seq;
    model.ResidueTable.assign(static_cast<std::size_t>(max_seq) + 1, vexalith::ResidueRow{0, 0, 0, 0});
    vexalith::list_present_elements(model);
    return model;
}

}  // namespace testsupport
