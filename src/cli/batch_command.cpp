#include "cli/batch_command.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <new>
#include <thread>

#include "cli/distinct_warnings.h"
#include "cli/output_naming.h"
#include "cli/parallel_work.h"
#include "common/error.h"
#include "convert/draw_model.h"
#include "print3d/stl_templates.h"
#include "structure/structure_count.h"
#include "structure/text_file.h"

namespace vexalith {
namespace {

// The kind every item is written as: --format, or scene for a folder;
// for a single output file, as the file's name says.
OutputFormat batch_format(const BatchRequest& request)
{
    if (request.output_is_folder)
        return request.convert.format.value_or(OutputFormat::Scene);
    ConvertRequest named = request.convert;
    named.output = request.output;
    return output_format(named);
}

std::string extension_of(OutputFormat format)
{
    if (format == OutputFormat::ThreeMf)
        return "3mf";
    return is_mesh_format(format) ? "stl" : "wrl";
}

// The structure count of every input (0 for a VRML input and for a file
// that cannot be read now).
std::vector<int32_t> structure_counts(const BatchRequest& request)
{
    std::vector<int32_t> counts(request.inputs.size(), 0);
    run_in_parallel(counts.size(), request.jobs, [&](std::size_t k) {
        const std::string& input = request.inputs[k];
        if (is_vrml_file(input))
            return;
        try {
            counts[k] = count_structures(read_text_file(input));
        } catch (...) {
            counts[k] = 0;  // its conversion reports the failure
        }
    });
    return counts;
}

// " (structure 3)" for one of several structures of a file.
std::string structure_note(const BatchItem& item)
{
    return item.numbered ? " (structure " + std::to_string(*item.structure) + ")" : "";
}

void refuse_clashes(const std::vector<BatchItem>& items)
{
    std::vector<std::string> outputs;
    outputs.reserve(items.size());
    for (const BatchItem& item : items)
        outputs.push_back(item.output);
    if (const auto clash = first_clash(outputs)) {
        const BatchItem& first = items[clash->first];
        const BatchItem& second = items[clash->second];
        throw RequestError(first.output + " would be written twice, for " + first.input + structure_note(first) +
                           " and for " + second.input + structure_note(second) +
                           ": convert such files into different folders");
    }
}

// Creates the folder (not its parents) unless it is there.
void make_folder(const std::string& folder)
{
    std::error_code ignored;
    if (std::filesystem::is_directory(folder, ignored))
        return;
    if (::mkdir(folder.c_str(), 0777) == 0)
        return;
    const int error = errno;
    if (error == EEXIST && std::filesystem::is_directory(folder, ignored))
        return;  // made by someone else meanwhile
    throw InputOutputError(folder, 0, std::string("cannot create the folder: ") + std::strerror(error));
}

ItemResult unsuccessful(const BatchItem& item, ItemOutcome outcome, const std::string& message)
{
    return {outcome, message + structure_note(item), {}};
}

std::string error_message(const BatchItem& item, const Error& error)
{
    if (error.file().empty())
        return format_error_message(item.input, error.line(), error.text());
    return error.what();
}

// Keeps a conversion's warnings for the summary.
class WarningList : public Reporter {
public:
    void warning(std::string_view message) override { warnings.add(message); }
    DistinctWarnings warnings;
};

ItemResult convert_item_or_fail(const BatchItem& item, const ConvertRequest& common, const StlTemplates* templates,
                                Reporter& reporter)
{
    try {
        ConvertRequest request = common;
        request.input = item.input;
        request.output = item.output;
        request.structure = item.structure;
        run_convert(request, templates, reporter);
        return {ItemOutcome::Converted, {}, {}};
    } catch (const NoAtomsFound& e) {
        return unsuccessful(item, ItemOutcome::NoAtoms, error_message(item, e));
    } catch (const Error& e) {
        return unsuccessful(item, ItemOutcome::Failed, error_message(item, e));
    } catch (const std::bad_alloc&) {
        return unsuccessful(item, ItemOutcome::Failed, item.input + ": not enough memory for this structure");
    } catch (const std::exception& e) {
        return unsuccessful(item, ItemOutcome::Failed, item.input + ": " + e.what());
    } catch (...) {
        return unsuccessful(item, ItemOutcome::Failed, item.input + ": the conversion failed");
    }
}

// Converts one item; whatever goes wrong becomes its result.
ItemResult convert_item(const BatchItem& item, const ConvertRequest& common, const StlTemplates* templates)
{
    WarningList reporter;
    ItemResult result = convert_item_or_fail(item, common, templates, reporter);
    result.warnings = reporter.warnings.messages();
    return result;
}

}  // namespace

std::size_t BatchResult::count(ItemOutcome outcome) const
{
    return static_cast<std::size_t>(
        std::count_if(items.begin(), items.end(), [&](const ItemResult& item) { return item.outcome == outcome; }));
}

bool output_names_folder(const std::string& output)
{
    std::error_code ignored;
    return spelled_as_folder(output) || std::filesystem::is_directory(output, ignored);
}

unsigned default_jobs() { return std::max(1u, std::thread::hardware_concurrency()); }

std::vector<BatchItem> plan_batch(const BatchRequest& request)
{
    if (request.inputs.size() > 1 && !request.output_is_folder)
        throw RequestError("-o " + request.output +
                           ": several input files are written into a folder; end its name with / (it is created "
                           "when missing)");
    const std::string extension = extension_of(batch_format(request));
    const std::vector<int32_t> counts =
        request.all_structures ? structure_counts(request) : std::vector<int32_t>(request.inputs.size(), 0);

    std::vector<BatchItem> items;
    for (std::size_t k = 0; k < request.inputs.size(); ++k) {
        const std::string& input = request.inputs[k];
        const std::string output =
            request.output_is_folder ? path_in_folder(request.output, output_stem(input), extension) : request.output;
        if (counts[k] < 2) {
            items.push_back({input, output, request.convert.structure, false});
            continue;
        }
        for (int32_t structure = 1; structure <= counts[k]; ++structure)
            items.push_back({input, numbered_path(output, structure), structure, true});
    }
    refuse_clashes(items);
    return items;
}

BatchResult run_batch(const BatchRequest& request, Reporter& progress)
{
    const std::vector<BatchItem> items = plan_batch(request);
    ConvertRequest common = request.convert;
    common.format = batch_format(request);
    // Several conversions at once fill the cores already.
    common.single_thread_writers = std::min<std::size_t>(request.jobs, items.size()) > 1;

    std::optional<StlTemplates> templates;
    if (is_mesh_format(*common.format))
        templates = load_stl_templates(common.data_folder);
    if (request.output_is_folder)
        make_folder(request.output);

    BatchResult result;
    result.items.resize(items.size());
    std::mutex progress_mutex;
    long long done = 0;
    progress.progress_maximum(static_cast<long long>(items.size()));
    progress.progress_visible(true);
    progress.progress_position(0);
    run_in_parallel(items.size(), request.jobs, [&](std::size_t k) {
        result.items[k] = convert_item(items[k], common, templates ? &*templates : nullptr);
        const std::lock_guard lock(progress_mutex);
        progress.progress_position(++done);
    });
    progress.progress_visible(false);
    return result;
}

void write_summary(const BatchResult& result, std::ostream& out)
{
    for (const ItemResult& item : result.items) {
        for (const std::string& warning : item.warnings)
            out << "vexalith-convert: warning: " << warning << '\n';
        if (item.outcome != ItemOutcome::Converted)
            out << "vexalith-convert: " << item.message << '\n';
    }
    out << "vexalith-convert: " << result.count(ItemOutcome::Converted) << " converted, "
        << result.count(ItemOutcome::NoAtoms) << " with no atoms, " << result.count(ItemOutcome::Failed) << " failed\n";
}

}  // namespace vexalith
