#include "model/compress_atoms.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <optional>
#include <queue>

#include "common/rounding.h"
#include "model/cell_grid.h"
#include "model/vector3.h"
#include "structure/cell_geometry.h"
#include "structure/element_table.h"

namespace vexalith {
namespace {

// The element table row of an atom's symbol, carbon for a symbol it lacks.
int radius_row(const std::string& symbol)
{
    const int row = GetElementIndex(symbol);
    return row != 0 ? row : GetElementIndex("C");
}

// The scene position of an atom moved by the Cartesian lattice vector `shift`
// (scene x = -Cartesian y, scene y = Cartesian z, scene z = -Cartesian x).
Vec3 translated(const AtomCoordRecord& atom, const Vec3& shift)
{
    return {atom.x - shift[1], atom.y + shift[2], atom.z - shift[0]};
}

long double rounded_part(const Structure& structure, int32_t atom)
{
    return round_half_even(structure.AtomCoord[static_cast<std::size_t>(atom)].part);
}

// Moves the placed atoms down over the unplaced ones, in order.
void remove_unplaced(Structure& structure, const std::vector<bool>& placed)
{
    const int32_t n = structure.AtomCount;
    int32_t removed = 0;
    for (int32_t j = 1; j <= n; ++j) {
        const auto from = static_cast<std::size_t>(j);
        if (!placed[from]) {
            ++removed;
        } else if (removed > 0) {
            const auto to = static_cast<std::size_t>(j - removed);
            structure.AtomSymbol[to] = structure.AtomSymbol[from];
            structure.AtomCoord[to] = structure.AtomCoord[from];
        }
    }
    structure.AtomCount = n - removed;
}

}  // namespace

CompressionTables make_compression_tables(const Structure& structure)
{
    CompressionTables tables;
    tables.a = FracToCart(structure, Vec3{1, 0, 0});
    tables.b = FracToCart(structure, Vec3{0, 1, 0});
    tables.c = FracToCart(structure, Vec3{0, 0, 1});
    const auto slots = static_cast<std::size_t>(structure.AtomCount) + 1;
    tables.covalent.assign(slots, 0);
    tables.van_der_waals.assign(slots, 0);
    for (std::size_t i = 1; i < slots; ++i) {
        const int row = radius_row(structure.AtomSymbol[i]);
        tables.covalent[i] = ReadCovalentRadius(row);
        tables.van_der_waals[i] = ReadVanDerWaalsRadius(row);
    }
    return tables;
}

bool attach_atom(Structure& structure, const ModelOptions& options, const CompressionTables& tables, int32_t candidate,
                 int32_t seed)
{
    const auto j = static_cast<std::size_t>(candidate);
    const auto s = static_cast<std::size_t>(seed);
    const bool candidate_is_hydrogen = structure.AtomSymbol[j] == "H";
    if (candidate_is_hydrogen && structure.AtomSymbol[s] == "H")
        return false;

    long double cutoff = tables.covalent[j] + tables.covalent[s] + 0.5L;
    if ((options.HydrogenBondsAndVanDerWaals || options.HydrogenBondsOnly) && candidate_is_hydrogen)
        cutoff = tables.van_der_waals[j] + tables.van_der_waals[s] - 0.3L;

    const Vec3 seed_position = position(structure.AtomCoord[s]);
    AtomCoordRecord& atom = structure.AtomCoord[j];
    for (int q = -2; q <= 2; ++q)
        for (int r = -2; r <= 2; ++r)
            for (int p = -2; p <= 2; ++p) {
                const Vec3 shift = tables.a * static_cast<long double>(q) + tables.b * static_cast<long double>(r) +
                                   tables.c * static_cast<long double>(p);
                const Vec3 trial = translated(atom, shift);
                const long double d = length(trial - seed_position);
                if (d < cutoff) {
                    atom.x = trial[0];
                    atom.y = trial[1];
                    atom.z = trial[2];
                    return true;
                }
            }
    return false;
}

void compress_atoms_plain(Structure& structure, const ModelOptions& options)
{
    const int32_t n = structure.AtomCount;
    if (n <= 0)
        return;

    const CompressionTables tables = make_compression_tables(structure);
    std::vector<bool> placed(static_cast<std::size_t>(n) + 1, false);
    placed[1] = true;  // whether or not the display filter shows atom 1

    int32_t s = 1;
    while (s <= n) {
        bool attached = false;
        const long double seed_part = rounded_part(structure, s);
        if (atom_ok(structure, options, s) && placed[static_cast<std::size_t>(s)]) {
            for (int32_t j = 1; j <= n; ++j) {
                const long double part = rounded_part(structure, j);
                if (atom_ok(structure, options, j) && (part == seed_part || part * seed_part == 0) &&
                    !placed[static_cast<std::size_t>(j)] && attach_atom(structure, options, tables, j, s)) {
                    placed[static_cast<std::size_t>(j)] = true;
                    attached = true;
                }
            }
        }
        // Atom 1 need not be a seed again: every unplaced atom was tried
        // against it, and unplaced atoms never move.
        s = attached ? 2 : s + 1;
    }

    remove_unplaced(structure, placed);
}

// Why each seed needs one pass only, taken lowest number first.
//
// Write T(j, s) for the attachment test of candidate j to seed s.  It reads
// the position of j and that of s and nothing else that changes.  A
// candidate is tested only while it is unplaced, and an unplaced atom has
// never moved; a seed is placed, and a placed atom never moves again (only
// the candidate of a test moves, and only when it becomes placed).  So
// whenever T(j, s) is evaluated it gives the same answer and the same image
// of j.
//
// Hence a seed that has had a pass attaches nothing in any later pass: each
// candidate of that later pass was unplaced during the first pass too
// (placed atoms stay placed), so T failed for it then and fails again.
//
// The restarting loop therefore has only one kind of pass with an effect:
// the first pass of a seed.  After atom 1, the loop walks 2, 3, ... and
// starts again at 2 after every pass that attached something.  When it
// reaches a seed s that is placed, shown and untried, every placed and shown
// seed below s has been tried: the placed set is unchanged since the walk
// last started at 2 (only an attaching pass changes it, and that restarts
// the walk), and the walk has passed each of those seeds since.  So the next
// effective pass is always that of the lowest-numbered placed, shown,
// untried seed, and the loop stops when there is none.  Running exactly
// those passes in that order, with the candidates of each pass in
// increasing order, makes the same tests in the same order: the same atoms
// end up placed, at the same images.
//
// Within a pass, a candidate is only tested when some image of it lies
// within the cutoff of the seed; the grid of unplaced candidates finds a
// superset of those, and the test itself decides as before.
void CompressAtoms(Structure& structure, const ModelOptions& options)
{
    const int32_t n = structure.AtomCount;
    if (n <= 0)
        return;

    const CompressionTables tables = make_compression_tables(structure);
    const auto slots = static_cast<std::size_t>(n) + 1;
    std::vector<bool> placed(slots, false);
    placed[1] = true;  // whether or not the display filter shows atom 1
    std::vector<bool> shown(slots, false);
    std::vector<long double> parts(slots, 0);
    for (int32_t i = 1; i <= n; ++i) {
        shown[static_cast<std::size_t>(i)] = atom_ok(structure, options, i);
        parts[static_cast<std::size_t>(i)] = rounded_part(structure, i);
    }

    // The longest cutoff of any test: covalent radii plus 0.5, or van der
    // Waals radii minus 0.3 for a hydrogen candidate.
    long double covalent = 0;
    long double vdw = 0;
    for (std::size_t i = 1; i < slots; ++i) {
        covalent = std::max(covalent, tables.covalent[i]);
        vdw = std::max(vdw, tables.van_der_waals[i]);
    }
    const long double reach = std::max(covalent + covalent + 0.5L, vdw + vdw - 0.3L);

    // The 125 lattice translations in the order of the test.
    std::vector<Vec3> translations;
    bool lattice_finite = true;
    for (int q = -2; q <= 2; ++q)
        for (int r = -2; r <= 2; ++r)
            for (int p = -2; p <= 2; ++p) {
                const Vec3 shift = tables.a * static_cast<long double>(q) + tables.b * static_cast<long double>(r) +
                                   tables.c * static_cast<long double>(p);
                lattice_finite =
                    lattice_finite && std::isfinite(shift[0]) && std::isfinite(shift[1]) && std::isfinite(shift[2]);
                translations.push_back(shift);
            }

    std::optional<CellGrid> grid;
    if (lattice_finite && CellGrid::usable_distance(reach)) {
        grid.emplace(reach);
        for (int32_t j = 2; j <= n && grid; ++j) {
            if (!shown[static_cast<std::size_t>(j)])
                continue;
            const Vec3 p = position(structure.AtomCoord[static_cast<std::size_t>(j)]);
            if (grid->usable(p))
                grid->insert(p, j);
            else
                grid.reset();  // every candidate is tested instead
        }
        if (grid)
            grid->seal();
    }

    std::priority_queue<int32_t, std::vector<int32_t>, std::greater<>> seeds;
    if (shown[1])
        seeds.push(1);
    std::vector<int32_t> candidates;
    while (!seeds.empty()) {
        const int32_t s = seeds.top();
        seeds.pop();
        const long double seed_part = parts[static_cast<std::size_t>(s)];
        const Vec3 seed = position(structure.AtomCoord[static_cast<std::size_t>(s)]);

        // An image of j lies at j + shift (in scene axes: x - shift_y, y + shift_z,
        // z - shift_x); it is near the seed when j is near the seed moved back.
        candidates.clear();
        bool searched = false;
        if (grid) {
            searched = true;
            for (const Vec3& shift : translations) {
                const Vec3 back{seed[0] + shift[1], seed[1] - shift[2], seed[2] + shift[0]};
                if (!grid->usable(back)) {
                    searched = false;
                    break;
                }
                grid->for_each_near(back, [&](int32_t j) {
                    if (!placed[static_cast<std::size_t>(j)])
                        candidates.push_back(j);
                    return true;
                });
            }
            std::sort(candidates.begin(), candidates.end());
            candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
        }
        if (!searched) {
            candidates.clear();
            for (int32_t j = 1; j <= n; ++j)
                candidates.push_back(j);
        }

        for (const int32_t j : candidates) {
            const auto k = static_cast<std::size_t>(j);
            const long double part = parts[k];
            if (shown[k] && (part == seed_part || part * seed_part == 0) && !placed[k] &&
                attach_atom(structure, options, tables, j, s)) {
                placed[k] = true;
                seeds.push(j);
            }
        }
    }

    remove_unplaced(structure, placed);
}

}  // namespace vexalith
