#include "print3d/binary_stl_writer.h"

#include <bit>
#include <cstring>

#include "common/atomic_file.h"
#include "common/ordered_blocks.h"
#include "common/output_limit.h"
#include "print3d/export_check.h"
#include "print3d/solid_mesh.h"
#include "print3d/template_facets.h"

namespace vexalith {
namespace {

constexpr std::string_view kHeader = "Vexalith binary STL, millimetres";
constexpr std::size_t kRecord = 50;

void put_word(char* at, uint32_t value)
{
    if constexpr (std::endian::native == std::endian::big)
        value = (value >> 24) | ((value >> 8) & 0xff00U) | ((value << 8) & 0xff0000U) | (value << 24);
    std::memcpy(at, &value, 4);
}

// Facet records gathered in a batch of a megabyte or more, which the
// output hands on without copying it.
class FacetRecords {
public:
    static constexpr std::size_t kBatch = (TextOutput::kFlushSize / kRecord + 1) * kRecord;

    // `batch` is the room, kept for the next records of the same thread.
    FacetRecords(TextOutput& out, std::string& batch) : out_(out), batch_(batch) { batch_.resize(kBatch); }
    FacetRecords(const FacetRecords&) = delete;
    FacetRecords& operator=(const FacetRecords&) = delete;

    // 50 bytes: normal, corners, a zero attribute word.
    void add(const FacetNumbers& facet)
    {
        char* record = batch_.data() + size_;
        for (std::size_t c = 0; c < 3; ++c)
            put_word(record + 4 * c, std::bit_cast<uint32_t>(facet.normal[c]));
        for (std::size_t v = 0; v < 3; ++v)
            for (std::size_t c = 0; c < 3; ++c)
                put_word(record + 12 + 12 * v + 4 * c, std::bit_cast<uint32_t>(facet.corners[v][c]));
        record[48] = 0;
        record[49] = 0;
        size_ += kRecord;
        if (size_ == kBatch)
            flush();
    }

    void flush()
    {
        out_ << std::string_view(batch_.data(), size_);
        size_ = 0;
    }

private:
    TextOutput& out_;
    std::string& batch_;
    std::size_t size_ = 0;
};

void check_size(uint64_t facets, const Model& model, std::string_view file_name)
{
    const uint64_t size = binary_stl_size(facets);
    if (size > model.options.MaxOutputSize)
        throw OutputTooLarge(std::string(file_name), 0,
                             output_too_large("the STL file", size, false, model.options.MaxOutputSize));
}

void write_start(TextOutput& out, uint64_t facets)
{
    std::string start(kHeader);
    start.resize(84, ' ');
    put_word(start.data() + 80, static_cast<uint32_t>(facets));
    out << start;
}

void write_file(ByteSink& sink, std::string_view file_name, const Model& model, const StlTemplates& templates,
                Reporter& reporter)
{
    require_shown_atoms(model);
    const ProgressShown progress(reporter);

    if (model.options.SolidPrint) {
        const SolidMesh mesh = solid_mesh(print_shapes(model), SolidSettings{model.options.SolidTolerance});
        check_size(mesh.triangles.size(), model, file_name);
        LimitedSink limited(sink, model.options.MaxOutputSize, std::string(file_name), "the STL file");
        TextOutput out(limited);
        write_start(out, mesh.triangles.size());
        std::string batch;
        FacetRecords records(out, batch);
        for (const auto& t : mesh.triangles) {
            FacetNumbers facet;
            facet.corners = {mesh.vertices[t[0]], mesh.vertices[t[1]], mesh.vertices[t[2]]};
            facet.normal = facet_normal(facet.corners);
            records.add(facet);
        }
        records.flush();
        out.flush();
        return;
    }
    const TemplateFacets meshes(model, templates, false);
    const uint64_t facets = meshes.count();
    check_size(facets, model, file_name);
    LimitedSink limited(sink, model.options.MaxOutputSize, std::string(file_name), "the STL file");
    TextOutput out(limited);
    write_start(out, facets);
    // A block of 256 spheres is at most some 4 MB of records; the blocks
    // are made on two threads (each with its own batch) and written in order.
    constexpr std::size_t kShapes = 256;
    const std::size_t shapes = meshes.shape_count();
    const std::size_t blocks = model.options.SingleThreadWriters ? 1 : block_count(shapes, kShapes, 4 * kShapes);
    const std::size_t per_block = blocks <= 1 ? shapes : kShapes;
    std::string caller_batch;
    std::string helper_batch;
    write_blocks_in_order(
        out, blocks,
        [&](TextOutput& to, std::size_t block, bool on_caller) {
            FacetRecords records(to, on_caller ? caller_batch : helper_batch);
            meshes.for_each(block * per_block, (block + 1) * per_block,
                            [&](const FacetNumbers& facet, int32_t) { records.add(facet); });
            records.flush();
        },
        [](std::size_t) {});
    out.flush();
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
