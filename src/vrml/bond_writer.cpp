#include "vrml/bond_writer.h"

#include <array>
#include <cmath>

#include "common/rounding.h"
#include "model/pair_text.h"
#include "model/vector3.h"

namespace vexalith {
namespace {

struct CylinderLook {
    const char* style;
    std::string radius;
};

CylinderLook cylinder_look(bool helix, bool hbond, int32_t mode, bool protein, int32_t bond_diameter)
{
    const long double b = bond_diameter;
    if (helix)
        return {"helixbondstyle", "1"};
    if (mode == BallAndStick) {
        if (hbond)
            return {"hbondstyle", general_number(b * 0.007L)};
        return {"bondstyle", general_number(b * 0.013L)};
    }
    if (hbond)
        return {"hbondstyle", general_number(b * (protein ? 0.05L : 0.025L))};
    return {"bondstyle", general_number(b * 0.027L)};
}

// The axis (Y x v, normalised) and the angle of the rotation, each in
// whole thousandths (rounded half to even).
std::array<long double, 4> rotation_thousandths(const Vec3& v, long double d)
{
    const Vec3 y{0, 1, 0};
    const Vec3 axis = cross_product(y, v);
    long double n = length(axis);
    if (n == 0)
        n = 1;
    long double angle = std::acos(dot(y, v) / length(y) / d);
    // Two atoms at one place (a trace point on a ligand atom) give no
    // direction: the cylinder keeps its orientation.
    if (std::isnan(angle))
        angle = 0;
    return {round_half_even(axis[0] / n * 1000), round_half_even(axis[1] / n * 1000),
            round_half_even(axis[2] / n * 1000), round_half_even(angle * 1000)};
}

}  // namespace

std::string cylinder_rotation(const Vec3& v, long double d)
{
    const auto k = rotation_thousandths(v, d);
    return general_number(k[0] / 1000) + ' ' + general_number(k[1] / 1000) + ' ' + general_number(k[2] / 1000) + ' ' +
           general_number(k[3] / 1000);
}

namespace {

// What every cylinder of the scene shares: the scale, the unit length in
// model units (the cylinders' x and z scale) and the three looks.
struct CylinderCommon {
    ModelScale scale;
    std::string unit;
    CylinderLook helix;
    CylinderLook hbond;
    CylinderLook bond;

    const CylinderLook& look(const PairKind& kind) const { return kind.helix ? helix : (kind.hbond ? hbond : bond); }
};

// The three lines of the cylinder's transform and the two of its shape.
void write_bond_cylinder(TextOutput& out, const PairClassifier& pairs, int32_t i, int32_t j, const PairKind& kind,
                         const CylinderCommon& common)
{
    const Vec3 middle = (pairs.atom(i).position + pairs.atom(j).position) * 0.5L;
    out << "Transform {translation " << model_units_text(middle[0], common.scale) << ' '
        << model_units_text(middle[1], common.scale) << ' ' << model_units_text(middle[2], common.scale) << ' ';
    out.line();
    const auto k = rotation_thousandths(kind.direction, kind.distance);
    out << " rotation " << decimal_steps_text(k[0], 3) << ' ' << decimal_steps_text(k[1], 3) << ' '
        << decimal_steps_text(k[2], 3) << ' ' << decimal_steps_text(k[3], 3);
    out.line();
    out << " scale  " << common.unit << ' ' << model_units_text(kind.distance, common.scale) << ' ' << common.unit
        << ' ';
    out.line();
    const CylinderLook& look = common.look(kind);
    out << "children [Shape {appearance USE " << look.style;
    out.line();
    out << " geometry Cylinder { height 1 radius " << look.radius << " }}]}";
    out.line();
}

}  // namespace

void write_bonds(TextOutput& out, const Model& model, Reporter& reporter)
{
    const Structure& structure = model.structure;
    const ModelOptions& options = model.options;
    const ModelScale scale = model_scale(options, structure);
    const PairClassifier pairs(structure, model.scene_rules);
    const int32_t mode = pairs.rules().ModelMode;
    const bool protein = pairs.rules().ProteinFile;
    const CylinderCommon common{scale, general_number(ToModelUnits(1.0L, scale)),
                                cylinder_look(true, false, mode, protein, options.BondDiameter),
                                cylinder_look(false, true, mode, protein, options.BondDiameter),
                                cylinder_look(false, false, mode, protein, options.BondDiameter)};
    const PairSearch search(structure, options, pairs);
    // Large models are written by two threads, in blocks of shown atoms.
    write_connected_pairs(
        out, search, PairBlocks{2048, 8192, options.SingleThreadWriters},
        [&](int32_t i) { reporter.progress_position(static_cast<long long>(structure.AtomCount) + i); },
        [&](TextOutput& to, int32_t i, int32_t j, const PairKind& kind) {
            write_bond_cylinder(to, pairs, i, j, kind, common);
        });
}

}  // namespace vexalith
