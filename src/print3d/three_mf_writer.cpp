#include "print3d/three_mf_writer.h"

#include <zip.h>

#include <charconv>
#include <cstring>
#include <map>
#include <unordered_map>

#include "common/atomic_file.h"
#include "common/error.h"
#include "common/output_limit.h"
#include "print3d/export_check.h"
#include "print3d/solid_mesh.h"
#include "print3d/template_facets.h"

namespace vexalith {
namespace {

constexpr const char* kContentTypes =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
    "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
    "<Default Extension=\"model\" ContentType=\"application/vnd.ms-package.3dmanufacturing-3dmodel+xml\"/>"
    "</Types>\n";

constexpr const char* kRelationships =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Target=\"/3D/3dmodel.model\" Id=\"rel0\" "
    "Type=\"http://schemas.microsoft.com/3dmanufacturing/2013/01/3dmodel\"/>"
    "</Relationships>\n";

void append_number(std::string& text, float value)
{
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    text.append(buffer, result.ptr);
}

void append_whole(std::string& text, uint64_t value)
{
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    text.append(buffer, result.ptr);
}

std::string xml_text(std::string_view text)
{
    std::string escaped;
    for (const char c : text) {
        switch (c) {
        case '&':
            escaped += "&amp;";
            break;
        case '<':
            escaped += "&lt;";
            break;
        case '>':
            escaped += "&gt;";
            break;
        case '"':
            escaped += "&quot;";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

struct CornerHash {
    std::size_t operator()(const std::array<float, 3>& p) const
    {
        std::size_t h = 0;
        for (const float c : p) {
            uint32_t bits = 0;
            std::memcpy(&bits, &c, sizeof bits);
            h = h * 1000003U ^ bits;
        }
        return h;
    }
};

// The template meshes of each colour, corners shared where they are equal.
std::vector<ThreeMfObject> template_objects(const Model& model, const StlTemplates& templates,
                                            const PrintShapes& shapes)
{
    std::vector<ThreeMfObject> objects(shapes.colours.size());
    std::vector<std::unordered_map<std::array<float, 3>, uint32_t, CornerHash>> corners(objects.size());
    TemplateFacets(model, templates, true).for_each([&](const FacetNumbers& facet, int32_t colour) {
        const auto c = static_cast<std::size_t>(colour);
        ThreeMfObject& object = objects[c];
        std::array<uint32_t, 3> triangle{};
        for (std::size_t v = 0; v < 3; ++v) {
            const auto [at, added] =
                corners[c].emplace(facet.corners[v], static_cast<uint32_t>(object.vertices.size()));
            if (added)
                object.vertices.push_back(facet.corners[v]);
            triangle[v] = at->second;
        }
        object.triangles.push_back(triangle);
    });
    return objects;
}

std::vector<ThreeMfObject> model_objects(const Model& model, const StlTemplates& templates)
{
    const PrintShapes shapes = print_shapes(model);
    std::vector<ThreeMfObject> objects;
    if (model.options.SolidPrint) {
        std::vector<SolidMesh> meshes = colour_solid_meshes(shapes, SolidSettings{model.options.SolidTolerance});
        for (std::size_t c = 0; c < meshes.size(); ++c) {
            ThreeMfObject object;
            object.vertices = std::move(meshes[c].vertices);
            object.triangles = std::move(meshes[c].triangles);
            objects.push_back(std::move(object));
        }
    } else {
        objects = template_objects(model, templates, shapes);
    }
    for (std::size_t c = 0; c < objects.size(); ++c) {
        objects[c].name = shapes.colours[c].name;
        objects[c].rgb = shapes.colours[c].rgb;
    }
    return objects;
}

void write_file(ByteSink& sink, std::string_view file_name, const Model& model, const StlTemplates& templates,
                Reporter& reporter)
{
    require_shown_atoms(model);
    const ProgressShown progress(reporter);
    const std::string package = three_mf_package(three_mf_model_text(model_objects(model, templates)));
    if (package.size() > model.options.MaxOutputSize)
        throw OutputTooLarge(std::string(file_name), 0,
                             output_too_large("the 3MF file", package.size(), false, model.options.MaxOutputSize));
    LimitedSink limited(sink, model.options.MaxOutputSize, std::string(file_name), "the 3MF file");
    limited.write(package);
}

// A zip archive in memory, closed and freed however the packing ends.
class MemoryZip {
public:
    MemoryZip()
    {
        zip_error_init(&error_);
        source_ = zip_source_buffer_create(nullptr, 0, 0, &error_);
        if (source_ == nullptr)
            fail("cannot make a zip archive in memory");
        // The archive's source must outlive zip_close, which writes to it.
        zip_source_keep(source_);
        archive_ = zip_open_from_source(source_, ZIP_TRUNCATE, &error_);
        if (archive_ == nullptr)
            fail("cannot open a zip archive in memory");
    }
    MemoryZip(const MemoryZip&) = delete;
    MemoryZip& operator=(const MemoryZip&) = delete;
    ~MemoryZip()
    {
        if (archive_ != nullptr)
            zip_discard(archive_);
        if (source_ != nullptr)
            zip_source_free(source_);
        zip_error_fini(&error_);
    }

    // `bytes` must stay unchanged until close().
    void add(const char* name, std::string_view bytes)
    {
        zip_source_t* member = zip_source_buffer(archive_, bytes.data(), bytes.size(), 0);
        if (member == nullptr)
            fail("cannot add to the zip archive");
        const zip_int64_t index = zip_file_add(archive_, name, member, ZIP_FL_ENC_UTF_8);
        if (index < 0) {
            zip_source_free(member);
            fail("cannot add to the zip archive");
        }
        zip_set_file_compression(archive_, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, 6);
    }

    std::string close()
    {
        if (zip_close(archive_) != 0)
            fail(std::string("cannot pack the 3MF file: ") + zip_strerror(archive_));
        archive_ = nullptr;
        zip_stat_t stat;
        zip_stat_init(&stat);
        if (zip_source_stat(source_, &stat) != 0 || zip_source_open(source_) != 0)
            fail("cannot read the packed 3MF file");
        std::string bytes(static_cast<std::size_t>(stat.size), '\0');
        const zip_int64_t read = zip_source_read(source_, bytes.data(), stat.size);
        zip_source_close(source_);
        if (read < 0 || static_cast<zip_uint64_t>(read) != stat.size)
            fail("cannot read the packed 3MF file");
        return bytes;
    }

private:
    [[noreturn]] static void fail(const std::string& message) { throw InputOutputError("3MF package", 0, message); }

    zip_error_t error_{};
    zip_source_t* source_ = nullptr;
    zip_t* archive_ = nullptr;
};

}  // namespace

std::string display_colour(const std::string& rgb)
{
    constexpr const char* kDigits = "0123456789ABCDEF";
    std::string text = "#";
    for (const uint8_t byte : colour_bytes(rgb)) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 15];
    }
    return text;
}

std::string three_mf_model_text(const std::vector<ThreeMfObject>& objects)
{
    std::string text =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<model unit=\"millimeter\" xml:lang=\"en-US\" "
        "xmlns=\"http://schemas.microsoft.com/3dmanufacturing/core/2015/02\">\n"
        " <metadata name=\"Application\">Vexalith</metadata>\n"
        " <resources>\n"
        "  <basematerials id=\"1\">\n";
    for (const ThreeMfObject& object : objects)
        text +=
            "   <base name=\"" + xml_text(object.name) + "\" displaycolor=\"" + display_colour(object.rgb) + "\"/>\n";
    text += "  </basematerials>\n";
    std::vector<uint64_t> ids;
    for (std::size_t n = 0; n < objects.size(); ++n) {
        const ThreeMfObject& object = objects[n];
        if (object.triangles.empty())
            continue;
        const uint64_t id = n + 2;
        ids.push_back(id);
        text += "  <object id=\"";
        append_whole(text, id);
        text += "\" name=\"" + xml_text(object.name) + "\" type=\"model\" pid=\"1\" pindex=\"";
        append_whole(text, n);
        text += "\">\n   <mesh>\n    <vertices>\n";
        for (const auto& v : object.vertices) {
            text += "     <vertex x=\"";
            append_number(text, v[0]);
            text += "\" y=\"";
            append_number(text, v[1]);
            text += "\" z=\"";
            append_number(text, v[2]);
            text += "\"/>\n";
        }
        text += "    </vertices>\n    <triangles>\n";
        for (const auto& t : object.triangles) {
            text += "     <triangle v1=\"";
            append_whole(text, t[0]);
            text += "\" v2=\"";
            append_whole(text, t[1]);
            text += "\" v3=\"";
            append_whole(text, t[2]);
            text += "\"/>\n";
        }
        text += "    </triangles>\n   </mesh>\n  </object>\n";
    }
    text += " </resources>\n <build>\n";
    for (const uint64_t id : ids) {
        text += "  <item objectid=\"";
        append_whole(text, id);
        text += "\"/>\n";
    }
    text += " </build>\n</model>\n";
    return text;
}

std::string three_mf_package(const std::string& model_text)
{
    MemoryZip zip;
    zip.add("[Content_Types].xml", kContentTypes);
    zip.add("_rels/.rels", kRelationships);
    zip.add("3D/3dmodel.model", model_text);
    return zip.close();
}

void write_three_mf(ByteSink& sink, const Model& model, const StlTemplates& templates, Reporter& reporter)
{
    write_file(sink, "the 3MF file", model, templates, reporter);
}

void write_three_mf(const std::string& file_name, const Model& model, const StlTemplates& templates, Reporter& reporter)
{
    require_shown_atoms(model);
    AtomicFile file(file_name);
    write_file(file, file_name, model, templates, reporter);
    file.commit();
}

}  // namespace vexalith
