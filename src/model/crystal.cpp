#include "model/crystal.h"

#include <gemmi/symmetry.hpp>

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>

#include "common/error.h"
#include "model/element_radii.h"
#include "model/pair_classification.h"
#include "structure/cell_geometry.h"

namespace vexalith {
namespace {

// Scene frame (x = -Cartesian y, y = Cartesian z, z = -Cartesian x) back to
// Cartesian.
Vec3 scene_to_cartesian(const AtomCoordRecord& a) { return {-a.z, -a.x, a.y}; }

Vec3 times(const Mat3& m, const Vec3& v)
{
    Vec3 r{};
    for (std::size_t i = 0; i < 3; ++i)
        r[i] = m[i][0] * v[0] + m[i][1] * v[1] + m[i][2] * v[2];
    return r;
}

Mat3 inverse_of(const Mat3& m)
{
    const long double det = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
                            m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
                            m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
    Mat3 r{};
    r[0] = {(m[1][1] * m[2][2] - m[1][2] * m[2][1]) / det, (m[0][2] * m[2][1] - m[0][1] * m[2][2]) / det,
            (m[0][1] * m[1][2] - m[0][2] * m[1][1]) / det};
    r[1] = {(m[1][2] * m[2][0] - m[1][0] * m[2][2]) / det, (m[0][0] * m[2][2] - m[0][2] * m[2][0]) / det,
            (m[0][2] * m[1][0] - m[0][0] * m[1][2]) / det};
    r[2] = {(m[1][0] * m[2][1] - m[1][1] * m[2][0]) / det, (m[0][1] * m[2][0] - m[0][0] * m[2][1]) / det,
            (m[0][0] * m[1][1] - m[0][1] * m[1][0]) / det};
    return r;
}

long double distance(const Vec3& a, const Vec3& b)
{
    return std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) + (a[2] - b[2]) * (a[2] - b[2]));
}

SymmetryOperator from_gemmi(const gemmi::Op& op)
{
    SymmetryOperator result;
    for (std::size_t r = 0; r < 3; ++r) {
        for (std::size_t c = 0; c < 3; ++c)
            result.rotation[r][c] = op.rot[r][c] / gemmi::Op::DEN;
        result.translation[r] = static_cast<long double>(op.tran[r]) / gemmi::Op::DEN;
    }
    return result;
}

std::vector<SymmetryOperator> table_operators(const gemmi::GroupOps& ops)
{
    std::vector<SymmetryOperator> result;
    for (const gemmi::Op& op : ops)
        result.push_back(from_gemmi(op));
    return result;
}

// An operation up to whole cell translations: its rotation and its
// translation modulo 1 in millionths.  Two operations of one class give
// the same sites in the cell.
using LatticeClass = std::array<long long, 12>;

LatticeClass lattice_class(const SymmetryOperator& op)
{
    LatticeClass key{};
    for (std::size_t r = 0; r < 3; ++r) {
        for (std::size_t c = 0; c < 3; ++c)
            key[r * 3 + c] = op.rotation[r][c];
        constexpr long long kMillion = 1'000'000;
        const long long t = std::llround(op.translation[r] * kMillion) % kMillion;
        key[9 + r] = t < 0 ? t + kMillion : t;
    }
    return key;
}

// Refuses a crystal of more than kLargestCrystal atoms, before it is made.
void require_buildable(const Structure& s, std::size_t atoms, const char* what)
{
    if (atoms > kLargestCrystal)
        throw RangeError(s.FileName, 0,
                         std::string(what) + " would take " + std::to_string(atoms) + " atoms, more than the " +
                             std::to_string(kLargestCrystal) + " a crystal may have");
}

// Points in Cartesian space found by position through a hash of cubes.
class PointGrid {
public:
    explicit PointGrid(long double cube) : cube_(cube) {}

    void insert(const Vec3& p, int32_t id) { cells_[key(cell(p))].push_back(id); }

    template <typename Visit>
    void near(const Vec3& p, Visit visit) const
    {
        const auto c = cell(p);
        for (int64_t dx = -1; dx <= 1; ++dx)
            for (int64_t dy = -1; dy <= 1; ++dy)
                for (int64_t dz = -1; dz <= 1; ++dz) {
                    const auto found = cells_.find(key({c[0] + dx, c[1] + dy, c[2] + dz}));
                    if (found != cells_.end())
                        for (const int32_t id : found->second)
                            visit(id);
                }
    }

private:
    std::array<int64_t, 3> cell(const Vec3& p) const
    {
        return {static_cast<int64_t>(std::floor(p[0] / cube_)), static_cast<int64_t>(std::floor(p[1] / cube_)),
                static_cast<int64_t>(std::floor(p[2] / cube_))};
    }
    static uint64_t key(const std::array<int64_t, 3>& c)
    {
        const auto part = [](int64_t v) { return static_cast<uint64_t>(v + (int64_t{1} << 20)) & 0x1FFFFFu; };
        return part(c[0]) | (part(c[1]) << 21) | (part(c[2]) << 42);
    }

    long double cube_;
    std::unordered_map<uint64_t, std::vector<int32_t>> cells_;
};

// One atom of the grown crystal: the atom of the asymmetric unit it is an
// image of, and its fractional position.
struct Image {
    int32_t source = 0;
    Vec3 frac{};
};

struct Frame {
    Mat3 to_frac{};         // Cartesian to fractional
    Vec3 centroid{};        // the fractional centroid the reader centred on
    Vec3 edge_tolerance{};  // kSiteTolerance in fractions of each axis, with room
};

Vec3 to_cartesian(const Structure& s, const Vec3& f) { return FracToCart(s, f); }

// Wraps into [-t, 1 - t) on each axis, so that images at 0 and at 1 agree.
Vec3 wrapped(const Vec3& f, const Vec3& tolerance)
{
    Vec3 w{};
    for (std::size_t i = 0; i < 3; ++i) {
        w[i] = f[i] - std::floor(f[i]);
        if (w[i] >= 1 - tolerance[i])
            w[i] -= 1;
    }
    return w;
}

// The distinct sites of the cell: every image of every atom, wrapped, with
// the images of one atom within kSiteTolerance merged.  An atom has at most
// as many images as there are operations, so they are compared among
// themselves through the cubes of a grid of edge 2 kSiteTolerance: two
// images within the tolerance lie in neighbouring cubes.
std::vector<Image> cell_sites(const Structure& s, const std::vector<Vec3>& fracs,
                              const std::vector<SymmetryOperator>& operators, const Frame& frame)
{
    struct Kept {
        std::array<int64_t, 3> cube;
        Vec3 cartesian;
    };
    constexpr long double kCube = 2 * kSiteTolerance;
    std::vector<Image> sites;
    std::vector<Kept> kept;
    // Past the largest space group the scan would grow with the square of
    // the operations: a grid of cubes finds the neighbours instead.
    constexpr std::size_t kScanned = 192;
    std::optional<PointGrid> grid;
    for (int32_t atom = 1; atom <= s.AtomCount; ++atom) {
        kept.clear();
        if (operators.size() > kScanned)
            grid.emplace(kCube);
        for (const SymmetryOperator& op : operators) {
            const Vec3 w = wrapped(op.apply(fracs[static_cast<std::size_t>(atom)]), frame.edge_tolerance);
            const Vec3 p = to_cartesian(s, w);
            const std::array<int64_t, 3> cube{static_cast<int64_t>(std::floor(p[0] / kCube)),
                                              static_cast<int64_t>(std::floor(p[1] / kCube)),
                                              static_cast<int64_t>(std::floor(p[2] / kCube))};
            bool seen = false;
            if (grid) {
                grid->near(p, [&](int32_t other) {
                    seen = seen || distance(kept[static_cast<std::size_t>(other)].cartesian, p) < kSiteTolerance;
                });
            } else {
                for (const Kept& other : kept)
                    if (std::llabs(other.cube[0] - cube[0]) <= 1 && std::llabs(other.cube[1] - cube[1]) <= 1 &&
                        std::llabs(other.cube[2] - cube[2]) <= 1 && distance(other.cartesian, p) < kSiteTolerance) {
                        seen = true;
                        break;
                    }
            }
            if (seen)
                continue;
            if (grid)
                grid->insert(p, static_cast<int32_t>(kept.size()));
            kept.push_back({cube, p});
            sites.push_back({atom, w});
        }
    }
    return sites;
}

// The sites repeated over the block, with a copy on the far face for every
// site on a near face (and on the far edges and corner for one on an edge or
// a corner).
std::vector<Image> block_atoms(const std::vector<Image>& sites, const std::array<int32_t, 3>& block, const Frame& frame)
{
    std::vector<Image> atoms;
    for (int32_t i = 0; i < block[0]; ++i)
        for (int32_t j = 0; j < block[1]; ++j)
            for (int32_t k = 0; k < block[2]; ++k)
                for (const Image& site : sites)
                    atoms.push_back({site.source, {site.frac[0] + i, site.frac[1] + j, site.frac[2] + k}});
    for (const Image& site : sites) {
        std::array<bool, 3> on_face{};
        for (std::size_t a = 0; a < 3; ++a)
            on_face[a] = std::fabs(site.frac[a]) < frame.edge_tolerance[a];
        // Every nonempty choice of the faces it lies on, moved to the far side;
        // the block's other cells along the remaining axes as well.
        for (int mask = 1; mask < 8; ++mask) {
            bool usable = true;
            for (std::size_t a = 0; a < 3; ++a)
                if (((mask >> a) & 1) && !on_face[a])
                    usable = false;
            if (!usable)
                continue;
            std::array<int32_t, 3> from{}, to{};
            for (std::size_t a = 0; a < 3; ++a) {
                if ((mask >> a) & 1) {
                    from[a] = block[a];
                    to[a] = block[a] + 1;
                } else {
                    from[a] = 0;
                    to[a] = block[a];
                }
            }
            for (int32_t i = from[0]; i < to[0]; ++i)
                for (int32_t j = from[1]; j < to[1]; ++j)
                    for (int32_t k = from[2]; k < to[2]; ++k)
                        atoms.push_back({site.source, {site.frac[0] + i, site.frac[1] + j, site.frac[2] + k}});
        }
    }
    return atoms;
}

bool bonded(const Structure& s, int32_t a, int32_t b, long double d)
{
    const auto i = static_cast<std::size_t>(a);
    const auto j = static_cast<std::size_t>(b);
    const long double sum = GetCovalentRadius(s.AtomSymbol[i]) + GetCovalentRadius(s.AtomSymbol[j]);
    const long double pa = std::round(s.AtomCoord[i].part);
    const long double pb = std::round(s.AtomCoord[j].part);
    return d > sum - 2 * BondTolerance && d < sum + BondTolerance && d > 0.6L && (pa == pb || pa == 0 || pb == 0);
}

// The molecules that have atoms in the asymmetric unit, made whole.
std::vector<Image> whole_molecules(const Structure& s, const std::vector<Vec3>& fracs, const std::vector<Image>& sites,
                                   const Frame& frame)
{
    // Every site in the 27 cells around the cell, found by position.
    long double reach = 0;
    for (int32_t atom = 1; atom <= s.AtomCount; ++atom)
        reach = std::max(reach, GetCovalentRadius(s.AtomSymbol[static_cast<std::size_t>(atom)]));
    reach = 2 * reach + BondTolerance;
    struct Candidate {
        int32_t site;
        std::array<int32_t, 3> shift;
        Vec3 cartesian;
    };
    std::vector<Candidate> candidates;
    PointGrid grid(reach);
    for (std::size_t site = 0; site < sites.size(); ++site)
        for (int32_t i = -1; i <= 1; ++i)
            for (int32_t j = -1; j <= 1; ++j)
                for (int32_t k = -1; k <= 1; ++k) {
                    const Vec3& w = sites[site].frac;
                    const Vec3 p = to_cartesian(s, {w[0] + i, w[1] + j, w[2] + k});
                    grid.insert(p, static_cast<int32_t>(candidates.size()));
                    candidates.push_back({static_cast<int32_t>(site), {i, j, k}, p});
                }

    using Node = std::pair<int32_t, std::array<int32_t, 3>>;  // site, cell
    std::map<Node, bool> taken;                               // in the result
    std::map<Node, bool> explored;                            // reached from some seed
    std::vector<Image> atoms;
    constexpr int32_t kFarthestCell = 2;
    for (int32_t seed_atom = 1; seed_atom <= s.AtomCount; ++seed_atom) {
        // The seed's site and cell.
        const Vec3& f = fracs[static_cast<std::size_t>(seed_atom)];
        const Vec3 w = wrapped(f, frame.edge_tolerance);
        std::array<int32_t, 3> cell{};
        for (std::size_t a = 0; a < 3; ++a)
            cell[a] = static_cast<int32_t>(std::lround(f[a] - w[a]));
        int32_t seed_site = -1;
        for (std::size_t site = 0; site < sites.size() && seed_site < 0; ++site)
            if (sites[site].source == seed_atom &&
                distance(to_cartesian(s, sites[site].frac), to_cartesian(s, w)) < kSiteTolerance)
                seed_site = static_cast<int32_t>(site);
        if (seed_site < 0 || explored.count({seed_site, cell}))
            continue;

        // Breadth first through the bonds.
        std::vector<Node> fragment{{seed_site, cell}};
        std::map<int32_t, std::array<int32_t, 3>> cell_of_site{{seed_site, cell}};
        std::map<Node, bool> in_fragment{{{seed_site, cell}, true}};
        bool framework = false;
        for (std::size_t n = 0; n < fragment.size(); ++n) {
            const int32_t site = fragment[n].first;
            const std::array<int32_t, 3> at = fragment[n].second;
            const Image& here = sites[static_cast<std::size_t>(site)];
            const Vec3 p = to_cartesian(s, here.frac);
            grid.near(p, [&](int32_t id) {
                const Candidate& c = candidates[static_cast<std::size_t>(id)];
                const Image& there = sites[static_cast<std::size_t>(c.site)];
                if (!bonded(s, here.source, there.source, distance(p, c.cartesian)))
                    return;
                const std::array<int32_t, 3> next{at[0] + c.shift[0], at[1] + c.shift[1], at[2] + c.shift[2]};
                for (std::size_t a = 0; a < 3; ++a)
                    if (std::abs(next[a] - cell[a]) > kFarthestCell)
                        return;
                const Node node{c.site, next};
                if (in_fragment.count(node))
                    return;
                const auto known = cell_of_site.find(c.site);
                if (known != cell_of_site.end() && known->second != next)
                    framework = true;  // one site twice: it never closes
                cell_of_site.emplace(c.site, next);
                in_fragment[node] = true;
                fragment.push_back(node);
            });
        }
        constexpr std::array<int32_t, 3> kCell{0, 0, 0};
        for (const Node& node : fragment) {
            explored[node] = true;
            if ((framework && node.second != kCell) || taken.count(node))
                continue;  // a framework stops at the cell's boundary
            taken[node] = true;
            const Image& site = sites[static_cast<std::size_t>(node.first)];
            atoms.push_back(
                {site.source,
                 {site.frac[0] + node.second[0], site.frac[1] + node.second[1], site.frac[2] + node.second[2]}});
        }
    }
    return atoms;
}

// The structure's atoms become `atoms`, centred on their fractional
// centroid, in the scene frame, as the reader places them.
void place_atoms(Structure& s, const std::vector<Image>& atoms)
{
    const Structure source = s;
    const std::size_t n = atoms.size();
    Vec3 centroid{0, 0, 0};
    for (const Image& atom : atoms)
        for (std::size_t a = 0; a < 3; ++a)
            centroid[a] += atom.frac[a];
    for (std::size_t a = 0; a < 3 && n > 0; ++a)
        centroid[a] /= static_cast<long double>(n);

    s.AtomSymbol.assign(n + 1, std::string());
    s.AtomCoord.assign(n + 1, AtomCoordRecord{});
    s.AtomResidue.assign(n + 1, std::string());
    s.AtomSeqId.assign(n + 1, 0);
    s.AtomModel.clear();  // a crystal holds one model
    long double extent = 1.0L;
    for (std::size_t i = 0; i < n; ++i) {
        const auto from = static_cast<std::size_t>(atoms[i].source);
        const Vec3 f{atoms[i].frac[0] - centroid[0], atoms[i].frac[1] - centroid[1], atoms[i].frac[2] - centroid[2]};
        const Vec3 p = FracToCart(s, f);
        s.AtomSymbol[i + 1] = source.AtomSymbol[from];
        s.AtomCoord[i + 1] = AtomCoordRecord{-p[1], p[2], -p[0], source.AtomCoord[from].part};
        s.AtomResidue[i + 1] = source.AtomResidue[from];
        s.AtomSeqId[i + 1] = source.AtomSeqId[from];
        extent = std::max({extent, std::fabs(p[0]), std::fabs(p[1]), std::fabs(p[2])});
    }
    s.AtomCount = static_cast<int32_t>(n);
    s.Centroid = centroid;
    s.ModelExtent = extent;
    for (ResidueRow& row : s.ResidueTable)
        row[0] = 0;
    for (std::size_t i = 1; i <= n; ++i) {
        const auto seq = static_cast<std::size_t>(s.AtomSeqId[i]);
        if (seq < s.ResidueTable.size())
            s.ResidueTable[seq][0] += 1;
    }
}

// The edges of the block's cells, each once: along each axis, every line
// of lattice points crossing the block, cut into cell-long pieces.  Placed
// as the atoms are (centred on their centroid, in the scene frame).
std::vector<std::array<Vec3, 2>> cell_edges(const Structure& s, const std::array<int32_t, 3>& cells)
{
    const auto scene = [&](const Vec3& f) {
        const Vec3 p = FracToCart(s, {f[0] - s.Centroid[0], f[1] - s.Centroid[1], f[2] - s.Centroid[2]});
        return Vec3{-p[1], p[2], -p[0]};
    };
    std::vector<std::array<Vec3, 2>> edges;
    for (std::size_t axis = 0; axis < 3; ++axis) {
        const std::size_t u = (axis + 1) % 3;
        const std::size_t v = (axis + 2) % 3;
        for (int32_t i = 0; i <= cells[u]; ++i)
            for (int32_t j = 0; j <= cells[v]; ++j)
                for (int32_t k = 0; k < cells[axis]; ++k) {
                    Vec3 from{};
                    from[u] = i;
                    from[v] = j;
                    from[axis] = k;
                    Vec3 to = from;
                    to[axis] = k + 1;
                    edges.push_back({scene(from), scene(to)});
                }
    }
    return edges;
}

}  // namespace

CrystalSymmetry crystal_symmetry(const Structure& structure)
{
    CrystalSymmetry symmetry;
    if (!structure.SymmetryOperations.empty()) {
        symmetry.source = CrystalSymmetry::Source::File;
        std::set<LatticeClass> seen;
        symmetry.space_group = !structure.SpaceGroupHermannMauguin.empty() ? structure.SpaceGroupHermannMauguin
                               : !structure.SpaceGroupHall.empty()         ? structure.SpaceGroupHall
                                                                           : structure.SpaceGroupNumber;
        for (const Structure::SymmetryText& op : structure.SymmetryOperations) {
            std::string problem;
            const auto parsed = parse_symmetry_operator(op.text, problem);
            if (!parsed)
                throw ConversionError(structure.FileName, op.line,
                                      "'" + op.text + "' is not a symmetry operation: " + problem);
            if (!seen.insert(lattice_class(*parsed)).second)
                continue;
            if (symmetry.operators.size() == kLargestOperationCount)
                throw ConversionError(structure.FileName, op.line,
                                      "more than " + std::to_string(kLargestOperationCount) +
                                          " distinct symmetry operations: no space group has as many");
            symmetry.operators.push_back(*parsed);
        }
        return symmetry;
    }
    const gemmi::SpaceGroup* group = nullptr;
    if (!structure.SpaceGroupHermannMauguin.empty())
        group = gemmi::find_spacegroup_by_name(structure.SpaceGroupHermannMauguin);
    if (group == nullptr && !structure.SpaceGroupHall.empty()) {
        try {
            const gemmi::GroupOps ops = gemmi::symops_from_hall(structure.SpaceGroupHall.c_str());
            symmetry.source = CrystalSymmetry::Source::SpaceGroup;
            symmetry.space_group = structure.SpaceGroupHall;
            symmetry.operators = table_operators(ops);
            return symmetry;
        } catch (const std::exception&) {
        }
    }
    if (group == nullptr && !structure.SpaceGroupNumber.empty()) {
        char* end = nullptr;
        const long number = std::strtol(structure.SpaceGroupNumber.c_str(), &end, 10);
        if (end != nullptr && *end == '\0' && number >= 1 && number <= 230)
            group = gemmi::find_spacegroup_by_number(static_cast<int>(number));
    }
    if (group != nullptr) {
        symmetry.source = CrystalSymmetry::Source::SpaceGroup;
        symmetry.space_group = group->xhm();
        symmetry.operators = table_operators(group->operations());
        return symmetry;
    }
    const std::string named = !structure.SpaceGroupHermannMauguin.empty() ? structure.SpaceGroupHermannMauguin
                              : !structure.SpaceGroupHall.empty()         ? structure.SpaceGroupHall
                                                                          : structure.SpaceGroupNumber;
    if (!named.empty())
        throw ConversionError(structure.FileName, 0,
                              "the space group '" + named +
                                  "' is not in the table of space groups, and the file "
                                  "lists no symmetry operations");
    symmetry.source = CrystalSymmetry::Source::AssumedP1;
    symmetry.space_group = "P 1";
    symmetry.operators = {identity_operator()};
    return symmetry;
}

CrystalGrowth grow_crystal(Structure& structure, const CrystalSymmetry& symmetry, CrystalMode mode,
                           const std::array<int32_t, 3>& block)
{
    CrystalGrowth growth;
    if (mode == CrystalMode::Asymmetric || structure.AtomCount <= 0)
        return growth;
    Frame frame;
    frame.to_frac = inverse_of(structure.OrthoMatrix);
    frame.centroid = structure.Centroid;
    const std::array<long double, 3> lengths{structure.CellA, structure.CellB, structure.CellC};
    for (std::size_t a = 0; a < 3; ++a)
        frame.edge_tolerance[a] = 2 * kSiteTolerance / lengths[a];

    std::vector<Vec3> fracs(static_cast<std::size_t>(structure.AtomCount) + 1);
    for (int32_t atom = 1; atom <= structure.AtomCount; ++atom) {
        const Vec3 f = times(frame.to_frac, scene_to_cartesian(structure.AtomCoord[static_cast<std::size_t>(atom)]));
        fracs[static_cast<std::size_t>(atom)] = {f[0] + frame.centroid[0], f[1] + frame.centroid[1],
                                                 f[2] + frame.centroid[2]};
    }
    require_buildable(structure, static_cast<std::size_t>(structure.AtomCount) * symmetry.operators.size(),
                      "the unit cell");
    const std::vector<Image> sites = cell_sites(structure, fracs, symmetry.operators, frame);
    if (mode == CrystalMode::Molecules) {
        // The molecules are searched for in the 27 cells around the cell.
        require_buildable(structure, 27 * sites.size(), "the search for whole molecules");
        place_atoms(structure, whole_molecules(structure, fracs, sites, frame));
        return growth;
    }
    growth.cell_sites = static_cast<int32_t>(sites.size());
    const std::array<int32_t, 3> cells = mode == CrystalMode::Block ? block : std::array<int32_t, 3>{1, 1, 1};
    require_buildable(structure,
                      sites.size() * static_cast<std::size_t>(std::max(cells[0], 1)) *
                          static_cast<std::size_t>(std::max(cells[1], 1)) *
                          static_cast<std::size_t>(std::max(cells[2], 1)),
                      "the block of cells");
    place_atoms(structure, block_atoms(sites, cells, frame));
    structure.CellSites = growth.cell_sites;
    structure.CellEdges = cell_edges(structure, cells);
    return growth;
}

}  // namespace vexalith
