// The crystal stage on large cells: an asymmetric unit of N atoms in a cubic
// group of 192 operations (Fm-3m from the table of space groups), grown into
// the unit cell (about 192 N images, merged on a grid).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>

#include "model/crystal.h"
#include "structure/cell_geometry.h"

namespace {

vexalith::Structure cubic_asymmetric_unit(int32_t atoms)
{
    vexalith::Structure s;
    s.CellA = s.CellB = s.CellC = 60;
    s.CellAlpha = s.CellBeta = s.CellGamma = 90;
    vexalith::SetupCellMatrices(s);
    s.SpaceGroupHermannMauguin = "F m -3 m";
    s.AtomCount = atoms;
    s.AtomSymbol.assign(static_cast<std::size_t>(atoms) + 1, "C");
    s.AtomResidue.assign(static_cast<std::size_t>(atoms) + 1, "");
    s.AtomSeqId.assign(static_cast<std::size_t>(atoms) + 1, 0);
    s.AtomCoord.assign(static_cast<std::size_t>(atoms) + 1, {});
    s.ResidueTable.assign(2, {0, 0, 0, 0});
    // Atoms in general positions of the asymmetric wedge 0 <= z <= y <= x <= 1/4;
    // the reader's frame: scene x = -y, y = z, z = -x (Cartesian), centred at 0.
    std::mt19937 random(7);
    std::uniform_real_distribution<double> unit(0.0, 0.25);
    for (int32_t i = 1; i <= atoms; ++i) {
        double x = unit(random), y = unit(random), z = unit(random);
        if (y > x)
            std::swap(x, y);
        if (z > y)
            std::swap(y, z);
        if (y > x)
            std::swap(x, y);
        s.AtomCoord[static_cast<std::size_t>(i)] = {-y * 60, z * 60, -x * 60, 0};
    }
    return s;
}

void unit_cell(benchmark::State& state)
{
    const auto atoms = static_cast<int32_t>(state.range(0));
    const vexalith::Structure au = cubic_asymmetric_unit(atoms);
    const vexalith::CrystalSymmetry symmetry = vexalith::crystal_symmetry(au);
    int32_t grown = 0;
    for (auto _ : state) {
        vexalith::Structure s = au;
        vexalith::grow_crystal(s, symmetry, vexalith::CrystalMode::Cell, {1, 1, 1});
        grown = s.AtomCount;
        benchmark::DoNotOptimize(s.AtomCoord.data());
    }
    state.counters["asymmetric_atoms"] = atoms;
    state.counters["cell_atoms"] = grown;
    state.counters["operations"] = static_cast<double>(symmetry.operators.size());
}

}  // namespace

BENCHMARK(unit_cell)->Arg(500)->Arg(5000)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
