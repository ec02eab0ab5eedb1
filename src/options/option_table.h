// Every option a user sets, described once: its range, step, default, unit
// and help text, the converter's flag for it and the caption the options
// dialog shows.  The converter's command line and the dialog's controls take
// these from here, and the tests hold the README, the manual and
// ModelOptions' initial values to them.
//
// A switch is described in the converter's sense (--show-water: on shows
// water); where the dialog's box shows the opposite ("Suppress Water"),
// box_shows_opposite says so.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace vexalith {

enum class OptionId {
    Output,
    Format,
    Structure,
    Model,
    Jobs,
    Mode,
    Expand,
    ModelSize,
    VrmlUnit,
    BondDiameter,
    HydrogenBonds,
    ShowHydrogen,
    ShowWater,
    HiddenPartList,
    ProteinStyle,
    Helices,
    Bridges,
    HelixBridgeDistance,
    MaxOutputSize,
    Background,
    Crystal,
    CellEdges,
    Solid,
    SolidTolerance,
};

enum class OptionKind {
    WholeNumber,  // minimum to maximum
    Decimal,      // minimum to maximum in steps of `step`
    Switch,       // on or off
    Choice,       // one of `choices`
    Colour,       // R,G,B, each component minimum to maximum
    Text,         // a file, a list, a size, "N|all": read by the converter itself
                  // (its choices, if any, are the dialog's buttons)
};

// How the options dialog shows an option.
enum class DialogControl {
    None,               // not in the dialog
    Slider,             // a slider under its caption, in units of `step`
    RadioButtons,       // the caption, then a button per choice
    CheckBox,           // one box with the caption
    CheckBoxPerChoice,  // the caption, then a box per choice but the first
                        // (which is the state with no box checked)
    CheckBoxPerPart,    // a box per disorder part; %1 in the caption is its number
};

struct OptionChoice {
    std::string_view value = {};  // on the command line
    int number = 0;               // the value the program keeps for it
    std::string_view label = {};  // the dialog's caption for it, empty where none
};

struct UserOption {
    OptionId id = {};
    std::string_view name = {};  // as the manual names it
    OptionKind kind = {};
    double minimum = 0;
    double maximum = 0;
    double step = 0;
    double default_value = 0;            // numbers; a switch: 1 for on
    std::string_view default_text = {};  // choices and texts, or a default that is no fixed number
    std::string_view unit = {};          // of the value, e.g. "mm"; empty for a plain number
    // The converter's help text; {range}, {step} and {default} stand for
    // the table's values (see help_text()).
    std::string_view help = {};
    std::string_view flag = {};        // the converter's flag, empty when it has none
    std::string_view short_flag = {};  // e.g. "-o"
    std::string_view negation = {};    // the flag that turns a switch off, e.g. "--no-helices"
    std::string_view value_name = {};  // what --help shows after the flag, e.g. "MM"
    DialogControl control = DialogControl::None;
    std::string_view label = {};  // the dialog's caption, empty when it has none
    bool box_shows_opposite = false;
    double tick = 0;  // a slider's tick and page step, in the option's unit
    std::span<const OptionChoice> choices = {};
};

inline constexpr OptionChoice kFormatChoices[] = {
    {"scene", 0, ""}, {"printer", 1, ""}, {"stl", 2, ""}, {"stl-binary", 3, ""}, {"3mf", 4, ""}};
// The numbers are the model modes BallAndStick, CovalentRadius, VanDerWaals.
inline constexpr OptionChoice kModeChoices[] = {{"ball-stick", 1, ""}, {"covalent", 2, ""}, {"vdw", 3, ""}};
// The numbers are ModelOptions::VrmlUnit.
inline constexpr OptionChoice kUnitChoices[] = {{"mm", 1, "mm"}, {"m", 1000, "meter "}};
// On two lines in the dialog: on one it is wider than the dialog beside a
// scroll bar.
inline constexpr OptionChoice kHydrogenBondChoices[] = {
    {"none", 0, ""}, {"only", 1, "Show only hydrogen bonds"}, {"with-vdw", 2, "Hydrogen bonds and\nvan der Waals"}};

// The numbers are CrystalMode; a block's size is chosen beside its button.
inline constexpr OptionChoice kCrystalChoices[] = {{"asymmetric", 0, "Asymmetric unit"},
                                                   {"cell", 1, "Unit cell"},
                                                   {"molecules", 2, "Whole molecules"},
                                                   {"block", 3, "Block of cells"}};

inline constexpr UserOption kUserOptions[] = {
    {.id = OptionId::Output,
     .name = "Output",
     .kind = OptionKind::Text,
     .help = "File to write (replaced only by a complete file), or a folder: a name ending in / or an existing "
             "folder, which receives NAME.wrl or NAME.stl for every input file NAME.cif (the folder is created "
             "if missing, not its parents)",
     .flag = "--output",
     .short_flag = "-o",
     .value_name = "OUT"},
    {.id = OptionId::Format,
     .name = "Format",
     .kind = OptionKind::Choice,
     .help = "scene: the VRML scene the viewer shows; printer: colour VRML for 3D printers (no camera or light, "
             "bridges included); stl: ASCII STL; stl-binary: binary STL; 3mf: 3MF with one coloured object per "
             "element colour. Default: from the extension, .stl, .3mf or .wrl (scene); scene for a folder",
     .flag = "--format",
     .value_name = "scene|printer|stl|stl-binary|3mf",
     .choices = kFormatChoices},
    {.id = OptionId::Structure,
     .name = "Structure",
     .kind = OptionKind::Text,
     .help = "Structure N of a multi-structure file (1 = the first _chemical_formula_sum block); all: every "
             "structure to its own file, NAME-1.wrl, NAME-2.wrl, ... (a file with one structure or none is "
             "written as NAME.wrl, as without --structure)",
     .flag = "--structure",
     .value_name = "N|all"},
    {.id = OptionId::Model,
     .name = "Model",
     .kind = OptionKind::Text,
     .default_text = "1",
     .help = "Model N of an ensemble (an NMR file with several models in its atom loop; models counted from 1 "
             "in file order), or all of them drawn together (default {default})",
     .flag = "--model",
     .value_name = "N|all"},
    {.id = OptionId::Jobs,
     .name = "Jobs",
     .kind = OptionKind::WholeNumber,
     .minimum = 1,
     .maximum = 4096,
     .step = 1,
     .default_text = "the number of processors",
     .help = "Files converted at the same time in a batch (default: {default})",
     .flag = "--jobs",
     .value_name = "N"},
    {.id = OptionId::Mode,
     .name = "Model mode",
     .kind = OptionKind::Choice,
     // No default: the file's kind decides (ball-and-stick, van der Waals
     // for a protein).
     .help = "Model mode: ball-stick (ball and stick), covalent (covalent radius spheres), vdw (van der Waals "
             "spheres). Choosing a mode leaves protein style",
     .flag = "--mode",
     .value_name = "ball-stick|covalent|vdw",
     .choices = kModeChoices},
    {.id = OptionId::Expand,
     .name = "Expand",
     .kind = OptionKind::WholeNumber,
     .minimum = 0,
     .maximum = 100,
     .step = 1,
     .default_value = 0,
     .help = "Expand (join the fragment by lattice translations) once, or --expand=TIMES times. Small-molecule "
             "files only",
     .flag = "--expand",
     .value_name = "[=TIMES]"},
    {.id = OptionId::ModelSize,
     .name = "Model size",
     .kind = OptionKind::WholeNumber,
     .minimum = 25,
     .maximum = 250,
     .step = 1,
     .default_value = 100,
     .unit = "mm",
     .help = "Model size: the largest extent in millimetres, {range} (default {default})",
     .flag = "--size",
     .value_name = "MM",
     .control = DialogControl::Slider,
     .label = "STL Model Size (cm)",
     .tick = 25},
    {.id = OptionId::VrmlUnit,
     .name = "Unit",
     .kind = OptionKind::Choice,
     .default_text = "mm",
     .help = "Length unit of scene and printer VRML files: mm (default) or m",
     .flag = "--unit",
     .value_name = "mm|m",
     .control = DialogControl::RadioButtons,
     .label = "VRML unit:",
     .choices = kUnitChoices},
    {.id = OptionId::BondDiameter,
     .name = "Bond diameter",
     .kind = OptionKind::WholeNumber,
     .minimum = 5,
     .maximum = 30,
     .step = 1,
     .default_value = 10,
     .help = "Bond diameter setting, {range} (default {default})",
     .flag = "--bond-diameter",
     .value_name = "5..30",
     .control = DialogControl::Slider,
     .label = "Bond Diameter (*)",
     .tick = 5},
    {.id = OptionId::HydrogenBonds,
     .name = "Hydrogen bonds",
     .kind = OptionKind::Choice,
     .default_text = "none",
     .help = "Hydrogen bonds: none (default), only (\"Show only hydrogen bonds\": N-H and O-H donors), with-vdw "
             "(\"Hydrogen bonds and van der Waals\": C, N, O, F, S donors)",
     .flag = "--hbonds",
     .value_name = "none|only|with-vdw",
     .control = DialogControl::CheckBoxPerChoice,
     .label = "Hydrogen bond settings",
     .choices = kHydrogenBondChoices},
    {.id = OptionId::ShowHydrogen,
     .name = "Hydrogen atoms",
     .kind = OptionKind::Switch,
     .default_value = 1,
     .help = "Show or hide hydrogen atoms (shown by default). Like the program's check box, showing them again "
             "turns on \"Hydrogen bonds and van der Waals\" and hiding them turns hydrogen bonds off; --hbonds is "
             "applied after it",
     .flag = "--show-hydrogen",
     .negation = "--hide-hydrogen",
     .control = DialogControl::CheckBox,
     .label = "Show hydrogen atoms"},
    {.id = OptionId::ShowWater,
     .name = "Water",
     .kind = OptionKind::Switch,
     .default_value = 0,
     .help = "Show water (residue HOH), hidden by default",
     .flag = "--show-water",
     .control = DialogControl::CheckBox,
     .label = "Suppress Water",
     .box_shows_opposite = true},
    {.id = OptionId::HiddenPartList,
     .name = "Disorder parts",
     .kind = OptionKind::Text,
     .help = "Hide these disorder parts, e.g. 1 or 1,2",
     .flag = "--hide-parts",
     .value_name = "LIST",
     .control = DialogControl::CheckBoxPerPart,
     .label = "Part %1",
     .box_shows_opposite = true},
    {.id = OptionId::ProteinStyle,
     .name = "Protein style",
     .kind = OptionKind::Switch,
     .default_value = 1,
     .help = "Protein style: amino-acid atoms as small beads (on by default for protein files; ignored "
             "otherwise)",
     .flag = "--protein-style",
     .negation = "--no-protein-style",
     .control = DialogControl::CheckBox,
     .label = "Protein Style"},
    {.id = OptionId::Helices,
     .name = "Helices",
     .kind = OptionKind::Switch,
     .default_value = 1,
     .help = "Draw the protein backbone as a smooth trace (on by default for protein files; small-molecule files "
             "never have it)",
     .flag = "--helices",
     .negation = "--no-helices",
     .control = DialogControl::CheckBox,
     .label = "Helices"},
    {.id = OptionId::Bridges,
     .name = "Bridges",
     .kind = OptionKind::Switch,
     .default_value = 0,
     .help = "Draw the bridges from the backbone trace to nearby atoms in the scene (off by default; the printer "
             "and STL files always carry them)",
     .flag = "--bridges",
     .negation = "--no-bridges",
     .control = DialogControl::CheckBox,
     .label = "hide bridges",
     .box_shows_opposite = true},
    {.id = OptionId::HelixBridgeDistance,
     .name = "Helix bridge distance",
     .kind = OptionKind::Decimal,
     .minimum = 4,
     .maximum = 6,
     .step = 0.01,
     .default_value = 5,
     .unit = "Å",
     .help = "Longest bridge from the backbone trace, {range} angstrom in steps of {step} (default {default})",
     .flag = "--helix-bridge-distance",
     .value_name = "ANGSTROM",
     .control = DialogControl::Slider,
     .label = "Helix bridge distance (Å)",
     .tick = 0.25},
    {.id = OptionId::MaxOutputSize,
     .name = "Output size limit",
     .kind = OptionKind::Text,
     .default_text = "4G",
     .help = "Refuse to write a file larger than this: bytes, or with k, M, G or T (decimal units), e.g. 12G "
             "(default {default}, or the environment variable VEXALITH_MAX_OUTPUT_SIZE). An ASCII STL file of a "
             "large structure can take tens of gigabytes",
     .flag = "--max-output-size",
     .value_name = "SIZE"},
    {.id = OptionId::Background,
     .name = "Background colour",
     .kind = OptionKind::Colour,
     .minimum = 0,
     .maximum = 255,
     .step = 1,
     .default_text = "66,130,132",
     .help = "Background colour of the scene as R,G,B, each {range} (default {default})",
     .flag = "--background",
     .value_name = "R,G,B"},
    {.id = OptionId::Crystal,
     .name = "Crystal",
     .kind = OptionKind::Text,
     .default_text = "asymmetric",
     .help = "What of a small-molecule crystal is drawn: asymmetric (the asymmetric unit the file stores, default), "
             "cell (the unit cell filled by the symmetry operations), molecules (the molecules made whole), "
             "block=NxMxK (N x M x K cells, each 1 to 5). Protein and chemical-component files are drawn as they "
             "are",
     .flag = "--crystal",
     .value_name = "asymmetric|cell|molecules|block=NxMxK",
     .control = DialogControl::RadioButtons,
     .label = "Crystal",
     .choices = kCrystalChoices},
    {.id = OptionId::CellEdges,
     .name = "Cell edges",
     .kind = OptionKind::Switch,
     .default_value = 0,
     .help = "Draw the edges of the cells as thin rods (1.2 mm at the print size) with --crystal cell or block, "
             "in the scene, the printer file and the STL file",
     .flag = "--cell-edges",
     .control = DialogControl::CheckBox,
     .label = "Cell edges"},
    {.id = OptionId::Solid,
     .name = "One solid piece",
     .kind = OptionKind::Switch,
     .default_value = 0,
     .help = "STL and 3MF files hold one watertight solid, the union of the spheres and cylinders, instead of a "
             "closed mesh per sphere and cylinder (off by default)",
     .flag = "--solid",
     .control = DialogControl::CheckBox,
     .label = "One solid piece (watertight)"},
    {.id = OptionId::SolidTolerance,
     .name = "Solid tolerance",
     .kind = OptionKind::Decimal,
     .minimum = 0.01,
     .maximum = 0.5,
     .step = 0.01,
     .default_value = 0.05,
     .unit = "mm",
     .help = "Largest distance of the solid's surface from the true union of spheres and cylinders, {range} mm "
             "in steps of {step} (default {default}); smaller is finer, slower and larger",
     .flag = "--solid-tolerance",
     .value_name = "MM"},
};

// The table holds the options in the order of their ids.
constexpr bool options_in_id_order()
{
    for (std::size_t n = 0; n < std::size(kUserOptions); ++n)
        if (static_cast<std::size_t>(kUserOptions[n].id) != n)
            return false;
    return true;
}
static_assert(options_in_id_order());

constexpr const UserOption& user_option(OptionId id) { return kUserOptions[static_cast<std::size_t>(id)]; }

// The option with this flag (its long or short form or its negation), or
// null.
const UserOption* find_user_option(std::string_view flag);

// The choice with this command-line value; throws std::out_of_range when
// the option has none.
const OptionChoice& option_choice(const UserOption& option, std::string_view value);

// Whether the converter refuses values outside minimum..maximum.
constexpr bool has_range(const UserOption& option)
{
    return option.kind == OptionKind::WholeNumber || option.kind == OptionKind::Decimal ||
           option.kind == OptionKind::Colour;
}

// A number of the table as the documents write it: the shortest text that
// reads back as the same value ("25", "0.01"), whatever the locale.
std::string option_number_text(double value);

// "25 to 250".
std::string range_text(const UserOption& option);

// The default as the documents name it: "100", "on", "mm", "66,130,132";
// empty when there is no fixed default.
std::string default_text(const UserOption& option);

// The help text with {range}, {step} and {default} filled in.
std::string help_text(const UserOption& option);

// How many slider positions make one unit of the option ("100" for a step of
// 0.01), and the slider position of a value.
int positions_per_unit(const UserOption& option);
int slider_position(const UserOption& option, double value);

}  // namespace vexalith
