// vexalith-convert: the command-line side of Vexalith.
#include <CLI/CLI.hpp>

#include <csignal>
#include <cstdlib>
#include <iostream>
#include <map>

#include "cli/batch_command.h"
#include "cli/convert_command.h"
#include "common/data_folder.h"
#include "cli/info_command.h"
#include "cli/terminal_progress.h"
#include "common/error.h"
#include "structure/decimal_symbol.h"

namespace {

// Exit codes.
constexpr int kExitUsage = 1;        // the command line cannot be carried out
constexpr int kExitInputOutput = 2;  // a file cannot be read or written
constexpr int kExitBadInput = 3;     // the file's content cannot be used
constexpr int kExitTooLarge = 4;     // the output would pass the size limit
constexpr int kExitBatchFailed = 5;  // some items of a batch failed (the others were converted)

constexpr const char* kExitCodes =
    "Exit codes: 0 success (in a batch also when some files have no atoms), 1 a command line that "
    "cannot be carried out, 2 a file or folder that cannot be read or written, 3 content that "
    "cannot be used (no atoms, a broken value), 4 an output above the size limit, 5 a batch in which "
    "some files failed (listed above the summary; the others are converted).";

// "R,G,B" with each component 0..255.
vexalith::BackgroundColour parse_colour(const std::string& text)
{
    int values[3] = {0, 0, 0};
    std::size_t start = 0;
    for (int k = 0; k < 3; ++k) {
        const std::size_t comma = k < 2 ? text.find(',', start) : text.size();
        if (comma == std::string::npos)
            throw CLI::ValidationError("--background", "expected R,G,B with values 0 to 255, got " + text);
        const std::string part = text.substr(start, comma - start);
        const auto value = vexalith::text_to_int(part);
        if (!value || *value < 0 || *value > 255)
            throw CLI::ValidationError("--background", "expected R,G,B with values 0 to 255, got " + text);
        values[k] = static_cast<int>(*value);
        start = comma + 1;
    }
    return {static_cast<uint8_t>(values[0]), static_cast<uint8_t>(values[1]), static_cast<uint8_t>(values[2])};
}

std::vector<int32_t> parse_parts(const std::string& text)
{
    std::vector<int32_t> parts;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t comma = text.find(',', start);
        if (comma == std::string::npos)
            comma = text.size();
        const auto value = vexalith::text_to_int(text.substr(start, comma - start));
        if (!value || *value < 0 || *value > 1000000)
            throw CLI::ValidationError("--hide-parts", "expected part numbers like 1,2, got " + text);
        parts.push_back(static_cast<int32_t>(*value));
        start = comma + 1;
    }
    return parts;
}

const char* const kModelHelp =
    "Model N of an ensemble (an NMR file with several models in its atom loop; models counted from 1 in "
    "file order), or all of them drawn together (default 1)";

// "N" (1 or more) or "all".
int32_t parse_model(const std::string& text, const std::string& option)
{
    if (text == "all")
        return vexalith::kAllModels;
    const auto value = vexalith::text_to_int(text);
    if (!value || *value < 1)
        throw CLI::ValidationError(option, "expected a model number from 1, or all, got " + text);
    return static_cast<int32_t>(*value);
}

template <typename T>
void keep_if_set(CLI::Option* option, const T& value, std::optional<T>& target)
{
    if (option->count() > 0)
        target = value;
}

// --structure: a number, or "all".
void parse_structure(const std::string& text, vexalith::BatchRequest& batch)
{
    if (text == "all") {
        batch.all_structures = true;
        return;
    }
    const auto number = vexalith::text_to_int(text);
    if (!number)
        throw CLI::ValidationError("--structure", "expected a structure number or all, got " + text);
    batch.convert.structure = *number;
}

// Converts the batch, shows its progress and summary; the exit code.
int convert_batch(const vexalith::BatchRequest& batch)
{
    vexalith::TerminalProgress progress(stderr);
    progress.show_counts(batch.all_structures ? "outputs" : "files");
    const vexalith::BatchResult result = vexalith::run_batch(batch, progress);
    vexalith::write_summary(result, std::cerr);
    return result.count(vexalith::ItemOutcome::Failed) > 0 ? kExitBatchFailed : 0;
}

}  // namespace

// The size limit from the option or the environment (the default when
// neither gives one).
uint64_t parse_limit(const char* text, const std::string& source)
{
    if (text == nullptr)
        return vexalith::kDefaultOutputLimit;
    const auto size = vexalith::parse_size(text);
    if (!size || *size == 0)
        throw CLI::ValidationError(source, std::string("expected a size such as 500M or 12G, got ") + text);
    return *size;
}

int main(int argc, char** argv)
{
    // Past a file size limit (ulimit -f) a write fails with EFBIG instead of
    // ending the process: the error is reported and the temporary file
    // removed, as for a full disk.
    std::signal(SIGXFSZ, SIG_IGN);

    CLI::App app{
        "Vexalith: turns crystal and molecular structures from CIF files into 3D models.\n"
        "  vexalith-convert FILE -o OUT [options]         convert one structure\n"
        "  vexalith-convert FILE... -o FOLDER/ [options]  convert many files, each to FOLDER/NAME.wrl\n"
        "                                                 (or NAME.stl), the folder made when missing\n"
        "  vexalith-convert info FILE                     report what the reader makes of a file\n"
        "Options left out keep the program's state after loading the file: ball-and-stick for "
        "small molecules; for a protein, van der Waals with protein style, helices, water hidden "
        "and bridges hidden."};
    app.name("vexalith-convert");
    app.require_subcommand(0, 1);

    app.footer(kExitCodes);

    vexalith::BatchRequest batch;
    vexalith::ConvertRequest& request = batch.convert;
    app.add_option("file", batch.inputs,
                   "CIF files to convert (a .wrl or .wrz file is copied as it is); several need a folder as "
                   "output")
        ->type_name("FILE");
    CLI::Option* output =
        app.add_option("-o,--output", request.output,
                       "File to write (replaced only by a complete file), or a folder: a name ending in / "
                       "or an existing folder, which receives NAME.wrl or NAME.stl for every input file "
                       "NAME.cif (the folder is created if missing, not its parents)")
            ->type_name("OUT");

    const std::map<std::string, vexalith::OutputFormat> formats{{"scene", vexalith::OutputFormat::Scene},
                                                                {"printer", vexalith::OutputFormat::Printer},
                                                                {"stl", vexalith::OutputFormat::Stl}};
    std::string format;
    CLI::Option* format_option =
        app.add_option("--format", format,
                       "scene: the VRML scene the viewer shows; printer: colour VRML for 3D printers "
                       "(no camera or light, bridges included); stl: ASCII STL. Default: from the "
                       "extension, .stl or .wrl (scene); scene for a folder")
            ->check(CLI::IsMember({"scene", "printer", "stl"}))
            ->type_name("scene|printer|stl");

    std::string structure;
    CLI::Option* structure_option =
        app.add_option("--structure", structure,
                       "Structure N of a multi-structure file (1 = the first _chemical_formula_sum block); "
                       "all: every structure to its own file, NAME-1.wrl, NAME-2.wrl, ... (a file with "
                       "one structure or none is written as NAME.wrl, as without --structure)")
            ->type_name("N|all");
    std::string model;
    CLI::Option* model_option =
        app.add_option("--model", model, kModelHelp)->type_name("N|all");
    batch.jobs = vexalith::default_jobs();
    app.add_option("--jobs", batch.jobs,
                   "Files converted at the same time in a batch (default: the number of processors, here " +
                       std::to_string(batch.jobs) + ")")
        ->check(CLI::Range(1u, 4096u))
        ->type_name("N");

    const std::map<std::string, int32_t> modes{{"ball-stick", 1}, {"covalent", 2}, {"vdw", 3}};
    std::string mode;
    CLI::Option* mode_option =
        app.add_option("--mode", mode,
                       "Model mode: ball-stick (ball and stick), covalent (covalent radius spheres), "
                       "vdw (van der Waals spheres). Choosing a mode leaves protein style")
            ->check(CLI::IsMember({"ball-stick", "covalent", "vdw"}))
            ->type_name("ball-stick|covalent|vdw");

    app.add_flag("--expand{1}", request.expand,
                 "Expand (join the fragment by lattice translations) once, or --expand=TIMES times. "
                 "Small-molecule files only")
        ->check(CLI::Range(0, 100))
        ->type_name("[=TIMES]");

    int32_t size = 100;
    CLI::Option* size_option =
        app.add_option("--size", size, "Model size: the largest extent in millimetres, 25 to 250 (default 100)")
            ->check(CLI::Range(25, 250))
            ->type_name("MM");
    std::string unit;
    CLI::Option* unit_option =
        app.add_option("--unit", unit, "Length unit of scene and printer VRML files: mm (default) or m")
            ->check(CLI::IsMember({"mm", "m"}))
            ->type_name("mm|m");
    int32_t bond_diameter = 10;
    CLI::Option* bond_option =
        app.add_option("--bond-diameter", bond_diameter, "Bond diameter setting, 5 to 30 (default 10)")
            ->check(CLI::Range(5, 30))
            ->type_name("5..30");

    std::string hbonds;
    CLI::Option* hbonds_option =
        app.add_option("--hbonds", hbonds,
                       "Hydrogen bonds: none (default), only (\"Show only hydrogen bonds\": N-H and O-H "
                       "donors), with-vdw (\"Hydrogen bonds and van der Waals\": C, N, O, F, S donors)")
            ->check(CLI::IsMember({"none", "only", "with-vdw"}))
            ->type_name("none|only|with-vdw");
    bool show_hydrogen = true;
    CLI::Option* hydrogen_option =
        app.add_flag("--show-hydrogen,!--hide-hydrogen", show_hydrogen,
                     "Show or hide hydrogen atoms (shown by default). Like the program's check box, "
                     "showing them again turns on \"Hydrogen bonds and van der Waals\" and hiding them "
                     "turns hydrogen bonds off; --hbonds is applied after it");
    app.add_flag("--show-water", request.show_water, "Show water (residue HOH), hidden by default");
    std::string parts;
    CLI::Option* parts_option =
        app.add_option("--hide-parts", parts, "Hide these disorder parts, e.g. 1 or 1,2")
            ->type_name("LIST");
    bool protein_style = true;
    CLI::Option* style_option = app.add_flag(
        "--protein-style,!--no-protein-style", protein_style,
        "Protein style: amino-acid atoms as small beads (on by default for protein files; ignored otherwise)");
    bool helices = true;
    CLI::Option* helices_option =
        app.add_flag("--helices,!--no-helices", helices,
                     "Draw the protein backbone as a smooth trace (on by default for protein files; "
                     "small-molecule files never have it)");
    bool bridges = false;
    CLI::Option* bridges_option = app.add_flag(
        "--bridges,!--no-bridges", bridges,
        "Draw the bridges from the backbone trace to nearby atoms in the scene (off by default; the "
        "printer and STL files always carry them)");
    double bridge_distance = 5.0;
    CLI::Option* bridge_option =
        app.add_option("--helix-bridge-distance", bridge_distance,
                       "Longest bridge from the backbone trace, 4 to 6 angstrom in steps of 0.01 (default 5)")
            ->check(CLI::Range(4.0, 6.0))
            ->type_name("ANGSTROM");
    std::string max_output_size;
    CLI::Option* limit_option =
        app.add_option("--max-output-size", max_output_size,
                       "Refuse to write a file larger than this: bytes, or with k, M, G or T (decimal units), "
                       "e.g. 12G (default 4G, or the environment variable " +
                           std::string(vexalith::kOutputLimitVariable) +
                           "). An ASCII STL file of a large structure can take tens of gigabytes")
            ->type_name("SIZE");
    std::string background;
    CLI::Option* background_option = app.add_option(
        "--background", background, "Background colour of the scene as R,G,B, each 0 to 255 (default 66,130,132)")
        ->type_name("R,G,B");

    vexalith::InfoRequest info;
    CLI::App* info_command = app.add_subcommand(
        "info",
        "Read one structure from a CIF file and report what was read: file kind, structure count, "
        "cell and orthogonalisation matrix (small-molecule files), atom counts, parts, sequence "
        "numbers, extent, centroid and the elements present.");
    info_command->add_option("file", info.file, "CIF file to read")->required();
    info_command
        ->add_option("--structure", info.structure,
                     "Structure N of a multi-structure file: the one after the N-th "
                     "_chemical_formula_sum line (default: from the top of the file)")
        ->check(CLI::NonNegativeNumber);
    std::string info_model;
    CLI::Option* info_model_option =
        info_command
            ->add_option("--model", info_model, kModelHelp)
            ->type_name("N|all");
    info_command->add_flag("--helices,!--no-helices", info.helices,
                           "A protein as the program draws it with \"Helices\": its backbone trace "
                           "(default); --no-helices lists the atoms as read");
    info_command->add_flag("--atoms", info.atoms,
                           "Also list the atoms, one tab-separated row each: number, symbol as read, "
                           "scene x, y, z (angstrom, centred), part, residue, sequence number");

    try {
        app.parse(argc, argv);
        if (*info_command && info_model_option->count() > 0)
            info.model = parse_model(info_model, "--model");
        if (!*info_command) {
            if (batch.inputs.empty())
                throw CLI::RequiredError("file");
            if (output->count() == 0)
                throw CLI::RequiredError("--output");
            if (format_option->count() > 0)
                request.format = formats.at(format);
            if (structure_option->count() > 0)
                parse_structure(structure, batch);
            if (model_option->count() > 0)
                request.model = parse_model(model, "--model");
            if (mode_option->count() > 0)
                request.mode = modes.at(mode);
            keep_if_set(size_option, size, request.size);
            if (unit_option->count() > 0)
                request.unit = unit == "m" ? 1000 : 1;
            keep_if_set(bond_option, bond_diameter, request.bond_diameter);
            keep_if_set(hbonds_option, hbonds, request.hbonds);
            keep_if_set(hydrogen_option, show_hydrogen, request.show_hydrogen);
            keep_if_set(style_option, protein_style, request.protein_style);
            keep_if_set(helices_option, helices, request.helices);
            keep_if_set(bridges_option, bridges, request.bridges);
            if (bridge_option->count() > 0)
                request.helix_bridge_distance = static_cast<long double>(bridge_distance);
            if (background_option->count() > 0)
                request.background = parse_colour(background);
            if (parts_option->count() > 0)
                request.hide_parts = parse_parts(parts);
            request.max_output_size = parse_limit(limit_option->count() > 0 ? max_output_size.c_str()
                                                                             : std::getenv(vexalith::kOutputLimitVariable),
                                                  limit_option->count() > 0 ? "--max-output-size"
                                                                            : vexalith::kOutputLimitVariable);
        }
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e);
        return code == 0 ? 0 : kExitUsage;
    }

    try {
        if (*info_command) {
            vexalith::run_info(info, std::cout, std::cerr);
            std::cout.flush();
            if (!std::cout)
                throw vexalith::InputOutputError("standard output", 0, "cannot write");
        } else {
            request.data_folder = vexalith::data_folder();
            batch.output = request.output;
            batch.output_is_folder = vexalith::output_names_folder(batch.output);
            if (batch.inputs.size() > 1 || batch.all_structures || batch.output_is_folder)
                return convert_batch(batch);
            request.input = batch.inputs.front();
            vexalith::TerminalProgress progress(stderr);
            vexalith::run_convert(request, progress);
        }
    } catch (const vexalith::RequestError& e) {
        std::cerr << "vexalith-convert: " << e.what() << '\n';
        return kExitUsage;
    } catch (const vexalith::SelectionError& e) {
        std::cerr << "vexalith-convert: " << e.what() << '\n';
        return kExitUsage;
    } catch (const vexalith::InputOutputError& e) {
        std::cerr << "vexalith-convert: " << e.what() << '\n';
        return kExitInputOutput;
    } catch (const vexalith::OutputTooLarge& e) {
        std::cerr << "vexalith-convert: " << e.what() << '\n';
        return kExitTooLarge;
    } catch (const vexalith::Error& e) {
        std::cerr << "vexalith-convert: " << e.what() << '\n';
        return kExitBadInput;
    } catch (const std::bad_alloc&) {
        std::cerr << "vexalith-convert: not enough memory for this structure\n";
        return kExitBadInput;
    }
    return 0;
}
