// vexalith-convert: the command-line side of Vexalith.
#include <CLI/CLI.hpp>

#include <csignal>
#include <cstdlib>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "cli/batch_command.h"
#include "cli/check_command.h"
#include "cli/convert_command.h"
#include "cli/info_command.h"
#include "cli/terminal_progress.h"
#include "common/data_folder.h"
#include "common/error.h"
#include "options/crystal_choice.h"
#include "options/option_table.h"
#include "structure/decimal_symbol.h"

namespace {

using vexalith::OptionId;
using vexalith::user_option;

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

// The flag's names as CLI11 takes them: "-o,--output", "--helices,!--no-helices".
std::string flag_names(const vexalith::UserOption& option)
{
    std::string names;
    if (!option.short_flag.empty())
        names = std::string(option.short_flag) + ",";
    names += option.flag;
    if (!option.negation.empty())
        names += ",!" + std::string(option.negation);
    return names;
}

// An option with a value, named and explained as the table says.
template <typename T>
CLI::Option* add_table_option(CLI::App& app, OptionId id, T& variable)
{
    const vexalith::UserOption& option = user_option(id);
    return app.add_option(flag_names(option), variable, vexalith::help_text(option))
        ->type_name(std::string(option.value_name));
}

// A switch (with its negation, where it has one).
CLI::Option* add_table_switch(CLI::App& app, OptionId id, bool& variable)
{
    const vexalith::UserOption& option = user_option(id);
    return app.add_flag(flag_names(option), variable, vexalith::help_text(option));
}

// The option's range, checked as CLI11 checks a value of type T (which
// also decides how --help shows the range).
template <typename T>
CLI::Range table_range(OptionId id)
{
    const vexalith::UserOption& option = user_option(id);
    return CLI::Range(static_cast<T>(option.minimum), static_cast<T>(option.maximum));
}

// The choices' command-line values.
CLI::IsMember table_choices(OptionId id)
{
    std::vector<std::string> values;
    for (const vexalith::OptionChoice& choice : user_option(id).choices)
        values.emplace_back(choice.value);
    return CLI::IsMember(values);
}

int choice_number(OptionId id, const std::string& value)
{
    return vexalith::option_choice(user_option(id), value).number;
}

// --format's choices are numbered as OutputFormat.
static_assert(vexalith::kFormatChoices[0].value == "scene" &&
              vexalith::kFormatChoices[0].number == static_cast<int>(vexalith::OutputFormat::Scene));
static_assert(vexalith::kFormatChoices[1].value == "printer" &&
              vexalith::kFormatChoices[1].number == static_cast<int>(vexalith::OutputFormat::Printer));
static_assert(vexalith::kFormatChoices[2].value == "stl" &&
              vexalith::kFormatChoices[2].number == static_cast<int>(vexalith::OutputFormat::Stl));
static_assert(vexalith::kFormatChoices[3].value == "stl-binary" &&
              vexalith::kFormatChoices[3].number == static_cast<int>(vexalith::OutputFormat::StlBinary));
static_assert(vexalith::kFormatChoices[4].value == "3mf" &&
              vexalith::kFormatChoices[4].number == static_cast<int>(vexalith::OutputFormat::ThreeMf));
static_assert(std::size(vexalith::kFormatChoices) == 5);

// "R,G,B", each component in the table's range.
vexalith::BackgroundColour parse_colour(const std::string& text)
{
    const vexalith::UserOption& option = user_option(OptionId::Background);
    const std::string flag(option.flag);
    const std::string expected = "expected R,G,B with values " + vexalith::range_text(option) + ", got ";
    int values[3] = {0, 0, 0};
    std::size_t start = 0;
    for (int k = 0; k < 3; ++k) {
        const std::size_t comma = k < 2 ? text.find(',', start) : text.size();
        if (comma == std::string::npos)
            throw CLI::ValidationError(flag, expected + text);
        const std::string part = text.substr(start, comma - start);
        const auto value = vexalith::text_to_int(part);
        if (!value || *value < option.minimum || *value > option.maximum)
            throw CLI::ValidationError(flag, expected + text);
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
        "  vexalith-convert check FILE [model options]    report how the model will print\n"
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
    CLI::Option* output = add_table_option(app, OptionId::Output, request.output);

    std::string format;
    CLI::Option* format_option =
        add_table_option(app, OptionId::Format, format)->check(table_choices(OptionId::Format));

    std::string structure;
    CLI::Option* structure_option = add_table_option(app, OptionId::Structure, structure);
    std::string model;
    CLI::Option* model_option = add_table_option(app, OptionId::Model, model);
    batch.jobs = vexalith::default_jobs();
    // The help names the number of processors of this machine.
    std::string jobs_help = vexalith::help_text(user_option(OptionId::Jobs));
    jobs_help.insert(jobs_help.rfind(')'), ", here " + std::to_string(batch.jobs));
    add_table_option(app, OptionId::Jobs, batch.jobs)
        ->description(jobs_help)
        ->check(table_range<unsigned>(OptionId::Jobs));

    std::string mode;
    CLI::Option* mode_option = add_table_option(app, OptionId::Mode, mode)->check(table_choices(OptionId::Mode));

    // --expand alone expands once.
    const vexalith::UserOption& expand = user_option(OptionId::Expand);
    app.add_flag(std::string(expand.flag) + "{1}", request.expand, vexalith::help_text(expand))
        ->check(table_range<int>(OptionId::Expand))
        ->type_name(std::string(expand.value_name));

    auto size = static_cast<int32_t>(user_option(OptionId::ModelSize).default_value);
    CLI::Option* size_option =
        add_table_option(app, OptionId::ModelSize, size)->check(table_range<int>(OptionId::ModelSize));
    std::string unit;
    CLI::Option* unit_option =
        add_table_option(app, OptionId::VrmlUnit, unit)->check(table_choices(OptionId::VrmlUnit));
    auto bond_diameter = static_cast<int32_t>(user_option(OptionId::BondDiameter).default_value);
    CLI::Option* bond_option =
        add_table_option(app, OptionId::BondDiameter, bond_diameter)->check(table_range<int>(OptionId::BondDiameter));

    std::string hbonds;
    CLI::Option* hbonds_option =
        add_table_option(app, OptionId::HydrogenBonds, hbonds)->check(table_choices(OptionId::HydrogenBonds));
    bool show_hydrogen = user_option(OptionId::ShowHydrogen).default_value != 0;
    CLI::Option* hydrogen_option = add_table_switch(app, OptionId::ShowHydrogen, show_hydrogen);
    add_table_switch(app, OptionId::ShowWater, request.show_water);
    std::string parts;
    CLI::Option* parts_option = add_table_option(app, OptionId::HiddenPartList, parts);
    bool protein_style = user_option(OptionId::ProteinStyle).default_value != 0;
    CLI::Option* style_option = add_table_switch(app, OptionId::ProteinStyle, protein_style);
    bool helices = user_option(OptionId::Helices).default_value != 0;
    CLI::Option* helices_option = add_table_switch(app, OptionId::Helices, helices);
    bool bridges = user_option(OptionId::Bridges).default_value != 0;
    CLI::Option* bridges_option = add_table_switch(app, OptionId::Bridges, bridges);
    double bridge_distance = user_option(OptionId::HelixBridgeDistance).default_value;
    CLI::Option* bridge_option = add_table_option(app, OptionId::HelixBridgeDistance, bridge_distance)
                                     ->check(table_range<double>(OptionId::HelixBridgeDistance));
    add_table_switch(app, OptionId::Solid, request.solid);
    double solid_tolerance = user_option(OptionId::SolidTolerance).default_value;
    CLI::Option* tolerance_option = add_table_option(app, OptionId::SolidTolerance, solid_tolerance)
                                        ->check(table_range<double>(OptionId::SolidTolerance));
    std::string max_output_size;
    CLI::Option* limit_option = add_table_option(app, OptionId::MaxOutputSize, max_output_size);
    std::string background;
    CLI::Option* background_option = add_table_option(app, OptionId::Background, background);
    std::string crystal;
    CLI::Option* crystal_option = add_table_option(app, OptionId::Crystal, crystal);
    add_table_switch(app, OptionId::CellEdges, request.cell_edges);

    vexalith::InfoRequest info;
    CLI::App* info_command =
        app.add_subcommand("info",
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
        info_command->add_option("--model", info_model, vexalith::help_text(user_option(OptionId::Model)))
            ->type_name(std::string(user_option(OptionId::Model).value_name));
    info_command->add_flag("--helices,!--no-helices", info.helices,
                           "A protein as the program draws it with \"Helices\": its backbone trace "
                           "(default); --no-helices lists the atoms as read");
    std::string info_crystal;
    CLI::Option* info_crystal_option =
        info_command
            ->add_option("--crystal", info_crystal,
                         "Report the atoms of this crystal mode (asymmetric, cell, molecules, block=NxMxK); "
                         "cell and block also report CellSites, the distinct sites in the cell")
            ->type_name(std::string(user_option(OptionId::Crystal).value_name));
    info_command->add_flag("--atoms", info.atoms,
                           "Also list the atoms, one tab-separated row each: number, symbol as read, "
                           "scene x, y, z (angstrom, centred), part, residue, sequence number");

    std::string check_file;
    CLI::App* check_command = app.add_subcommand(
        "check",
        "Report how the model of a CIF file will print, with the model options given after the file: print size, "
        "millimetres per angstrom, thinnest bond, smallest atom, pieces, volume of material and its mass in PLA, "
        "and a warning line for each part too thin to print and for a model that falls apart.");
    check_command->add_option("file", check_file, "CIF file to check")->required();
    // The model options are the converter's own, given after the file.
    check_command->fallthrough();

    try {
        app.parse(argc, argv);
        if (*info_command && info_model_option->count() > 0)
            info.model = parse_model(info_model, "--model");
        if (*info_command && info_crystal_option->count() > 0) {
            std::string problem;
            const auto choice = vexalith::parse_crystal_choice(info_crystal, problem);
            if (!choice)
                throw CLI::ValidationError("--crystal", problem);
            info.crystal = choice->mode;
            info.block = choice->block;
        }
        if (!*info_command) {
            if (*check_command)
                batch.inputs = {check_file};
            if (batch.inputs.empty())
                throw CLI::RequiredError("file");
            if (output->count() == 0 && !*check_command)
                throw CLI::RequiredError("--output");
            if (format_option->count() > 0)
                request.format = static_cast<vexalith::OutputFormat>(choice_number(OptionId::Format, format));
            if (structure_option->count() > 0)
                parse_structure(structure, batch);
            if (model_option->count() > 0)
                request.model = parse_model(model, "--model");
            if (mode_option->count() > 0)
                request.mode = choice_number(OptionId::Mode, mode);
            keep_if_set(size_option, size, request.size);
            if (unit_option->count() > 0)
                request.unit = choice_number(OptionId::VrmlUnit, unit);
            keep_if_set(bond_option, bond_diameter, request.bond_diameter);
            keep_if_set(hbonds_option, hbonds, request.hbonds);
            keep_if_set(crystal_option, crystal, request.crystal);
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
            if (tolerance_option->count() > 0)
                request.solid_tolerance = solid_tolerance;
            request.max_output_size = parse_limit(
                limit_option->count() > 0 ? max_output_size.c_str() : std::getenv(vexalith::kOutputLimitVariable),
                limit_option->count() > 0 ? "--max-output-size" : vexalith::kOutputLimitVariable);
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
        } else if (*check_command) {
            request.input = check_file;
            vexalith::TerminalProgress progress(stderr);
            vexalith::run_check(request, std::cout, progress);
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
