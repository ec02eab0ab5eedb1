#include "vrml/atom_writer.h"

#include <string_view>
#include <vector>

#include "model/element_radii.h"
#include "model/protein_style.h"
#include "structure/element_table.h"
#include "vrml/scene_numbers.h"

namespace vexalith {
namespace {

bool is_amino_acid(const std::string& residue)
{
    return !residue.empty() && AminoAcidList.find(residue) != std::string_view::npos;
}

}  // namespace

long double atom_radius(const Structure& structure, const ModelOptions& options, int32_t i, long double cov,
                        long double vdw, long double bead)
{
    const auto n = static_cast<std::size_t>(i);
    if (protein_style_mode(structure, options)) {
        if (is_amino_acid(structure.AtomResidue[n]))
            return bead;
        return options.Helices ? vdw : cov;
    }
    switch (options.ModelMode) {
    case BallAndStick:
        if (structure.AtomSymbol[n] == "HX" && options.Helices)
            return cov;
        return cov * 0.5L;
    case CovalentRadius:
        return cov;
    default:
        return vdw;
    }
}

void write_atoms(TextOutput& out, const Model& model, Reporter& reporter)
{
    const Structure& structure = model.structure;
    const ModelOptions& options = model.options;
    const ModelScale scale = model_scale(options, structure);
    const long double bead = ToModelUnits(0.15L, scale);
    // Both radii in model units, worked out once per symbol.
    struct ElementSizes {
        std::string_view symbol;
        long double covalent;
        long double vdw;
    };
    std::vector<ElementSizes> known;
    const auto element_sizes = [&](std::string_view symbol) -> const ElementSizes& {
        for (const ElementSizes& e : known)
            if (e.symbol == symbol)
                return e;
        known.push_back(ElementSizes{symbol, ToModelUnits(GetCovalentRadius(symbol), scale),
                                     ToModelUnits(GetVanDerWaalsRadius(symbol), scale)});
        return known.back();
    };
    out.line("# Atoms");
    for (const int32_t i : model.shown) {
        reporter.progress_position(i);
        const auto n = static_cast<std::size_t>(i);
        const std::string& symbol = structure.AtomSymbol[n];
        if (!is_known_symbol(symbol))  // the driver has made every symbol known
            continue;
        const AtomCoordRecord& p = structure.AtomCoord[n];
        out << "Transform {translation " << model_units_text(p.x, scale) << ' ' << model_units_text(p.y, scale) << ' '
            << model_units_text(p.z, scale);
        out.line();
        const ElementSizes& sizes = element_sizes(symbol);
        const long double cov = sizes.covalent;
        const long double vdw = sizes.vdw;
        out << "children [Shape {appearance USE " << symbol << " geometry Sphere { radius "
            << radius_text(atom_radius(structure, options, i, cov, vdw, bead)) << " }}]}";
        out.line();
    }
}

}  // namespace vexalith
