// The option values that decide how the loaded structure is drawn and
// exported, the rules that the dialog's check boxes apply to them, and the
// per-atom display filter.
//
// The dialog's check boxes show some of these values (the hydrogen box shows
// HideHydrogen inverted).  Setting a box from code has the effect of a
// user's click (its rule runs) exactly when the value it shows changes: use
// the Set...Box functions.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/output_limit.h"
#include "structure/structure.h"

namespace vexalith {

inline constexpr std::string_view AminoAcidList =
    "VAL LEU SER GLU GLY TRP GLN HIS ALA LYS ASP ILE ARG PHE PRO THR MET TYR ASN CYS";
inline constexpr std::string_view AcceptorElements = "N O F S CL BR I";

// What of a small-molecule crystal is drawn: the asymmetric unit the file
// stores, the unit cell filled, the molecules made whole, or a block of cells.
enum class CrystalMode { Asymmetric, Cell, Molecules, Block };

// Model modes: how atoms are drawn.
enum : int32_t { BallAndStick = 1, CovalentRadius = 2, VanDerWaals = 3 };

struct ModelOptions {
    // The model mode of the next drawing; protein style may set it (see
    // apply_protein_style_mode), and it stays set for later conversions.
    int32_t ModelMode = BallAndStick;
    int32_t ModelSize = 100;                 // mm, 25..250: the model's largest extent
    int32_t VrmlUnit = 1;                    // 1 millimetre, 1000 metre
    int32_t BondDiameter = 10;               // 5..30
    long double HelixBridgeDistance = 5.0L;  // angstrom, 4..6
    bool SuppressWater = true;               // hide residue "HOH" ("Suppress Water")
    bool HideHydrogen = false;               // hide symbol "H" (not "Show hydrogen atoms")
    std::string DonorElements = "C N O F S";
    // Bond search by the plain all-pairs loop instead of the grid; the
    // output is the same, only slower (kept for checking the grid).
    bool PlainPairSearch = false;
    // The writers of large models use one thread instead of two; the
    // output is the same (kept for checking the threaded writers).
    bool SingleThreadWriters = false;
    // STL and 3MF files hold one watertight solid (the union of spheres and
    // cylinders) instead of a closed mesh per sphere and cylinder ("One
    // solid piece (watertight)"); its surface lies within SolidTolerance
    // millimetres of the true union.
    bool SolidPrint = false;
    double SolidTolerance = 0.05;
    // The largest file a writer may make, in bytes.
    uint64_t MaxOutputSize = kDefaultOutputLimit;

    // Whether each disorder part 0..MaxPart is shown (the dialog's part
    // check boxes).
    std::vector<bool> ShownParts;

    bool ProteinStyle = true;                  // "Protein Style": proteins drawn in their own style
    bool Helices = true;                       // "Helices": a protein drawn as its backbone trace
    bool HideBridges = true;                   // "hide bridges": no bridges from the trace in the scene
    bool HydrogenBondsOnly = false;            // "Show only hydrogen bonds"
    bool HydrogenBondsAndVanDerWaals = false;  // "Hydrogen bonds and van der Waals"

    CrystalMode Crystal = CrystalMode::Asymmetric;
    std::array<int32_t, 3> BlockSize{1, 1, 1};  // cells along a, b and c (Block)
    bool CellEdges = false;                     // the cell's edges drawn as thin rods
};

// Whether atom `index` (1..AtomCount) takes part in the model: its part box
// is checked (when the structure has parts), it is not water while water is
// suppressed, and not hydrogen while hydrogen is hidden.  Comparisons are
// exact: "hoh" is not water, "D" is not hydrogen.
bool atom_ok(const Structure& structure, const ModelOptions& options, int32_t index);

// The atoms atom_ok accepts, in increasing order.
std::vector<int32_t> shown_atoms(const Structure& structure, const ModelOptions& options);

// Shows every part 0..max_part (the dialog's part boxes are made again).
void MakePartCheckBoxes(ModelOptions& options, int32_t max_part);

// "Suppress Water": SuppressWater follows the box.
void SetSuppressWaterBox(ModelOptions& options, bool checked);

// The rules of "Protein Style" and "Helices", which also ask the next
// conversion for a new read, are with the conversion's state in
// convert/model_commands.h.

// "hide bridges": no handler; the writers read the state.
void SetHideBridgesBox(ModelOptions& options, bool checked);

// "Show hydrogen atoms": HideHydrogen follows the box inverted, and both
// hydrogen-bond boxes are set to the box's state (in that order).
void SetShowHydrogenBox(ModelOptions& options, bool checked);

// "Show only hydrogen bonds": the two hydrogen-bond boxes are never both
// checked; DonorElements becomes "N O".
void SetShowHydrogenBondsBox(ModelOptions& options, bool checked);

// "Hydrogen bonds and van der Waals": DonorElements becomes "C N O F S".
void SetShowVanDerWaalsBox(ModelOptions& options, bool checked);

// The size caption: "3D-model size = 100 mm", or in metres with the given
// decimal separator ("3D-model size = 0.25 m").
std::string size_caption(const ModelOptions& options, char decimal_separator);

}  // namespace vexalith
