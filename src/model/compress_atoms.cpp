#include "model/compress_atoms.h"

#include <cmath>

#include "common/rounding.h"
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

// The scene position of an atom moved by the Cartesian lattice vector L
// (scene x = -Cartesian y, scene y = Cartesian z, scene z = -Cartesian x).
Vec3 translated(const AtomCoordRecord& atom, const Vec3& L)
{
    return {atom.x - L[1], atom.y + L[2], atom.z - L[0]};
}

long double rounded_part(const StructureModel& model, int32_t atom)
{
    return round_half_even(model.AtomCoord[static_cast<std::size_t>(atom)].part);
}

}  // namespace

CompressionTables make_compression_tables(const StructureModel& model)
{
    CompressionTables tables;
    tables.a = FracToCart(model, Vec3{1, 0, 0});
    tables.b = FracToCart(model, Vec3{0, 1, 0});
    tables.c = FracToCart(model, Vec3{0, 0, 1});
    const auto slots = static_cast<std::size_t>(model.AtomCount) + 1;
    tables.covalent.assign(slots, 0);
    tables.van_der_waals.assign(slots, 0);
    for (std::size_t i = 1; i < slots; ++i) {
        const int row = radius_row(model.AtomSymbol[i]);
        tables.covalent[i] = ReadCovalentRadius(row);
        tables.van_der_waals[i] = ReadVanDerWaalsRadius(row);
    }
    return tables;
}

bool AttachAtom(StructureModel& model, const ModelOptions& options, const CompressionTables& tables,
                int32_t candidate, int32_t seed)
{
    const auto j = static_cast<std::size_t>(candidate);
    const auto s = static_cast<std::size_t>(seed);
    const bool candidate_is_hydrogen = model.AtomSymbol[j] == "H";
    if (candidate_is_hydrogen && model.AtomSymbol[s] == "H")
        return false;

    long double cutoff = tables.covalent[j] + tables.covalent[s] + 0.5L;
    if ((options.ShowVanDerWaalsBox || options.ShowHydrogenBondsBox) && candidate_is_hydrogen)
        cutoff = tables.van_der_waals[j] + tables.van_der_waals[s] - 0.3L;

    const Vec3 seed_position = position(model.AtomCoord[s]);
    AtomCoordRecord& atom = model.AtomCoord[j];
    for (int q = -2; q <= 2; ++q)
        for (int r = -2; r <= 2; ++r)
            for (int p = -2; p <= 2; ++p) {
                const Vec3 L = tables.a * static_cast<long double>(q) + tables.b * static_cast<long double>(r) +
                               tables.c * static_cast<long double>(p);
                const Vec3 trial = translated(atom, L);
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

void CompressAtoms(StructureModel& model, const ModelOptions& options)
{
    const int32_t n = model.AtomCount;
    if (n <= 0)
        return;

    const CompressionTables tables = make_compression_tables(model);
    std::vector<bool> placed(static_cast<std::size_t>(n) + 1, false);
    placed[1] = true;  // whether or not the display filter shows atom 1

    int32_t s = 1;
    while (s <= n) {
        bool attached = false;
        const long double seed_part = rounded_part(model, s);
        if (atom_ok(model, options, s) && placed[static_cast<std::size_t>(s)]) {
            for (int32_t j = 1; j <= n; ++j) {
                const long double part = rounded_part(model, j);
                if (atom_ok(model, options, j) && (part == seed_part || part * seed_part == 0) &&
                    !placed[static_cast<std::size_t>(j)] && AttachAtom(model, options, tables, j, s)) {
                    placed[static_cast<std::size_t>(j)] = true;
                    attached = true;
                }
            }
        }
        // Atom 1 need not be a seed again: every unplaced atom was tried
        // against it, and unplaced atoms never move.
        s = attached ? 2 : s + 1;
    }

    int32_t removed = 0;
    for (int32_t j = 1; j <= n; ++j) {
        const auto from = static_cast<std::size_t>(j);
        if (!placed[from]) {
            ++removed;
        } else if (removed > 0) {
            const auto to = static_cast<std::size_t>(j - removed);
            model.AtomSymbol[to] = model.AtomSymbol[from];
            model.AtomCoord[to] = model.AtomCoord[from];
        }
    }
    model.AtomCount = n - removed;
}

}  // namespace vexalith
