// The facets of the STL export's template meshes, as numbers: a scaled,
// turned and moved copy of a sphere template for every shown atom, then of
// the cylinder template for every connected pair, in the order and at the
// places the ASCII writer puts them.  The binary STL and the 3MF file take
// their facets from here.
#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include "model/model.h"
#include "print3d/stl_templates.h"

namespace vexalith {

using FacetCorners = std::array<std::array<float, 3>, 3>;  // millimetres

// How many facets template_facets hands over.
uint64_t template_facet_count(const Model& model, const StlTemplates& templates);

// Hands every facet to `facet`, with the colour of its sphere or cylinder
// as print_shapes numbers the colours (atoms first, in the same order).
void template_facets(const Model& model, const StlTemplates& templates,
                     const std::function<void(const FacetCorners&, int32_t colour)>& facet);

}  // namespace vexalith
