#include "vrml/bond_writer.h"

#include <cmath>

#include "common/rounding.h"
#include "model/vector3.h"

namespace vexalith {
namespace {

long double thousandths(long double value) { return round_half_even(value * 1000) / 1000; }

struct CylinderLook {
    const char* style;
    std::string radius;
};

CylinderLook cylinder_look(const PairKind& kind, int32_t mode, bool protein, int32_t bond_diameter)
{
    const long double b = bond_diameter;
    if (kind.helix)
        return {"helixbondstyle", "1"};
    if (mode == BallAndStick) {
        if (kind.hbond)
            return {"hbondstyle", general_number(b * 0.007L)};
        return {"bondstyle", general_number(b * 0.013L)};
    }
    if (kind.hbond)
        return {"hbondstyle", general_number(b * (protein ? 0.05L : 0.025L))};
    return {"bondstyle", general_number(b * 0.027L)};
}

}  // namespace

std::string cylinder_rotation(const Vec3& v, long double d)
{
    const Vec3 y{0, 1, 0};
    const Vec3 axis = VecVec(y, v);
    long double n = length(axis);
    if (n == 0)
        n = 1;
    long double angle = std::acos(dot(y, v) / length(y) / d);
    // Two atoms at one place (a trace point on a ligand atom) give no
    // direction: the cylinder keeps its orientation.
    if (std::isnan(angle))
        angle = 0;
    return general_number(thousandths(axis[0] / n)) + ' ' + general_number(thousandths(axis[1] / n)) + ' ' +
           general_number(thousandths(axis[2] / n)) + ' ' + general_number(thousandths(angle));
}

namespace {

// The three lines of the cylinder's transform and the two of its shape.
// `s` is the scene's unit length in model units (the cylinder's x and z
// scale), the same for every cylinder.
void write_bond_cylinder(TextOutput& out, const PairClassifier& pairs, int32_t i, int32_t j, const PairKind& kind,
                         const ModelScale& scale, const std::string& s, int32_t bond_diameter)
{
    const Vec3 middle = (pairs.atom(i).position + pairs.atom(j).position) * 0.5L;
    out << "Transform {translation " << general_number(ToModelUnits(middle[0], scale)) << ' '
        << general_number(ToModelUnits(middle[1], scale)) << ' ' << general_number(ToModelUnits(middle[2], scale))
        << ' ';
    out.line();
    out << " rotation " << cylinder_rotation(kind.direction, kind.distance);
    out.line();
    out << " scale  " << s << ' ' << general_number(ToModelUnits(kind.distance, scale)) << ' ' << s << ' ';
    out.line();
    const CylinderLook look =
        cylinder_look(kind, pairs.rules().ModelMode, pairs.rules().ProteinFile, bond_diameter);
    out << "children [Shape {appearance USE " << look.style;
    out.line();
    out << " geometry Cylinder { height 1 radius " << look.radius << " }}]}";
    out.line();
}

}  // namespace

void write_bonds(TextOutput& out, const StructureModel& model, const ModelOptions& options, Reporter& reporter)
{
    const ModelScale scale = model_scale(options, model);
    const PairClassifier pairs(model, scene_pair_rules(model, options));
    const std::string unit = general_number(ToModelUnits(1.0L, scale));
    for_each_connected_pair(
        model, options, pairs, [&](int32_t i) { reporter.progress_position(static_cast<long long>(model.AtomCount) + i); },
        [&](int32_t i, int32_t j, const PairKind& kind) {
            write_bond_cylinder(out, pairs, i, j, kind, scale, unit, options.BondDiameter);
        });
}

}  // namespace vexalith
