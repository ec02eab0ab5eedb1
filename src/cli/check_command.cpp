#include "cli/check_command.h"

#include "model/model.h"
#include "model/protein_style.h"
#include "print3d/print_report.h"

namespace vexalith {

void run_check(const ConvertRequest& request, std::ostream& out, Reporter& reporter)
{
    ConversionState state;
    Structure structure;
    ModelOptions options;
    if (prepare_conversion(request, state, structure, options, reporter) == DrawOutcome::VrmlInput)
        throw RequestError("a VRML file holds no structure to check for printing");
    // As before an STL export: protein style's mode is in force.
    apply_protein_style_mode(structure, options);
    const Model model = build_model(structure, options);
    out << "File: " << request.input << '\n' << print_report_text(print_report(model));
}

}  // namespace vexalith
