// What a print of the model will be like, before anyone pays for it: its
// size, the scale, the thinnest bond and smallest atom, the pieces it
// falls into, the material it takes (the volume of the union, not the sum of
// the parts) and the warnings a printer would give too late.  The converter's
// "check" writes it; the program shows it after an STL or 3MF export.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "model/model.h"
#include "print3d/print_shapes.h"

namespace vexalith {

// The thinnest part a fused-filament printer makes reliably, and the
// thinnest a powder printing service accepts, in millimetres.
inline constexpr double kFilamentThinnest = 1.0;
inline constexpr double kPowderThinnest = 0.7;
// Grams per cubic millimetre of PLA (1.24 g/cm3).
inline constexpr double kPlaDensity = 1.24e-3;

struct PrintReport {
    std::array<double, 3> size{};  // the extent of the print along x, y, z, mm
    double millimetres_per_angstrom = 0;
    std::optional<double> thinnest_bond;  // cylinder diameter, mm; none without cylinders
    std::optional<double> smallest_atom;  // sphere diameter, mm; none without spheres
    int32_t pieces = 0;
    double volume = 0;    // mm3, of the union
    double mass_pla = 0;  // g
    std::vector<std::string> warnings;
};

// Measures the model's print.  Volume and pieces are those of the
// watertight solid at the options' SolidTolerance: what prints (shapes
// that meet in a neck thinner than the solid's voxels print apart).  Throws
// ConversionError when no atom is shown.
PrintReport print_report(const Model& model);

// The same from shapes already made, with the volume given, and the pieces
// given or (when negative) counted from the shapes themselves
// (shape_pieces).
PrintReport print_report(const PrintShapes& shapes, double volume, int32_t pieces = -1);

// "Key: value" lines: PrintSize, MillimetresPerAngstrom, ThinnestBond,
// SmallestAtom, Pieces, Volume, MassPLA, then a Warning line for each
// warning.  Numbers carry a full stop whatever the locale.
std::string print_report_text(const PrintReport& report);

// One line for a status bar: "Print 100.0 x 61.2 x 40.3 mm, 1 piece,
// 12,345 mm3 (15.3 g PLA), thinnest bond 1.30 mm".
std::string print_report_summary(const PrintReport& report);

// A number with `decimals` decimals, whatever the locale.
std::string report_number(double value, int decimals);

}  // namespace vexalith
