// What the program's commands and the two check boxes that change how a
// protein is read do to the options and the requests of the next
// conversion: the three model modes, Expand, "Protein Style" and "Helices".
// Each box rule runs exactly when the value it shows changes.
#pragma once

#include "convert/conversion_state.h"
#include "options/model_options.h"

namespace vexalith {

// Ball-and-stick, covalent radius or van der Waals.  The command always
// leaves protein style; the next conversion only redraws.
void select_model_mode(ConversionState& state, ModelOptions& options, bool protein_file, int32_t mode);

// Expand: the next conversion joins the fragment (CompressAtoms) on the
// table as it stands, without reading the file.
void request_expand(ConversionState& state);

// "Protein Style": for a protein file the next conversion reads the model
// again (RedrawOnly cleared), in covalent-radius mode unless helices are on.
void SetProteinStyleBox(ModelOptions& options, ConversionState& state, bool protein_file, bool checked);

// "Helices": the next conversion reads the file again, so that the backbone
// trace is built or dropped.
void SetHelicesBox(ModelOptions& options, ConversionState& state, bool checked);

}  // namespace vexalith
