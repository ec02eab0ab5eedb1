#include "print3d/binary_stl_writer.h"

#include <bit>
#include <cmath>
#include <cstring>

#include "common/atomic_file.h"
#include "common/output_limit.h"
#include "print3d/export_check.h"
#include "print3d/solid_mesh.h"
#include "print3d/template_facets.h"

namespace vexalith {
namespace {

constexpr std::string_view kHeader = "Vexalith binary STL, millimetres";

// Facets gathered in blocks of bytes before they go to the sink.
class FacetBytes {
public:
    explicit FacetBytes(ByteSink& sink) : sink_(sink) { bytes_.reserve(kBlock + 64); }
    FacetBytes(const FacetBytes&) = delete;
    FacetBytes& operator=(const FacetBytes&) = delete;

    void word(uint32_t value)
    {
        char bytes[4];
        for (std::size_t k = 0; k < 4; ++k)
            bytes[k] = static_cast<char>((value >> (8 * k)) & 0xff);
        bytes_.append(bytes, 4);
    }

    void facet(const FacetCorners& corners)
    {
        const auto edge = [&](std::size_t to, std::size_t c) {
            return static_cast<double>(corners[to][c]) - static_cast<double>(corners[0][c]);
        };
        const double ux = edge(1, 0);
        const double uy = edge(1, 1);
        const double uz = edge(1, 2);
        const double vx = edge(2, 0);
        const double vy = edge(2, 1);
        const double vz = edge(2, 2);
        double nx = uy * vz - uz * vy;
        double ny = uz * vx - ux * vz;
        double nz = ux * vy - uy * vx;
        const double length = std::sqrt(nx * nx + ny * ny + nz * nz);
        if (length > 0) {
            nx /= length;
            ny /= length;
            nz /= length;
        }
        // 50 bytes: normal, corners, a zero attribute word.
        const float numbers[12] = {static_cast<float>(nx), static_cast<float>(ny), static_cast<float>(nz),
                                   corners[0][0],          corners[0][1],          corners[0][2],
                                   corners[1][0],          corners[1][1],          corners[1][2],
                                   corners[2][0],          corners[2][1],          corners[2][2]};
        char record[50] = {};
        for (std::size_t n = 0; n < 12; ++n) {
            const auto bits = std::bit_cast<uint32_t>(numbers[n]);
            for (std::size_t k = 0; k < 4; ++k)
                record[4 * n + k] = static_cast<char>((bits >> (8 * k)) & 0xff);
        }
        bytes_.append(record, sizeof record);
        if (bytes_.size() >= kBlock)
            flush();
    }

    void raw(std::string_view bytes) { bytes_.append(bytes); }

    void flush()
    {
        sink_.write(bytes_);
        bytes_.clear();
    }

private:
    static constexpr std::size_t kBlock = 1 << 20;
    ByteSink& sink_;
    std::string bytes_;
};

void check_size(uint64_t facets, const Model& model, std::string_view file_name)
{
    const uint64_t size = binary_stl_size(facets);
    if (size > model.options.MaxOutputSize)
        throw OutputTooLarge(std::string(file_name), 0,
                             output_too_large("the STL file", size, false, model.options.MaxOutputSize));
}

void write_file(ByteSink& sink, std::string_view file_name, const Model& model, const StlTemplates& templates,
                Reporter& reporter)
{
    require_shown_atoms(model);
    reporter.progress_visible(true);
    struct Hide {
        Reporter& reporter;
        ~Hide() { reporter.progress_visible(false); }
    } hide{reporter};

    std::string header(kHeader);
    header.resize(80, ' ');
    if (model.options.SolidPrint) {
        const SolidMesh mesh = solid_mesh(print_shapes(model), SolidSettings{model.options.SolidTolerance});
        check_size(mesh.triangles.size(), model, file_name);
        LimitedSink limited(sink, model.options.MaxOutputSize, std::string(file_name), "the STL file");
        FacetBytes solid(limited);
        solid.raw(header);
        solid.word(static_cast<uint32_t>(mesh.triangles.size()));
        for (const auto& t : mesh.triangles)
            solid.facet({mesh.vertices[t[0]], mesh.vertices[t[1]], mesh.vertices[t[2]]});
        solid.flush();
        return;
    }
    const TemplateFacets meshes(model, templates, false);
    const uint64_t facets = meshes.count();
    check_size(facets, model, file_name);
    LimitedSink limited(sink, model.options.MaxOutputSize, std::string(file_name), "the STL file");
    FacetBytes bytes(limited);
    bytes.raw(header);
    bytes.word(static_cast<uint32_t>(facets));
    meshes.for_each([&](const FacetCorners& corners, int32_t) { bytes.facet(corners); });
    bytes.flush();
}

}  // namespace

void write_binary_stl(ByteSink& sink, const Model& model, const StlTemplates& templates, Reporter& reporter)
{
    write_file(sink, "the STL file", model, templates, reporter);
}

void write_binary_stl(const std::string& file_name, const Model& model, const StlTemplates& templates,
                      Reporter& reporter)
{
    require_shown_atoms(model);
    AtomicFile file(file_name);
    write_file(file, file_name, model, templates, reporter);
    file.commit();
}

}  // namespace vexalith
