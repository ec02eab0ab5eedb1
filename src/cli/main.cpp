// vexalith-convert: the command-line side of Vexalith.
#include <CLI/CLI.hpp>

#include <iostream>

#include "cli/info_command.h"
#include "common/error.h"

namespace {

// Exit codes.
constexpr int kExitUsage = 1;        // CLI11 reports usage errors itself
constexpr int kExitInputOutput = 2;  // a file cannot be read or written
constexpr int kExitBadInput = 3;     // the file's content cannot be used

}  // namespace

int main(int argc, char** argv)
{
    CLI::App app{"Vexalith: turns crystal and molecular structures from CIF files into 3D models."};
    app.name("vexalith-convert");
    app.require_subcommand(1);

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
    info_command->add_flag("--atoms", info.atoms,
                           "Also list the atoms, one tab-separated row each: number, symbol as read, "
                           "scene x, y, z (angstrom, centred), part, residue, sequence number");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e);
        return code == 0 ? 0 : kExitUsage;
    }

    try {
        if (*info_command)
            vexalith::run_info(info, std::cout);
        std::cout.flush();
        if (!std::cout)
            throw vexalith::InputOutputError("standard output", 0, "cannot write");
    } catch (const vexalith::InputOutputError& e) {
        std::cerr << "vexalith-convert: " << e.what() << '\n';
        return kExitInputOutput;
    } catch (const vexalith::Error& e) {
        std::cerr << "vexalith-convert: " << e.what() << '\n';
        return kExitBadInput;
    } catch (const std::bad_alloc&) {
        std::cerr << "vexalith-convert: not enough memory for this structure\n";
        return kExitBadInput;
    }
    return 0;
}
