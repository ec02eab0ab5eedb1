#include "model/pair_classification.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

#include "common/rounding.h"
#include "model/cell_grid.h"
#include "model/element_radii.h"
#include "model/vector3.h"

namespace vexalith {
namespace {

PairRules common_rules(const Structure& structure, const ModelOptions& options)
{
    PairRules rules;
    rules.ModelMode = options.ModelMode;
    rules.ProteinFile = structure.ProteinFile;
    rules.HydrogenBonds = options.HydrogenBondsOnly || options.HydrogenBondsAndVanDerWaals;
    rules.Helices = options.Helices;
    rules.HelixBridgeDistance = options.HelixBridgeDistance;
    rules.DonorElements = options.DonorElements;
    return rules;
}

bool in_window(long double d, long double lo, long double hi) { return lo < d && d < hi; }

bool same_model(const PairAtom& a, const PairAtom& b) { return a.model == b.model || a.model == 0 || b.model == 0; }

// The longest distances below which the rules can join two atoms: every
// window, the backbone segment and the bridge distance are strict upper
// bounds.  `trace` is the reach of a point of the backbone trace beyond
// that of its radii (0 when trace points are nothing special).
struct SearchReach {
    long double atoms = 0;
    long double trace = 0;
};

bool is_trace(const PairClassifier& classifier, const PairAtom& a) { return classifier.rules().Helices && a.trace; }

SearchReach search_reach(const PairClassifier& classifier, const std::vector<int32_t>& atoms)
{
    const PairRules& rules = classifier.rules();
    const bool bonding = rules.ModelMode == BallAndStick || rules.ModelMode == CovalentRadius;
    long double covalent = 0;
    long double hydrogen_vdw = 0;
    long double acceptor_contact = 0;
    long double alkali_contact = 0;
    bool hydrogen = false;
    bool acceptor = false;
    bool alkali = false;
    for (const int32_t i : atoms) {
        const PairAtom& a = classifier.atom(i);
        covalent = std::max(covalent, a.covalent);
        if (a.covalent == kHydrogenCovalentRadius) {
            hydrogen = true;
            hydrogen_vdw = std::max(hydrogen_vdw, a.vdw);
        } else if (a.acceptor && !a.carbon) {
            acceptor = true;
            acceptor_contact = std::max(acceptor_contact, a.contact);
        }
        if (a.alkali) {
            alkali = true;
            alkali_contact = std::max(alkali_contact, a.contact);
        }
    }
    // Only the rules that can join two atoms here count: a covalent bond
    // (covI + covJ) in the bonding modes; a hydrogen bond (vdw of the
    // hydrogen + contact of the acceptor) with the hydrogen bonds on; an
    // alkali contact (contactJ + covI) in the bonding modes; neither of the
    // last two in a protein file.  Each window ends at its sum plus the
    // tolerance.  The backbone segment joins a trace point only to the next
    // atom, which the search adds by number; only the bridges need a wider
    // search.
    long double joined = 0;
    if (bonding)
        joined = std::max(joined, covalent + covalent + BondTolerance);
    if (rules.HydrogenBonds && !rules.ProteinFile && hydrogen && acceptor)
        joined = std::max(joined, hydrogen_vdw + acceptor_contact + BondTolerance);
    if (bonding && !rules.ProteinFile && alkali)
        joined = std::max(joined, alkali_contact + covalent + BondTolerance);
    SearchReach reach;
    // A grid needs some size even when nothing can be joined.
    reach.atoms = std::max(joined, BondTolerance);
    long double trace = 0;
    if (rules.Helices && rules.Bridges)
        trace = std::isnan(rules.HelixBridgeDistance) ? rules.HelixBridgeDistance
                                                      : std::max(trace, rules.HelixBridgeDistance);
    reach.trace = std::isnan(trace) ? trace : std::max(trace, reach.atoms);
    return reach;
}

// Collects the ids near atom i (closer than `limit`) from a grid.  The
// distance test only drops pairs, never decides one, so it may use the
// grid's double copy of the positions when the coordinates are small enough
// for double to keep them to 1e-9 A (the limit carries a margin a thousand
// times that); otherwise it works in long double.
class NearFilter {
public:
    NearFilter(const PairClassifier& classifier, bool quick) : classifier_(classifier), quick_(quick) {}

    static bool quick_enough(const PairClassifier& classifier, const std::vector<int32_t>& shown)
    {
        for (const int32_t i : shown) {
            const Vec3& p = classifier.atom(i).position;
            if (!(std::fabs(p[0]) < 1e6L && std::fabs(p[1]) < 1e6L && std::fabs(p[2]) < 1e6L))
                return false;
        }
        return true;
    }

    void collect(const CellGrid& grid, int32_t i, long double limit, std::vector<int32_t>& near) const
    {
        const Vec3& a = classifier_.atom(i).position;
        if (quick_) {
            const double q[3] = {static_cast<double>(a[0]), static_cast<double>(a[1]), static_cast<double>(a[2])};
            const double limit2 = static_cast<double>(limit * limit) * (1 + 1e-9);
            grid.for_each_near_point(a, [&](int32_t j, const std::array<double, 3>& p) {
                const double x = p[0] - q[0];
                const double y = p[1] - q[1];
                const double z = p[2] - q[2];
                if (x * x + y * y + z * z < limit2)
                    near.push_back(j);
                return true;
            });
            return;
        }
        const long double limit2 = limit * limit;
        grid.for_each_near(a, [&](int32_t j) {
            const Vec3 w = classifier_.atom(j).position - a;
            if (dot(w, w) < limit2)
                near.push_back(j);
            return true;
        });
    }

private:
    const PairClassifier& classifier_;
    bool quick_;
};

}  // namespace

PairRules scene_pair_rules(const Structure& structure, const ModelOptions& options)
{
    PairRules rules = common_rules(structure, options);
    rules.Bridges = !options.HideBridges;
    return rules;
}

PairRules stl_pair_rules(const Structure& structure, const ModelOptions& options)
{
    PairRules rules = common_rules(structure, options);
    rules.Bridges = true;
    return rules;
}

PairClassifier::PairClassifier(const Structure& structure, PairRules rules) : rules_(std::move(rules))
{
    atoms_.resize(static_cast<std::size_t>(structure.AtomCount) + 1);
    // What depends on the symbol alone is worked out once per symbol: a
    // structure has a handful of them.
    std::vector<PairAtom> by_symbol;
    for (int32_t i = 1; i <= structure.AtomCount; ++i) {
        const auto n = static_cast<std::size_t>(i);
        const std::string_view symbol = structure.AtomSymbol[n];
        const PairAtom* known = nullptr;
        for (const PairAtom& s : by_symbol)
            if (s.symbol == symbol) {
                known = &s;
                break;
            }
        if (known == nullptr) {
            PairAtom s;
            s.symbol = symbol;
            s.covalent = GetCovalentRadius(symbol);
            s.vdw = GetVanDerWaalsRadius(symbol);
            s.contact = occurs_in(symbol, "N P S") ? s.covalent : s.vdw;
            if (symbol == "O")
                s.contact = OxygenAcceptorRadius;
            s.donor = occurs_in(symbol, rules_.DonorElements);
            s.carbon = symbol == "C";
            s.acceptor = occurs_in(symbol, AcceptorElements);
            s.alkali = !occurs_in(symbol, "C N S B I") && occurs_in(symbol, "CS LI NA K RB CS");
            s.h_or_c = occurs_in(symbol, "H C");
            by_symbol.push_back(s);
            known = &by_symbol.back();
        }
        PairAtom& a = atoms_[n];
        a = *known;
        a.symbol = symbol;
        a.position = position(structure.AtomCoord[n]);
        a.residue = structure.AtomResidue[n];
        a.part = static_cast<int64_t>(round_half_even(structure.AtomCoord[n].part));
        a.trace = a.residue == "HEL";
        a.model = n < structure.AtomModel.size() ? structure.AtomModel[n] : 0;
    }

    // A donor holds a hydrogen within its covalent radius plus the
    // hydrogen's plus the tolerance: the grid of donors uses the largest
    // such sum over the atoms present.
    long double donor_covalent = 0;
    long double any_covalent = 0;
    bool any_donor = false;
    for (std::size_t k = 1; k < atoms_.size(); ++k) {
        any_covalent = std::max(any_covalent, atoms_[k].covalent);
        if (atoms_[k].donor) {
            any_donor = true;
            donor_covalent = std::max(donor_covalent, atoms_[k].covalent);
        }
    }
    const long double reach = donor_covalent + any_covalent + BondTolerance;
    if (!any_donor || !CellGrid::usable_distance(reach))
        return;
    auto grid = std::make_shared<CellGrid>(reach);
    for (int32_t k = 1; k <= atom_count(); ++k) {
        const PairAtom& a = atom(k);
        if (!a.donor)
            continue;
        if (!grid->usable(a.position))
            return;  // the plain scan answers instead
        grid->insert(a.position, k);
    }
    grid->seal();
    donors_ = std::move(grid);
}

bool PairClassifier::donor_holds(int32_t k, int32_t i, const Vec3& v, long double d) const
{
    const PairAtom& h = atom(i);
    const PairAtom& donor = atom(k);
    if (k == i || !donor.donor || !same_model(donor, h))
        return false;
    const Vec3 w = donor.position - h.position;
    const long double e = length(w);
    return in_window(e, donor.covalent + h.covalent - BondTolerance, donor.covalent + h.covalent + BondTolerance) &&
           dot(w, v) / e / d < HBondCosLimit;
}

bool PairClassifier::has_donor_plain(int32_t i, const Vec3& v, long double d) const
{
    for (int32_t k = 1; k <= atom_count(); ++k)
        if (donor_holds(k, i, v, d))
            return true;
    return false;
}

bool PairClassifier::has_donor(int32_t i, const Vec3& v, long double d) const
{
    const PairAtom& h = atom(i);
    if (!donors_ || !donors_->usable(h.position))
        return has_donor_plain(i, v, d);
    bool found = false;
    donors_->for_each_near(h.position, [&](int32_t k) {
        found = donor_holds(k, i, v, d);
        return !found;
    });
    return found;
}

PairKind PairClassifier::classify(int32_t i, int32_t j) const
{
    const PairAtom& a = atom(i);
    const PairAtom& b = atom(j);
    const long double tolerance = BondTolerance;
    const int32_t mode = rules_.ModelMode;
    const bool bonding_mode = mode == BallAndStick || mode == CovalentRadius;

    PairKind kind;
    kind.direction = b.position - a.position;
    const long double d = length(kind.direction);
    kind.distance = d;
    // The models of an ensemble overlap in space; only atoms of one model
    // are joined.
    if (!same_model(a, b))
        return kind;

    if (rules_.HydrogenBonds && a.covalent == kHydrogenCovalentRadius && b.covalent != kHydrogenCovalentRadius &&
        !b.carbon && in_window(d, a.vdw + b.contact - 2 * tolerance, a.vdw + b.contact + tolerance) && b.acceptor &&
        has_donor(i, kind.direction, d))
        kind.hbond = true;

    if (bonding_mode && i < j &&
        in_window(d, a.covalent + b.covalent - 2 * tolerance, a.covalent + b.covalent + tolerance) &&
        d > kShortestBond && (a.part == b.part || a.part == 0 || b.part == 0))
        kind.bond = true;

    if (b.alkali && !a.h_or_c) {
        if (bonding_mode) {
            if (i < j && in_window(d, b.contact + a.covalent - 2 * tolerance, b.contact + a.covalent + tolerance) &&
                d > kShortestBond)
                kind.hbond = true;
        } else if (mode == VanDerWaals) {
            kind.hbond = false;
        }
    }

    if (rules_.ProteinFile)
        kind.hbond = false;

    if (rules_.Helices) {
        const bool trace_i = a.trace;
        const bool trace_j = b.trace;
        if (rules_.ProteinFile && i < j && trace_i && trace_j && j == i + 1 && d < kHelixSegmentLimit)
            kind.helix = true;
        if (rules_.Bridges) {
            if (trace_i && d < rules_.HelixBridgeDistance && !trace_j && !b.carbon)
                kind.hbond = true;
            if (trace_i && trace_j && d < rules_.HelixBridgeDistance - 0.75L && j - i > 15)
                kind.hbond = true;
        }
    }
    return kind;
}

void for_each_connected_pair_plain(const Structure& structure, const ModelOptions& options,
                                   const PairClassifier& classifier, const std::function<void(int32_t)>& on_atom,
                                   const std::function<void(int32_t, int32_t, const PairKind&)>& on_pair)
{
    const std::vector<int32_t> shown = shown_atoms(structure, options);
    for (const int32_t i : shown) {
        on_atom(i);
        for (const int32_t j : shown) {
            const PairKind kind = classifier.classify(i, j);
            if (kind.any())
                on_pair(i, j, kind);
        }
    }
}

PairSearch::PairSearch(const Structure& structure, const ModelOptions& options, const PairClassifier& classifier)
    : classifier_(classifier), shown_(shown_atoms(structure, options))
{
    is_shown_.assign(static_cast<std::size_t>(std::max<int32_t>(structure.AtomCount, 0)) + 2, false);
    for (const int32_t i : shown_)
        is_shown_[static_cast<std::size_t>(i)] = true;
    if (options.PlainPairSearch)
        return;
    const SearchReach reach = search_reach(classifier, shown_);
    if (!CellGrid::usable_distance(reach.atoms) || !(reach.trace >= 0 && std::isfinite(reach.trace)))
        return;
    atoms_reach_ = reach.atoms;
    trace_reach_ = reach.trace;
    // The trace points reach farther than the atoms; they search a coarser
    // grid of their own when there is any.
    coarse_ = reach.trace > reach.atoms;
    auto grid = std::make_unique<CellGrid>(reach.atoms);
    std::unique_ptr<CellGrid> trace_grid;
    if (coarse_)
        trace_grid = std::make_unique<CellGrid>(reach.trace);
    for (const int32_t i : shown_) {
        const Vec3& p = classifier.atom(i).position;
        if (!grid->usable(p) || (coarse_ && !trace_grid->usable(p)))
            return;  // the plain loop answers instead
        grid->insert(p, i);
        if (coarse_)
            trace_grid->insert(p, i);
    }
    grid->seal();
    if (coarse_)
        trace_grid->seal();
    grid_ = std::move(grid);
    trace_grid_ = std::move(trace_grid);
    quick_filter_ = NearFilter::quick_enough(classifier, shown_);
}

PairSearch::~PairSearch() = default;

void PairSearch::visit(std::size_t first, std::size_t last, const std::function<void(int32_t)>& on_atom,
                       const std::function<void(int32_t, int32_t, const PairKind&)>& on_pair) const
{
    last = std::min(last, shown_.size());
    if (!grid_) {
        for (std::size_t k = first; k < last; ++k) {
            const int32_t i = shown_[k];
            on_atom(i);
            for (const int32_t j : shown_) {
                const PairKind kind = classifier_.classify(i, j);
                if (kind.any())
                    on_pair(i, j, kind);
            }
        }
        return;
    }
    // A pair that no rule can join is skipped: j outside the 27 cells
    // around i, or farther from i than the reach of i (with a margin for
    // rounding).  The others are classified in increasing j, i itself
    // included, just as the plain loop does.
    const bool segments = classifier_.rules().Helices && classifier_.rules().ProteinFile;
    const NearFilter filter(classifier_, quick_filter_);
    std::vector<int32_t> near;
    for (std::size_t k = first; k < last; ++k) {
        const int32_t i = shown_[k];
        on_atom(i);
        const PairAtom& a = classifier_.atom(i);
        const bool trace = coarse_ && is_trace(classifier_, a);
        const long double limit = (trace ? trace_reach_ : atoms_reach_) * (1 + 1e-6L);
        near.clear();
        filter.collect(trace ? *trace_grid_ : *grid_, i, limit, near);
        // A backbone segment runs from a trace point to the next atom.
        if (segments && is_trace(classifier_, a) && is_shown_[static_cast<std::size_t>(i) + 1])
            near.push_back(i + 1);
        std::sort(near.begin(), near.end());
        near.erase(std::unique(near.begin(), near.end()), near.end());
        for (const int32_t j : near) {
            const PairKind kind = classifier_.classify(i, j);
            if (kind.any())
                on_pair(i, j, kind);
        }
    }
}

void for_each_connected_pair(const Structure& structure, const ModelOptions& options, const PairClassifier& classifier,
                             const std::function<void(int32_t)>& on_atom,
                             const std::function<void(int32_t, int32_t, const PairKind&)>& on_pair)
{
    const PairSearch search(structure, options, classifier);
    search.visit(0, search.shown().size(), on_atom, on_pair);
}

}  // namespace vexalith
