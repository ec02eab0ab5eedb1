#include "model/backbone_trace.h"

#include <cmath>
#include <string>
#include <vector>

#include "model/element_radii.h"
#include "model/vector3.h"
#include "options/model_options.h"

namespace vexalith {
namespace {

constexpr long double kLongestStep = 8.0L;  // angstrom; longer steps are breaks in the chain

// Turns the sequence numbers into consecutive residue indexes in place and
// returns the largest index (0 when no atom has a positive number).
int32_t renumber_residues(Structure& structure)
{
    int32_t index = 0;
    int32_t previous_number = 0;
    for (int32_t i = 1; i <= structure.AtomCount; ++i) {
        int32_t& seq = structure.AtomSeqId[static_cast<std::size_t>(i)];
        if (seq <= 0)
            continue;
        const int32_t number = seq;
        if (index == 0) {
            index = 1;
        } else {
            const long long step = static_cast<long long>(number) - previous_number;
            index += (step == 0 || step == 1) ? static_cast<int32_t>(step) : 1;
        }
        previous_number = number;
        seq = index;
    }
    return index;
}

// The mean scene position of the atoms of every index 1..R; slot 0 unused.
std::vector<Vec3> residue_centres(const Structure& structure, int32_t residues)
{
    const auto slots = static_cast<std::size_t>(residues) + 1;
    std::vector<Vec3> sums(slots, Vec3{0, 0, 0});
    std::vector<long long> counts(slots, 0);
    for (int32_t i = 1; i <= structure.AtomCount; ++i) {
        const int32_t r = structure.AtomSeqId[static_cast<std::size_t>(i)];
        if (r <= 0)
            continue;
        const auto row = static_cast<std::size_t>(r);
        sums[row] = sums[row] + position(structure.AtomCoord[static_cast<std::size_t>(i)]);
        ++counts[row];
    }
    std::vector<Vec3> centres(slots, Vec3{0, 0, 0});
    for (std::size_t r = 1; r < slots; ++r) {
        const long double n = counts[r] == 0 ? 1.0L : static_cast<long double>(counts[r]);
        centres[r] = Vec3{sums[r][0] / n, sums[r][1] / n, sums[r][2] / n};
    }
    return centres;
}

// The rebuilt atom table, filled in order; slot 0 is the empty atom.
struct RebuiltAtoms {
    std::vector<std::string> symbols{std::string()};
    std::vector<AtomCoordRecord> coords{AtomCoordRecord{}};
    std::vector<std::string> residues{std::string()};
    std::vector<int32_t> seq_ids{0};
    std::vector<int32_t> models{0};

    void reserve(std::size_t atoms)
    {
        models.reserve(atoms);
        symbols.reserve(atoms);
        coords.reserve(atoms);
        residues.reserve(atoms);
        seq_ids.reserve(atoms);
    }

    void add(std::string symbol, const AtomCoordRecord& coord, std::string residue, int32_t seq_id, int32_t model)
    {
        models.push_back(model);
        symbols.push_back(std::move(symbol));
        coords.push_back(coord);
        residues.push_back(std::move(residue));
        seq_ids.push_back(seq_id);
    }

    void add_trace_point(const Vec3& p, int32_t residue_index, int32_t model)
    {
        add("HX", AtomCoordRecord{p[0], p[1], p[2], 0}, "HEL", residue_index, model);
    }
};

// The model of an atom (0 when the structure holds one model).
int32_t model_of_atom(const Structure& structure, std::size_t i)
{
    return i < structure.AtomModel.size() ? structure.AtomModel[i] : 0;
}

// The model of every residue index 1..R: that of its first atom (the
// indexes of an ensemble restart with each model, so a residue lies in one).
std::vector<int32_t> residue_models(const Structure& structure, int32_t residues)
{
    std::vector<int32_t> models(static_cast<std::size_t>(residues) + 1, 0);
    for (int32_t i = structure.AtomCount; i >= 1; --i) {
        const int32_t r = structure.AtomSeqId[static_cast<std::size_t>(i)];
        if (r > 0)
            models[static_cast<std::size_t>(r)] = model_of_atom(structure, static_cast<std::size_t>(i));
    }
    return models;
}

// The point between centres `from` and `to` that rounds the trace towards
// `next`, or
// nothing when either step is 8 A or longer.
bool intermediate_point(const Vec3& from, const Vec3& to, const Vec3& next, Vec3& point)
{
    const Vec3 u = to - from;
    const Vec3 v = next - to;
    const long double d1 = length(u);
    const long double d2 = length(v);
    if (!(d1 < kLongestStep && d2 < kLongestStep))
        return false;
    // from quarter of the absolute cosine between the two steps; a step of
    // length zero has no direction, and then 0.3 of that quarter is used.
    long double t = 0.075L;
    if (d1 != 0 && d2 != 0)
        t = 0.25L * std::fabs(dot(v, u)) / (d1 * d2);
    point = (from + to) * 0.5L + u * t - v * 0.25L;
    return true;
}

}  // namespace

void build_backbone_trace(Structure& structure)
{
    const int32_t residues = renumber_residues(structure);

    structure.MaxSeqId = residues;
    structure.ResidueTable.resize(static_cast<std::size_t>(residues) + 1, ResidueRow{0, 0, 0, 0});
    const std::vector<Vec3> centres = residue_centres(structure, residues);
    for (int32_t r = 1; r <= residues; ++r) {
        ResidueRow& row = structure.ResidueTable[static_cast<std::size_t>(r)];
        const Vec3& centre = centres[static_cast<std::size_t>(r)];
        row[1] = centre[0];
        row[2] = centre[1];
        row[3] = centre[2];
    }

    const std::vector<int32_t> models = residue_models(structure, residues);
    RebuiltAtoms rebuilt;
    rebuilt.reserve(2 * static_cast<std::size_t>(residues) + static_cast<std::size_t>(structure.AtomCount) + 1);
    for (int32_t r = 1; r <= residues; ++r) {
        const auto k = static_cast<std::size_t>(r);
        rebuilt.add_trace_point(centres[k], r, models[k]);
        Vec3 point;
        if (r <= residues - 2 && intermediate_point(centres[k], centres[k + 1], centres[k + 2], point))
            rebuilt.add_trace_point(point, r, models[k]);
    }
    // The old table is dropped below, so its texts are moved, not copied.
    for (int32_t i = 1; i <= structure.AtomCount; ++i) {
        const auto k = static_cast<std::size_t>(i);
        if (!occurs_in(structure.AtomResidue[k], AminoAcidList))
            rebuilt.add(std::move(structure.AtomSymbol[k]), structure.AtomCoord[k], std::move(structure.AtomResidue[k]),
                        structure.AtomSeqId[k], model_of_atom(structure, k));
    }

    structure.AtomCount = static_cast<int32_t>(rebuilt.symbols.size() - 1);
    structure.AtomSymbol = std::move(rebuilt.symbols);
    structure.AtomCoord = std::move(rebuilt.coords);
    structure.AtomResidue = std::move(rebuilt.residues);
    structure.AtomSeqId = std::move(rebuilt.seq_ids);
    if (!structure.AtomModel.empty())
        structure.AtomModel = std::move(rebuilt.models);
}

}  // namespace vexalith
