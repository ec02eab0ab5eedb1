#include "harness.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "common/error.h"
#include "common/reporter.h"
#include "common/text_output.h"
#include "convert/draw_model.h"
#include "convert/model_commands.h"
#include "model/compress_atoms.h"
#include "model/crystal.h"
#include "model/protein_style.h"
#include "options/model_options.h"
#include "print3d/binary_stl_writer.h"
#include "print3d/stl_writer.h"
#include "print3d/three_mf_writer.h"
#include "structure/cif_reader.h"
#include "structure/present_elements.h"
#include "structure/structure.h"
#include "structure/structure_count.h"
#include "structure/symmetry_operator.h"

namespace fuzzharness {
namespace {

using vexalith::ModelOptions;
using vexalith::Structure;

constexpr int32_t kMostAtoms = 1000;
constexpr int32_t kMostStlAtoms = 100;
// The solid is made only for models this small, at a size and tolerance that
// keep its grid small.
constexpr int32_t kMostSolidAtoms = 12;
constexpr std::uint64_t kOutputCap = 1u << 20;

// Thrown by CappedSink past its cap: the input is not a finding.
struct OutputCapReached {};

// Counts the bytes and drops them, remembering the last two and whether a
// number that is not finite was written.
class CappedSink : public vexalith::ByteSink {
public:
    void write(std::string_view bytes) override
    {
        size_ += bytes.size();
        for (const char* word : {"nan", "NAN", "inf", "INF"})
            non_finite_ = non_finite_ || bytes.find(word) != std::string_view::npos;
        for (const char c : bytes.substr(bytes.size() >= 2 ? bytes.size() - 2 : 0)) {
            last_[0] = last_[1];
            last_[1] = c;
        }
        if (size_ > kOutputCap)
            throw OutputCapReached{};
    }
    bool ends_with_line_end() const { return last_[0] == '\r' && last_[1] == '\n'; }
    bool saw_non_finite() const { return non_finite_; }

private:
    std::uint64_t size_ = 0;
    char last_[2] = {0, 0};
    bool non_finite_ = false;
};

std::string error_problem(const vexalith::Error& e)
{
    if (e.file() != kInputName)
        return "an error that does not name the file: " + std::string(e.what());
    if (e.line() < 0)
        return "an error with a negative line: " + std::string(e.what());
    if (e.text().empty())
        return "an error without a text";
    return "";
}

}  // namespace

std::string model_problem(const Structure& model, const ModelOptions& options, bool after_read)
{
    if (model.AtomCount < 0)
        return "AtomCount is negative";
    if (!std::isfinite(model.ModelExtent) || model.ModelExtent < 1)
        return "ModelExtent is not finite or below 1";
    if (model.MaxPart < 0)
        return "MaxPart is negative";
    if (model.AtomCount == 0)
        return "";
    const auto slots = static_cast<std::size_t>(model.AtomCount) + 1;
    if (model.AtomSymbol.size() < slots || model.AtomCoord.size() < slots || model.AtomResidue.size() < slots ||
        model.AtomSeqId.size() < slots)
        return "a per-atom column is shorter than AtomCount + 1";
    if (after_read && model.ResidueTable.size() != static_cast<std::size_t>(model.MaxSeqId) + 1)
        return "ResidueTable does not have MaxSeqId + 1 rows";
    if (model.MaxPart >= 1 && options.ShownParts.size() < static_cast<std::size_t>(model.MaxPart) + 1)
        return "fewer part boxes than parts";
    for (const long double c : model.Centroid)
        if (!std::isfinite(c))
            return "the centroid is not finite";
    for (std::size_t n = 1; n < slots; ++n) {
        const vexalith::AtomCoordRecord& a = model.AtomCoord[n];
        if (!std::isfinite(a.x) || !std::isfinite(a.y) || !std::isfinite(a.z))
            return "the position of atom " + std::to_string(n) + " is not finite";
        if (!std::isfinite(a.part) || a.part < 0 || a.part > model.MaxPart)
            return "the part of atom " + std::to_string(n) + " is outside 0..MaxPart";
        if (after_read && (model.AtomSeqId[n] < 0 || model.AtomSeqId[n] > model.MaxSeqId))
            return "the sequence number of atom " + std::to_string(n) + " is outside 0..MaxSeqId";
    }
    return "";
}

namespace {

std::string read(std::string_view text, vexalith::ConversionState& state, Structure& model, ModelOptions& options,
                 bool& read_well)
{
    vexalith::Reporter quiet;
    state.FileName = std::string(kInputName);
    read_well = false;
    try {
        vexalith::read_chosen_structure(text, state, model, options, quiet);
    } catch (const vexalith::Error& e) {
        return error_problem(e);
    }
    read_well = true;
    return model_problem(model, options, true);
}

bool bit(std::uint8_t byte, int n) { return ((byte >> n) & 1) != 0; }

}  // namespace

std::string read_anything(std::string_view bytes)
{
    vexalith::ConversionState state;
    Structure model;
    ModelOptions options;
    bool read_well = false;
    return read(bytes, state, model, options, read_well);
}

std::string read_selected_structure(std::string_view bytes)
{
    if (bytes.size() < 2)
        return "";
    vexalith::ConversionState state;
    Structure model;
    ModelOptions options;
    const auto low = static_cast<uint8_t>(bytes[0]);
    const auto high = static_cast<uint8_t>(bytes[1]);
    state.StructureIndex = low | ((high & 0x0F) << 8);
    state.ModelIndex = high >> 4;  // 0: every model
    const std::string_view text = bytes.substr(2);
    state.StructureCount = vexalith::count_structures(text);
    bool read_well = false;
    std::string problem = read(text, state, model, options, read_well);
    if (problem.empty() && read_well && state.StructureIndex > state.StructureCount && model.AtomCount != 0)
        problem = "atoms read for a structure beyond the last";
    if (problem.empty() && state.ModelIndex > model.ModelCount && model.AtomCount != 0)
        problem = "atoms read for a model beyond the last";
    return problem;
}

// The binary STL and the 3MF file of the model, to memory: the binary
// file's size must follow from its facet count, and its numbers be finite.
std::string print_file_problem(const Structure& model, const ModelOptions& options,
                               const vexalith::StlTemplates& templates)
{
    vexalith::Reporter quiet;
    vexalith::StringSink binary;
    vexalith::write_binary_stl(binary, build_model(model, options), templates, quiet);
    const std::string& bytes = binary.text();
    if (bytes.size() < 84)
        return "a binary STL file without its header";
    uint32_t facets = 0;
    for (int k = 3; k >= 0; --k)
        facets = facets << 8 | static_cast<std::uint8_t>(bytes[80 + static_cast<std::size_t>(k)]);
    if (bytes.size() != vexalith::binary_stl_size(facets))
        return "a binary STL file whose size is not that of its facet count";
    for (std::size_t at = 84; at + 50 <= bytes.size(); at += 50)
        for (std::size_t n = 0; n < 12; ++n) {
            float value = 0;
            std::memcpy(&value, bytes.data() + at + 4 * n, sizeof value);
            if (!std::isfinite(value))
                return "a number in the binary STL file that is not finite";
        }
    vexalith::StringSink package;
    vexalith::write_three_mf(package, build_model(model, options), templates, quiet);
    if (package.text().compare(0, 2, "PK") != 0)
        return "a 3MF file that is not a zip archive";
    return "";
}

std::string convert_anything(std::string_view bytes, const vexalith::StlTemplates& templates)
{
    std::uint8_t low = 0;
    std::uint8_t high = 0;
    if (bytes.size() >= 2) {
        low = static_cast<std::uint8_t>(bytes[bytes.size() - 1]);
        high = static_cast<std::uint8_t>(bytes[bytes.size() - 2]);
    }
    vexalith::ConversionState state;
    Structure model;
    ModelOptions options;
    options.ModelSize = 25 + high % 226;
    options.BondDiameter = 5 + high % 26;
    if (bit(low, 5))
        options.VrmlUnit = 1000;
    if (bit(low, 3))
        vexalith::SetShowHydrogenBondsBox(options, true);
    if (bit(low, 4))
        vexalith::SetShowVanDerWaalsBox(options, true);
    if (bit(low, 6))
        vexalith::SetShowHydrogenBox(options, false);
    // A reload keeps the boxes as they are: a protein drawn atom by atom,
    // with or without protein style, bridges shown or hidden.
    if (bit(high, 7)) {
        state.RereadRequested = true;
        options.Helices = bit(high, 6);
        options.ProteinStyle = bit(high, 5);
        options.HideBridges = bit(high, 4);
    }

    // What prepare_model does with the text of the file.
    state.StructureCount = vexalith::count_structures(bytes);
    bool read_well = false;
    if (std::string problem = read(bytes, state, model, options, read_well); !problem.empty() || !read_well)
        return problem;
    state.RereadRequested = false;
    if (model.AtomCount == 0 || model.AtomCount > kMostAtoms)
        return "";
    if (const int mode = low & 3; mode != 0)
        vexalith::select_model_mode(state, options, model.ProteinFile, mode);
    if (!model.ProteinFile && bit(low, 2))
        vexalith::CompressAtoms(model, options);
    vexalith::replace_unknown_symbols(model);
    vexalith::list_present_elements(model);
    if (std::string problem = model_problem(model, options, false); !problem.empty())
        return "after joining the fragment: " + problem;

    vexalith::Reporter quiet;
    try {
        vexalith::SceneTarget target{"fuzz.wrl"};
        target.PrinterExport = bit(low, 7);
        vexalith::apply_protein_style_mode(model, options);
        CappedSink scene;
        {
            vexalith::TextOutput out(scene);
            vexalith::write_scene(out, build_model(model, options), target, quiet);
        }
        if (!scene.ends_with_line_end())
            return "a scene that does not end with a line end";
        if (scene.saw_non_finite())
            return "a number in the scene that is not finite";
        if (model.AtomCount <= kMostStlAtoms) {
            CappedSink stl;
            vexalith::write_stl(stl, "fuzz.stl", build_model(model, options), templates, quiet);
            if (!stl.ends_with_line_end())
                return "an STL file that does not end with a line end";
            if (stl.saw_non_finite())
                return "a number in the STL file that is not finite";
            if (std::string problem = print_file_problem(model, options, templates); !problem.empty())
                return problem;
        }
        if (model.AtomCount <= kMostSolidAtoms) {
            ModelOptions solid = options;
            solid.SolidPrint = true;
            solid.ModelSize = 25;
            solid.SolidTolerance = 0.5;
            if (std::string problem = print_file_problem(model, solid, templates); !problem.empty())
                return "solid: " + problem;
        }
    } catch (const OutputCapReached&) {
        return "";
    } catch (const vexalith::Error& e) {
        return error_problem(e);
    }
    return "";
}

std::string grow_crystal_anything(std::string_view bytes)
{
    if (bytes.empty())
        return "";
    const auto choice = static_cast<std::uint8_t>(bytes[0]);
    const std::string_view text = bytes.substr(1);
    {
        std::string problem;
        std::size_t start = 0;
        while (start < text.size()) {
            const std::size_t end = std::min(text.find('\n', start), text.size());
            const auto op = vexalith::parse_symmetry_operator(text.substr(start, end - start), problem);
            if (op)
                (void)op->apply({0.1L, 0.2L, 0.3L});
            start = end + 1;
        }
    }
    vexalith::ConversionState state;
    Structure model;
    ModelOptions options;
    bool read_well = false;
    if (std::string problem = read(text, state, model, options, read_well); !problem.empty() || !read_well)
        return problem;
    if (model.AtomCount == 0 || model.AtomCount > 200 || model.ProteinFile || model.ChemCompFile)
        return "";
    const auto mode = static_cast<vexalith::CrystalMode>(choice % 4);
    const std::array<int32_t, 3> block{1 + (choice >> 2) % 2, 1 + (choice >> 3) % 2, 1 + (choice >> 4) % 2};
    try {
        const vexalith::CrystalSymmetry symmetry = vexalith::crystal_symmetry(model);
        if (symmetry.operators.size() > 192)
            return "";
        vexalith::grow_crystal(model, symmetry, mode, block);
    } catch (const vexalith::Error& e) {
        return error_problem(e);
    }
    if (std::string problem = model_problem(model, options, false); !problem.empty())
        return "after growing the crystal: " + problem;
    return "";
}

}  // namespace fuzzharness
