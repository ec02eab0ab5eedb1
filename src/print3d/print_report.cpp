#include "print3d/print_report.h"

#include <algorithm>
#include <charconv>
#include <limits>

#include "print3d/export_check.h"
#include "print3d/solid_mesh.h"

namespace vexalith {
namespace {

std::string thin_warning(std::string_view what, double diameter)
{
    if (diameter < kPowderThinnest)
        return std::string(what) + " " + report_number(diameter, 2) + " mm thick: thinner than " +
               report_number(kPowderThinnest, 1) + " mm, too thin for powder printing services and for " +
               "fused-filament printers (" + report_number(kFilamentThinnest, 1) + " mm)";
    if (diameter < kFilamentThinnest)
        return std::string(what) + " " + report_number(diameter, 2) + " mm thick: thinner than " +
               report_number(kFilamentThinnest, 1) + " mm, too thin for fused-filament printers";
    return {};
}

std::string pieces_text(int32_t pieces) { return std::to_string(pieces) + (pieces == 1 ? " piece" : " pieces"); }

}  // namespace

std::string report_number(double value, int decimals)
{
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    if (result.ec != std::errc())
        return "inf";
    return std::string(buffer, result.ptr);
}

PrintReport print_report(const PrintShapes& shapes, double volume, int32_t pieces)
{
    PrintReport report;
    const auto box = shapes_bounds(shapes);
    for (std::size_t k = 0; k < 3; ++k)
        report.size[k] = std::max(0.0, box[1][k] - box[0][k]);
    report.millimetres_per_angstrom = static_cast<double>(shapes.millimetres_per_angstrom);
    for (const PrintCylinder& cylinder : shapes.cylinders)
        report.thinnest_bond =
            std::min(report.thinnest_bond.value_or(std::numeric_limits<double>::max()), 2 * cylinder.radius);
    for (const PrintSphere& sphere : shapes.spheres)
        report.smallest_atom =
            std::min(report.smallest_atom.value_or(std::numeric_limits<double>::max()), 2 * sphere.radius);
    if (pieces >= 0) {
        report.pieces = pieces;
    } else {
        const std::vector<int32_t> piece = shape_pieces(shapes);
        report.pieces = piece.empty() ? 0 : *std::max_element(piece.begin(), piece.end()) + 1;
    }
    report.volume = volume;
    report.mass_pla = volume * kPlaDensity;

    if (report.thinnest_bond)
        if (std::string warning = thin_warning("bonds", *report.thinnest_bond); !warning.empty())
            report.warnings.push_back(warning);
    if (report.smallest_atom)
        if (std::string warning = thin_warning("atoms", *report.smallest_atom); !warning.empty())
            report.warnings.push_back(warning);
    if (report.pieces > 1)
        report.warnings.push_back("the model falls apart into " + pieces_text(report.pieces) +
                                  " (ions, water or fragments that nothing holds)");
    return report;
}

PrintReport print_report(const Model& model)
{
    require_shown_atoms(model);
    const PrintShapes shapes = print_shapes(model);
    if (shapes.spheres.empty() && shapes.cylinders.empty())
        return print_report(shapes, 0, 0);
    const SolidMesh solid = solid_mesh(shapes, SolidSettings{model.options.SolidTolerance});
    return print_report(shapes, mesh_volume(solid), mesh_shells(solid));
}

std::string print_report_text(const PrintReport& report)
{
    std::string text;
    text += "PrintSize: " + report_number(report.size[0], 2) + " x " + report_number(report.size[1], 2) + " x " +
            report_number(report.size[2], 2) + " mm\n";
    text += "MillimetresPerAngstrom: " + report_number(report.millimetres_per_angstrom, 4) + "\n";
    text += "ThinnestBond: " + (report.thinnest_bond ? report_number(*report.thinnest_bond, 2) + " mm" : "none") + "\n";
    text += "SmallestAtom: " + (report.smallest_atom ? report_number(*report.smallest_atom, 2) + " mm" : "none") + "\n";
    text += "Pieces: " + std::to_string(report.pieces) + "\n";
    text += "Volume: " + report_number(report.volume, 1) + " mm3\n";
    text += "MassPLA: " + report_number(report.mass_pla, 2) + " g\n";
    for (const std::string& warning : report.warnings)
        text += "Warning: " + warning + "\n";
    return text;
}

std::string print_report_summary(const PrintReport& report)
{
    std::string text = "Print " + report_number(report.size[0], 1) + " x " + report_number(report.size[1], 1) + " x " +
                       report_number(report.size[2], 1) + " mm, " + pieces_text(report.pieces) + ", " +
                       report_number(report.volume, 0) + " mm3 (" + report_number(report.mass_pla, 1) + " g PLA)";
    if (report.thinnest_bond)
        text += ", thinnest bond " + report_number(*report.thinnest_bond, 2) + " mm";
    if (!report.warnings.empty())
        text +=
            report.warnings.size() == 1 ? ", 1 warning" : ", " + std::to_string(report.warnings.size()) + " warnings";
    return text;
}

}  // namespace vexalith
