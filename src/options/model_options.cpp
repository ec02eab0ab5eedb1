#include "options/model_options.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "common/rounding.h"

namespace vexalith {

bool atom_ok(const Structure& structure, const ModelOptions& options, int32_t index)
{
    const auto i = static_cast<std::size_t>(index);
    bool part_ok = true;
    if (structure.MaxPart >= 1) {
        const long double p = round_half_even(structure.AtomCoord[i].part);
        // A part without a box (never the case after a read) counts as shown.
        if (p >= 0 && p < static_cast<long double>(options.ShownParts.size()))
            part_ok = options.ShownParts[static_cast<std::size_t>(p)];
    }
    if (options.SuppressWater && structure.AtomResidue[i] == "HOH")
        return false;
    if (options.HideHydrogen && structure.AtomSymbol[i] == "H")
        return false;
    return part_ok;
}

std::vector<int32_t> shown_atoms(const Structure& structure, const ModelOptions& options)
{
    std::vector<int32_t> shown;
    shown.reserve(static_cast<std::size_t>(std::max<int32_t>(structure.AtomCount, 0)));
    for (int32_t i = 1; i <= structure.AtomCount; ++i)
        if (atom_ok(structure, options, i))
            shown.push_back(i);
    return shown;
}

void MakePartCheckBoxes(ModelOptions& options, int32_t max_part)
{
    options.ShownParts.assign(static_cast<std::size_t>(max_part) + 1, true);
}

void SetSuppressWaterBox(ModelOptions& options, bool checked) { options.SuppressWater = checked; }

void SetHideBridgesBox(ModelOptions& options, bool checked) { options.HideBridges = checked; }

namespace {

// The "Hydrogen bonds and van der Waals" click rule; the "Show only
// hydrogen bonds" click ends in it too.
void van_der_waals_clicked(ModelOptions& options)
{
    options.DonorElements.clear();
    if (options.HydrogenBondsOnly)
        options.DonorElements = "N O";
    if (options.HydrogenBondsAndVanDerWaals) {
        options.DonorElements = "C N O F S";
        SetShowHydrogenBondsBox(options, false);
    }
}

}  // namespace

void SetShowHydrogenBox(ModelOptions& options, bool checked)
{
    if (options.HideHydrogen == !checked)
        return;
    options.HideHydrogen = !checked;
    SetShowHydrogenBondsBox(options, checked);
    SetShowVanDerWaalsBox(options, checked);
}

void SetShowHydrogenBondsBox(ModelOptions& options, bool checked)
{
    if (options.HydrogenBondsOnly == checked)
        return;
    options.HydrogenBondsOnly = checked;
    if (options.HydrogenBondsOnly && options.HydrogenBondsAndVanDerWaals)
        SetShowVanDerWaalsBox(options, false);
    van_der_waals_clicked(options);
}

void SetShowVanDerWaalsBox(ModelOptions& options, bool checked)
{
    if (options.HydrogenBondsAndVanDerWaals == checked)
        return;
    options.HydrogenBondsAndVanDerWaals = checked;
    van_der_waals_clicked(options);
}

std::string size_caption(const ModelOptions& options, char decimal_separator)
{
    std::string caption = "3D-model size = ";
    char buffer[64];
    if (options.VrmlUnit == 1) {
        const auto end = std::to_chars(buffer, buffer + sizeof buffer, options.ModelSize).ptr;
        caption.append(buffer, end);
        caption += " mm";
        return caption;
    }
    const double metres = options.ModelSize / 1000.0;
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, metres).ptr;
    for (char* c = buffer; c != end; ++c)
        caption += *c == '.' ? decimal_separator : *c;
    caption += " m";
    return caption;
}

}  // namespace vexalith
