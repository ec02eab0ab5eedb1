#include "print3d/stl_writer.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string>

#include "common/atomic_file.h"
#include "common/error.h"
#include "common/file_names.h"
#include "common/fixed_number.h"
#include "common/ordered_blocks.h"
#include "common/output_limit.h"
#include "model/cell_edges.h"
#include "model/element_radii.h"
#include "model/pair_text.h"
#include "model/vector3.h"
#include "print3d/export_check.h"
#include "print3d/solid_mesh.h"
#include "structure/element_table.h"

namespace vexalith {
namespace {

// Appends `value` fixed-point with `decimals` decimals, right-aligned in at
// least `width` characters.  to_chars rounds the exact binary value and
// never looks at the locale; the usual values away from a tie are written
// from their nearest integer, which is the same text.
void append_fixed(std::string& text, long double value, int decimals, std::size_t width)
{
    char buffer[64];
    if (const std::size_t quick = write_fixed(buffer, value, decimals, width, false)) {
        text.append(buffer, quick);
        return;
    }
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    if (ec != std::errc()) {
        // Only a value far outside any model needs more room.
        std::string wide(5000, ' ');
        const auto result =
            std::to_chars(wide.data(), wide.data() + wide.size(), value, std::chars_format::fixed, decimals);
        wide.resize(static_cast<std::size_t>(result.ptr - wide.data()));
        text.append(wide);
        return;
    }
    const auto length = static_cast<std::size_t>(end - buffer);
    if (length < width)
        text.append(width - length, ' ');
    text.append(buffer, length);
}

// The text of one facet, gathered in place and handed to the output in
// one piece by end().  (Not by the destructor: handing it over may write to
// the file, and a write that fails, on a full disk or at the size limit,
// must throw.)
class FacetText {
public:
    explicit FacetText(TextOutput& out) : out_(out) {}
    FacetText(const FacetText&) = delete;
    FacetText& operator=(const FacetText&) = delete;

    void end()
    {
        out_ << std::string_view(data_, size_);
        size_ = 0;
    }

    [[gnu::always_inline]] void put(std::string_view text)
    {
        if (size_ + text.size() > sizeof data_) {
            out_ << std::string_view(data_, size_);
            size_ = 0;
            if (text.size() > sizeof data_) {
                out_ << text;
                return;
            }
        }
        std::memcpy(data_ + size_, text.data(), text.size());
        size_ += text.size();
    }

    void fixed(long double value, int decimals, std::size_t width)
    {
        // The quick text takes at most 40 characters: written in place.
        if (size_ + 40 > sizeof data_) {
            out_ << std::string_view(data_, size_);
            size_ = 0;
        }
        if (const std::size_t quick = write_fixed(data_ + size_, value, decimals, width, false)) {
            size_ += quick;
            return;
        }
        std::string wide;
        append_fixed(wide, value, decimals, width);
        put(wide);
    }

    // "facet normal X Y Z" and the "outer loop" line.
    void facet_start(const Vec3& normal)
    {
        put("facet normal ");
        fixed(normal[0], 3, 6);
        put(" ");
        fixed(normal[1], 3, 6);
        put(" ");
        fixed(normal[2], 3, 6);
        put("\r\n    outer loop \r\n");
    }

    // A vertex line, each component with `decimals` in at least `width`
    // characters (template facets: 2 and 5).
    void vertex_line(const Vec3& p, int decimals = 2, std::size_t width = 5)
    {
        put("      vertex ");
        fixed(p[0], decimals, width);
        put(" ");
        fixed(p[1], decimals, width);
        put(" ");
        fixed(p[2], decimals, width);
        put("\r\n");
    }

private:
    TextOutput& out_;
    char data_[512];
    std::size_t size_ = 0;
};

StlScale model_scale(const Structure& structure, const ModelOptions& options)
{
    return {static_cast<long double>(options.ModelSize), structure.ModelExtent};
}

void write_sphere(TextOutput& out, const StlTemplate& mesh, long double radius, const Vec3& centre,
                  const StlScale& scale)
{
    for (const TemplateFacet& facet : mesh.facets)
        write_sphere_facet(out, facet, radius, centre, scale);
}

}  // namespace

std::string stl_vertex_number(long double value)
{
    std::string text;
    append_fixed(text, value, 2, 5);
    return text;
}

std::string stl_normal_number(long double value)
{
    std::string text;
    append_fixed(text, value, 3, 6);
    return text;
}

long double sphere_radius(std::string_view symbol, int32_t model_mode)
{
    const int row = GetElementIndex(symbol);
    if (row < 1 || row > ElementCount)
        return 1.0L;
    switch (model_mode) {
    case BallAndStick:
        return GetCovalentRadius(symbol) / 2;
    case CovalentRadius:
        return GetCovalentRadius(symbol);
    case VanDerWaals:
        return GetVanDerWaalsRadius(symbol);
    default:
        return 1.0L;
    }
}

const StlTemplate* sphere_template(const StlTemplates& templates, std::string_view symbol)
{
    // Three plain substring tests on the symbol; for upper-case symbols
    // exactly one holds, and none of two can hold together.
    if (!occurs_in(symbol, "N O B Li"))
        return &templates.ball;
    if (symbol == "N")
        return &templates.ball1;
    if (occurs_in(symbol, "O B Li"))
        return &templates.ball2;
    return nullptr;
}

void write_sphere_facet(TextOutput& out, const TemplateFacet& facet, long double radius, const Vec3& centre,
                        const StlScale& scale)
{
    FacetText text(out);
    text.put("facet normal ");
    text.put(facet.normal);
    text.put("\r\n    outer loop \r\n");
    for (const Vec3& v : facet.vertices) {
        Vec3 p{};
        for (std::size_t c = 0; c < 3; ++c) {
            const long double w = radius * v[c] + centre[c];
            p[c] = scale.ModelSize * w / scale.ModelExtent / 2;
        }
        text.vertex_line(p);
    }
    text.put("    endloop \r\nendfacet\r\n");
    text.end();
}

Mat3 rotation_about_axis(const Vec3& axis, long double angle)
{
    const long double c = std::cos(angle);
    const long double s = std::sin(angle);
    const long double t = 1 - c;
    const long double x = axis[0];
    const long double y = axis[1];
    const long double z = axis[2];
    Mat3 m{};
    m[0] = {c + t * x * x, t * x * y - s * z, t * x * z + s * y};
    m[1] = {t * x * y + s * z, c + t * y * y, t * y * z - s * x};
    m[2] = {t * x * z - s * y, t * y * z + s * x, c + t * z * z};
    return m;
}

Mat3 cylinder_rotation(const Vec3& direction)
{
    const Vec3 up{0, 0, 1};
    Vec3 axis = cross_product(up, direction);
    const long double axis_length = length(axis);
    if (axis_length > 0) {
        axis = {axis[0] / axis_length, axis[1] / axis_length, axis[2] / axis_length};
    } else if (direction[2] < 0) {
        // Along -z: half a turn about x.  (cos(angle) times the identity
        // would place the mesh right but turn it inside out.)
        Mat3 half_turn{};
        half_turn[0] = {1, 0, 0};
        half_turn[1] = {0, -1, 0};
        half_turn[2] = {0, 0, -1};
        return half_turn;
    }
    const long double cosine = dot(up, direction) / length(up) / length(direction);
    return rotation_about_axis(axis, std::acos(std::clamp(cosine, -1.0L, 1.0L)));
}

CylinderSize cylinder_size(const PairKind& kind, int32_t model_mode, int32_t bond_diameter, bool protein_file)
{
    const auto b = static_cast<long double>(bond_diameter);
    const long double d = kind.distance;
    if (model_mode == BallAndStick) {
        if (kind.hbond)
            return {b * 0.01L, d / 2};
        if (!kind.helix)
            return {b * 0.013L, d / 2.001L};
        return {0.097L, d / 2};
    }
    if (kind.helix)
        return {0.97L, d * 0.5L};
    if (kind.hbond && protein_file)
        return {b * 0.05L, d * 0.5L};
    if (kind.hbond)
        return {b * 0.025L, d * 0.5L};
    return {b * 0.027L, d / 2.001L};
}

void write_cylinder_facet(TextOutput& out, const TemplateFacet& facet, const Mat3& rotation, const Vec3& size,
                          const Vec3& middle, const StlScale& scale)
{
    const long double k = scale.ModelSize / scale.ModelExtent * 0.5L;
    std::array<Vec3, 3> p{};
    for (std::size_t n = 0; n < 3; ++n) {
        const Vec3& v = facet.vertices[n];
        const Vec3 sv{size[0] * v[0], size[1] * v[1], size[2] * v[2]};
        for (std::size_t row = 0; row < 3; ++row) {
            const auto& r = rotation[row];
            p[n][row] = k * (r[0] * sv[0] + r[1] * sv[1] + r[2] * sv[2] + middle[row]);
        }
    }
    Vec3 normal = cross_product(p[1] - p[0], p[2] - p[0]);
    const long double normal_length = length(normal);
    if (normal_length > 0)
        normal = {normal[0] / normal_length, normal[1] / normal_length, normal[2] / normal_length};

    FacetText text(out);
    text.facet_start(normal);
    for (const Vec3& q : p)
        text.vertex_line(q);
    text.put("    endloop \r\nendfacet\r\n");
    text.end();
}

void write_bond_cylinders(TextOutput& out, const Model& model, const StlTemplates& templates, Reporter& reporter)
{
    const Structure& structure = model.structure;
    const ModelOptions& options = model.options;
    const PairClassifier classifier(structure, model.print_rules);
    const StlScale scale = model_scale(structure, options);
    const long long count = structure.AtomCount;
    const PairSearch search(structure, options, classifier);
    // A cylinder is some 24 kB of text: blocks of 512 atoms keep the text
    // made ahead to a few tens of megabytes.
    write_connected_pairs(
        out, search, PairBlocks{512, 1024, options.SingleThreadWriters},
        [&](int32_t i) { reporter.progress_position(i + 2 * count); },
        [&](TextOutput& to, int32_t i, int32_t j, const PairKind& kind) {
            // Two atoms at one place give no direction and no cylinder.
            if (!(kind.distance > 0))
                return;
            const Vec3 middle = (classifier.atom(i).position + classifier.atom(j).position) * 0.5L;
            const Mat3 rotation = cylinder_rotation(kind.direction);
            const CylinderSize size =
                cylinder_size(kind, options.ModelMode, options.BondDiameter, structure.ProteinFile);
            const Vec3 s{size.radius, size.radius, size.half_length};
            for (const TemplateFacet& facet : templates.cylinder.facets)
                write_cylinder_facet(to, facet, rotation, s, middle, scale);
        });
}

std::vector<CellEdgeRod> cell_edge_rods(const Model& model)
{
    std::vector<CellEdgeRod> rods;
    if (!model.options.CellEdges)
        return rods;
    const long double radius = cell_edge_radius(model);
    for (const auto& edge : model.structure.CellEdges) {
        const Vec3 direction = edge[1] - edge[0];
        const long double d = length(direction);
        if (!(d > 0))
            continue;
        rods.push_back({cylinder_rotation(direction), {radius, radius, d / 2}, (edge[0] + edge[1]) * 0.5L});
    }
    return rods;
}

void write_cell_edge_cylinders(TextOutput& out, const Model& model, const StlTemplates& templates)
{
    const StlScale scale = model_scale(model.structure, model.options);
    for (const CellEdgeRod& rod : cell_edge_rods(model))
        for (const TemplateFacet& facet : templates.cylinder.facets)
            write_cylinder_facet(out, facet, rod.rotation, rod.size, rod.middle, scale);
}

namespace {

// The text of a facet without its numbers: "facet normal ", the line ends,
// "    outer loop ", three "      vertex " lines with two blanks,
// "    endloop " and "endfacet".
constexpr uint64_t kFacetFrame = 13 + 2 + 17 + 3 * (13 + 2 + 2) + 14 + 10;
// Nine vertex numbers of at least five characters.
constexpr uint64_t kFacetVertexNumbers = 9 * 5;
// A cylinder facet's normal: three numbers of at least six characters.
constexpr uint64_t kCylinderNormal = 3 * 6 + 2;

uint64_t sphere_bytes_at_least(const StlTemplate& mesh)
{
    uint64_t bytes = 0;
    for (const TemplateFacet& facet : mesh.facets)
        bytes += kFacetFrame + kFacetVertexNumbers + facet.normal.size();
    return bytes;
}

// The one watertight solid (SolidPrint): its facets with normals from the
// corners and four decimals, fine enough to keep the smallest facets whole.
void write_watertight_solid(ByteSink& sink, std::string_view file_name, const Model& model)
{
    const SolidMesh mesh = solid_mesh(print_shapes(model), SolidSettings{model.options.SolidTolerance});
    LimitedSink limited(sink, model.options.MaxOutputSize, std::string(file_name), "the STL file");
    TextOutput out(limited);
    const std::string name = base_name_without_extension(file_name);
    out.line("solid " + name + " STL");
    for (const auto& t : mesh.triangles) {
        std::array<Vec3, 3> p{};
        for (std::size_t n = 0; n < 3; ++n)
            for (std::size_t c = 0; c < 3; ++c)
                p[n][c] = mesh.vertices[t[n]][c];
        Vec3 normal = cross_product(p[1] - p[0], p[2] - p[0]);
        const long double normal_length = length(normal);
        if (normal_length > 0)
            normal = normal * (1 / normal_length);
        FacetText text(out);
        text.facet_start(normal);
        for (const Vec3& q : p)
            text.vertex_line(q, 4, 7);
        text.put("    endloop \r\nendfacet\r\n");
        text.end();
    }
    out.line("endsolid " + name + " STL");
    out.flush();
}

void write_solid(ByteSink& sink, std::string_view file_name, const Model& model, const StlTemplates& templates,
                 Reporter& reporter)
{
    if (model.options.SolidPrint) {
        write_watertight_solid(sink, file_name, model);
        return;
    }
    const Structure& structure = model.structure;
    const ModelOptions& options = model.options;
    LimitedSink limited(sink, options.MaxOutputSize, std::string(file_name), "the STL file");
    TextOutput out(limited);
    const std::string name = base_name_without_extension(file_name);
    out.line("solid " + name + " STL");

    const StlScale scale = model_scale(structure, options);
    const long long count = structure.AtomCount;
    // A sphere is some 80 kB of text: blocks of 64 atoms.
    constexpr std::size_t kAtoms = 64;
    const auto atoms_total = static_cast<std::size_t>(std::max<int32_t>(structure.AtomCount, 0));
    const std::size_t blocks = options.SingleThreadWriters ? 1 : block_count(atoms_total, kAtoms, 4 * kAtoms);
    const std::size_t atoms = blocks <= 1 ? atoms_total : kAtoms;
    const auto first_atom = [&](std::size_t block) { return static_cast<int32_t>(block * atoms) + 1; };
    const auto end_atom = [&](std::size_t block) {
        return static_cast<int32_t>(std::min((block + 1) * atoms, atoms_total)) + 1;
    };
    write_blocks_in_order(
        out, blocks,
        [&](TextOutput& to, std::size_t block, bool on_caller) {
            for (int32_t i = first_atom(block); i < end_atom(block); ++i) {
                if (on_caller)
                    reporter.progress_position(count + i);
                if (!atom_ok(structure, options, i))
                    continue;
                const auto n = static_cast<std::size_t>(i);
                const std::string& symbol = structure.AtomSymbol[n];
                if (const StlTemplate* mesh = sphere_template(templates, symbol))
                    write_sphere(to, *mesh, sphere_radius(symbol, options.ModelMode), position(structure.AtomCoord[n]),
                                 scale);
            }
        },
        [&](std::size_t block) {
            for (int32_t i = first_atom(block); i < end_atom(block); ++i)
                reporter.progress_position(count + i);
        });

    write_bond_cylinders(out, model, templates, reporter);
    write_cell_edge_cylinders(out, model, templates);

    out.line("endsolid " + name + " STL");
    out.flush();
}

// Refuses, before anything is written, a file that would pass the limit.
void check_stl_size(std::string_view file_name, const Model& model, const StlTemplates& templates)
{
    const ModelOptions& options = model.options;
    // The solid's size is known only once it is made; the limit holds
    // while it is written.
    if (options.SolidPrint)
        return;
    const uint64_t size = stl_size_at_least(file_name, model, templates);
    if (size > options.MaxOutputSize)
        throw OutputTooLarge(std::string(file_name), 0,
                             output_too_large("the STL file", size, true, options.MaxOutputSize));
}

}  // namespace

uint64_t stl_size_at_least(std::string_view file_name, const Model& model, const StlTemplates& templates)
{
    const Structure& structure = model.structure;
    const ModelOptions& options = model.options;
    const std::string name = base_name_without_extension(file_name);
    uint64_t bytes = 2 * (name.size() + 4 + 2) + 6 + 9;  // "solid NAME STL", "endsolid NAME STL"
    const uint64_t sphere[] = {sphere_bytes_at_least(templates.ball), sphere_bytes_at_least(templates.ball1),
                               sphere_bytes_at_least(templates.ball2)};
    for (int32_t i = 1; i <= structure.AtomCount; ++i) {
        if (!atom_ok(structure, options, i))
            continue;
        const StlTemplate* mesh = sphere_template(templates, structure.AtomSymbol[static_cast<std::size_t>(i)]);
        if (mesh)
            bytes += sphere[mesh == &templates.ball ? 0 : (mesh == &templates.ball1 ? 1 : 2)];
    }
    const uint64_t cylinder =
        static_cast<uint64_t>(templates.cylinder.facets.size()) * (kFacetFrame + kFacetVertexNumbers + kCylinderNormal);
    const PairClassifier classifier(structure, model.print_rules);
    uint64_t cylinders = 0;
    for_each_connected_pair(
        structure, options, classifier, [](int32_t) {},
        [&](int32_t, int32_t, const PairKind& kind) { cylinders += kind.distance > 0 ? 1 : 0; });
    if (options.CellEdges)
        cylinders += structure.CellEdges.size();
    return bytes + cylinders * cylinder;
}

void write_stl(ByteSink& sink, std::string_view file_name, const Model& model, const StlTemplates& templates,
               Reporter& reporter)
{
    const ProgressShown progress(reporter);
    require_shown_atoms(model);
    check_stl_size(file_name, model, templates);
    write_solid(sink, file_name, model, templates, reporter);
}

void write_stl(const std::string& file_name, const Model& model, const StlTemplates& templates, Reporter& reporter)
{
    const ProgressShown progress(reporter);
    require_shown_atoms(model);
    check_stl_size(file_name, model, templates);
    AtomicFile file(file_name);
    write_solid(file, file_name, model, templates, reporter);
    file.commit();
}

}  // namespace vexalith
