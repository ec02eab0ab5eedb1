// The model that the writers draw, built once per drawing from a structure
// and the options in force: the atoms that take part and the rules that join
// pairs of them.  A scene and a print differ only in the bridges from the
// backbone trace: the scene hides them while "hide bridges" is checked, a
// print always carries them.
//
// A Model refers to its structure and options, which must outlive it; the
// writers take it as const.  Protein style's mode is put in force before it
// is built (apply_protein_style_mode).
#pragma once

#include <cstdint>
#include <vector>

#include "model/pair_classification.h"
#include "options/model_options.h"
#include "structure/structure.h"

namespace vexalith {

struct Model {
    const Structure& structure;
    const ModelOptions& options;
    std::vector<int32_t> shown;  // the atoms atom_ok accepts, in increasing order
    PairRules scene_rules;       // the pairs of the on-screen and printer scenes
    PairRules print_rules;       // the pairs of an STL print: bridges always
};

Model build_model(const Structure& structure, const ModelOptions& options);

}  // namespace vexalith
