// Which pairs of atoms are joined by a cylinder, and as what: a covalent
// bond, a hydrogen bond (or the short contact of an alkali metal, drawn like
// one), a segment of the protein backbone trace, or a bridge from the trace
// to its surroundings (also drawn like a hydrogen bond).  The scene writer and
// the STL writer share these rules; they differ only in whether bridges are
// drawn and in the sizes they give the cylinders.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "options/model_options.h"
#include "structure/structure.h"

namespace vexalith {

inline constexpr long double BondTolerance = 0.5L;         // width of every distance window
inline constexpr long double HBondCosLimit = -0.23L;       // donor-H-acceptor angle above ~103 degrees
inline constexpr long double OxygenAcceptorRadius = 0.8L;  // contact radius of an oxygen acceptor
inline constexpr long double kHydrogenCovalentRadius = 0.38L;
inline constexpr long double kHelixSegmentLimit = 8.0L;  // longest backbone trace segment
inline constexpr long double kShortestBond = 0.6L;

// The options that the rules read, fixed for one writer run.
struct PairRules {
    int32_t ModelMode = BallAndStick;
    bool ProteinFile = false;
    bool HydrogenBonds = false;  // either hydrogen-bond box checked
    bool Helices = false;        // "Helices" checked
    bool Bridges = false;        // bridges from the trace are drawn
    long double HelixBridgeDistance = 5.0L;
    std::string DonorElements;
};

// The scene hides bridges while "hide bridges" is checked.
PairRules scene_pair_rules(const Structure& structure, const ModelOptions& options);
// The STL file always carries the bridges ("added to STL file").
PairRules stl_pair_rules(const Structure& structure, const ModelOptions& options);

// What the rules need to know of one atom.
struct PairAtom {
    Vec3 position{};
    long double covalent = 0;
    long double vdw = 0;
    long double contact = 0;  // radius as an acceptor or alkali partner
    int64_t part = 0;         // rounded part number
    int32_t model = 0;        // model of an ensemble read whole; 0 joins any
    std::string_view symbol;
    std::string_view residue;
    bool donor = false;  // symbol occurs in DonorElements
    // Tests of the symbol and residue that the rules make on every pair.
    bool carbon = false;    // symbol "C"
    bool acceptor = false;  // symbol occurs in AcceptorElements
    bool alkali = false;    // occurs in "CS LI NA K RB CS", not in "C N S B I"
    bool h_or_c = false;    // symbol occurs in "H C"
    bool trace = false;     // residue "HEL": a point of the backbone trace
};

class CellGrid;

struct PairKind {
    bool bond = false;   // covalent bond
    bool hbond = false;  // hydrogen bond, alkali contact or bridge
    bool helix = false;  // backbone trace segment
    long double distance = 0;
    Vec3 direction{};  // position of j minus position of i

    bool any() const { return bond || hbond || helix; }
};

class PairClassifier {
public:
    PairClassifier(const Structure& structure, PairRules rules);

    const PairRules& rules() const { return rules_; }
    const PairAtom& atom(int32_t i) const { return atoms_[static_cast<std::size_t>(i)]; }
    int32_t atom_count() const { return static_cast<int32_t>(atoms_.size()) - 1; }

    // The classification of the ordered pair (i, j), both shown atoms.
    PairKind classify(int32_t i, int32_t j) const;

    // Whether some atom k other than i (shown or not) is a donor that holds
    // hydrogen i at bonding distance, at an angle k-i-j wider than the limit.
    // `v` is the vector from i to the acceptor, `d` its length.
    // Searches the donors near i through a grid of all donor atoms.
    bool has_donor(int32_t i, const Vec3& v, long double d) const;
    // The same answer by a scan over every atom; the reference for the grid.
    bool has_donor_plain(int32_t i, const Vec3& v, long double d) const;

private:
    bool donor_holds(int32_t k, int32_t i, const Vec3& v, long double d) const;

    PairRules rules_;
    std::vector<PairAtom> atoms_;  // slot 0 unused
    // All donor atoms; null when some donor position cannot be binned.
    std::shared_ptr<const CellGrid> donors_;
};

// Visits every ordered pair (i, j) of shown atoms, i outer and j inner, both
// in increasing order, and reports the pairs that get a cylinder.
// `on_atom(i)` runs once for each shown atom i before its pairs.
// Only pairs closer than the longest distance any rule accepts are
// classified (found through a grid of the shown atoms), plus each backbone
// trace point with the next atom; the calls are the same, in the same
// order, as those of the plain loop below.  With
// PlainPairSearch set in the options the plain loop runs instead.
void for_each_connected_pair(const Structure& structure, const ModelOptions& options, const PairClassifier& classifier,
                             const std::function<void(int32_t)>& on_atom,
                             const std::function<void(int32_t, int32_t, const PairKind&)>& on_pair);

// The search behind for_each_connected_pair, set up once (the shown atoms
// and their grids) and then visited in ranges of the shown atoms, possibly
// from several threads at once: visit() only reads.
class PairSearch {
public:
    PairSearch(const Structure& structure, const ModelOptions& options, const PairClassifier& classifier);
    ~PairSearch();
    PairSearch(const PairSearch&) = delete;
    PairSearch& operator=(const PairSearch&) = delete;

    // The shown atoms in increasing order.
    const std::vector<int32_t>& shown() const { return shown_; }

    // The calls of for_each_connected_pair for shown atoms first..last-1
    // (indexes into shown()) as i.
    void visit(std::size_t first, std::size_t last, const std::function<void(int32_t)>& on_atom,
               const std::function<void(int32_t, int32_t, const PairKind&)>& on_pair) const;

private:
    const PairClassifier& classifier_;
    std::vector<int32_t> shown_;
    std::vector<bool> is_shown_;
    long double atoms_reach_ = 0;
    long double trace_reach_ = 0;
    bool coarse_ = false;
    bool quick_filter_ = false;             // distances may be compared in double
    std::unique_ptr<const CellGrid> grid_;  // null: every pair is classified
    std::unique_ptr<const CellGrid> trace_grid_;
};

// Every ordered pair of shown atoms classified, the reference for the above.
void for_each_connected_pair_plain(const Structure& structure, const ModelOptions& options,
                                   const PairClassifier& classifier, const std::function<void(int32_t)>& on_atom,
                                   const std::function<void(int32_t, int32_t, const PairKind&)>& on_pair);

}  // namespace vexalith
