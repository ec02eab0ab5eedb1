#include "model/pair_classification.h"

#include "common/rounding.h"
#include "model/element_radii.h"
#include "model/vector3.h"

namespace vexalith {
namespace {

PairRules common_rules(const StructureModel& model, const ModelOptions& options)
{
    PairRules rules;
    rules.ModelMode = model.ModelMode;
    rules.ProteinFile = model.ProteinFile;
    rules.HydrogenBonds = options.ShowHydrogenBondsBox || options.ShowVanDerWaalsBox;
    rules.Helices = options.HelicesBox;
    rules.HelixBridgeDistance = options.HelixBridgeDistance;
    rules.DonorElements = options.DonorElements;
    return rules;
}

bool in_window(long double d, long double lo, long double hi) { return lo < d && d < hi; }

}  // namespace

PairRules scene_pair_rules(const StructureModel& model, const ModelOptions& options)
{
    PairRules rules = common_rules(model, options);
    rules.Bridges = !options.HideBridgesBox;
    return rules;
}

PairRules stl_pair_rules(const StructureModel& model, const ModelOptions& options)
{
    PairRules rules = common_rules(model, options);
    rules.Bridges = true;
    return rules;
}

PairClassifier::PairClassifier(const StructureModel& model, PairRules rules) : rules_(std::move(rules))
{
    atoms_.resize(static_cast<std::size_t>(model.AtomCount) + 1);
    for (int32_t i = 1; i <= model.AtomCount; ++i) {
        const auto n = static_cast<std::size_t>(i);
        PairAtom& a = atoms_[n];
        a.position = position(model.AtomCoord[n]);
        a.symbol = model.AtomSymbol[n];
        a.residue = model.AtomResidue[n];
        a.covalent = GetCovalentRadius(a.symbol);
        a.vdw = GetVanDerWaalsRadius(a.symbol);
        a.contact = occurs_in(a.symbol, "N P S") ? a.covalent : a.vdw;
        if (a.symbol == "O")
            a.contact = OxygenAcceptorRadius;
        a.part = static_cast<int64_t>(round_half_even(model.AtomCoord[n].part));
        a.donor = occurs_in(a.symbol, rules_.DonorElements);
    }
}

bool PairClassifier::has_donor(int32_t i, const Vec3& v, long double d) const
{
    const PairAtom& h = atom(i);
    for (int32_t k = 1; k <= atom_count(); ++k) {
        const PairAtom& donor = atom(k);
        if (k == i || !donor.donor)
            continue;
        const Vec3 w = donor.position - h.position;
        const long double e = length(w);
        if (in_window(e, donor.covalent + h.covalent - BondTolerance, donor.covalent + h.covalent + BondTolerance) &&
             dot(w, v) / e / d < HBondCosLimit)
            return true;
    }
    return false;
}

PairKind PairClassifier::classify(int32_t i, int32_t j) const
{
    const PairAtom& a = atom(i);
    const PairAtom& b = atom(j);
    const long double T = BondTolerance;
    const int32_t mode = rules_.ModelMode;
    const bool bonding_mode = mode == BallAndStick || mode == CovalentRadius;

    PairKind kind;
    kind.direction = b.position - a.position;
    const long double d = length(kind.direction);
    kind.distance = d;

    if (rules_.HydrogenBonds && a.covalent == HydrogenCovalentRadius && b.covalent != HydrogenCovalentRadius &&
        b.symbol != "C" && in_window(d, a.vdw + b.contact - 2 * T, a.vdw + b.contact + T) &&
        occurs_in(b.symbol, AcceptorElements) && has_donor(i, kind.direction, d))
        kind.hbond = true;

    if (bonding_mode && i < j && in_window(d, a.covalent + b.covalent - 2 * T, a.covalent + b.covalent + T) &&
        d > ShortestBond && (a.part == b.part || a.part == 0 || b.part == 0))
        kind.bond = true;

    if (!occurs_in(b.symbol, "C N S B I") && occurs_in(b.symbol, "CS LI NA K RB CS") &&
        !occurs_in(a.symbol, "H C")) {
        if (bonding_mode) {
            if (i < j && in_window(d, b.contact + a.covalent - 2 * T, b.contact + a.covalent + T) && d > ShortestBond)
                kind.hbond = true;
        } else if (mode == VanDerWaals) {
            kind.hbond = false;
        }
    }

    if (rules_.ProteinFile)
        kind.hbond = false;

    if (rules_.Helices) {
        const bool trace_i = a.residue == "HEL";
        const bool trace_j = b.residue == "HEL";
        if (rules_.ProteinFile && i < j && trace_i && trace_j && j == i + 1 && d < HelixSegmentLimit)
            kind.helix = true;
        if (rules_.Bridges) {
            if (trace_i && d < rules_.HelixBridgeDistance && !trace_j && b.symbol != "C")
                kind.hbond = true;
            if (trace_i && trace_j && d < rules_.HelixBridgeDistance - 0.75L && j - i > 15)
                kind.hbond = true;
        }
    }
    return kind;
}

void for_each_connected_pair(const StructureModel& model, const ModelOptions& options,
                             const PairClassifier& classifier, const std::function<void(int32_t)>& on_atom,
                             const std::function<void(int32_t, int32_t, const PairKind&)>& on_pair)
{
    const int32_t n = model.AtomCount;
    std::vector<int32_t> shown;
    shown.reserve(static_cast<std::size_t>(n));
    for (int32_t i = 1; i <= n; ++i)
        if (atom_ok(model, options, i))
            shown.push_back(i);
    for (const int32_t i : shown) {
        on_atom(i);
        for (const int32_t j : shown) {
            const PairKind kind = classifier.classify(i, j);
            if (kind.any())
                on_pair(i, j, kind);
        }
    }
}

}  // namespace vexalith
