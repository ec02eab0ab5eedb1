// "vexalith-convert FILE... -o FOLDER/": many files converted with the same
// options, each to FOLDER/NAME.wrl or FOLDER/NAME.stl, on several threads;
// with --structure all every structure of a file to its own numbered file.
// One file that fails never stops the others: each item ends converted,
// without atoms or failed, and the summary lists them in input order.
#pragma once

#include <cstddef>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/convert_command.h"
#include "common/reporter.h"

namespace vexalith {

struct BatchRequest {
    ConvertRequest convert;  // the options of every item; input, output and structure set per item
    std::vector<std::string> inputs;
    std::string output;  // a folder, or with one input and all structures a file
    bool output_is_folder = false;
    bool all_structures = false;  // --structure all
    unsigned jobs = 1;            // conversions at the same time
};

// One output to write: a file, or one structure of it.
struct BatchItem {
    std::string input;
    std::string output;
    std::optional<int32_t> structure;  // --structure N for this item
    bool numbered = false;             // one of several structures of its file
};

enum class ItemOutcome { Converted, NoAtoms, Failed };

struct ItemResult {
    ItemOutcome outcome = ItemOutcome::Failed;
    std::string message;                // "file:line: text" (without line when there is none); empty when converted
    std::vector<std::string> warnings;  // about the input, "file:line: text" each
};

struct BatchResult {
    std::vector<ItemResult> items;  // in the order of the plan
    std::size_t count(ItemOutcome outcome) const;
};

// Whether the output names a folder: it ends in '/' or is one.
bool output_names_folder(const std::string& output);

// The processor count of the machine, at least 1.
unsigned default_jobs();

// The outputs to write, in input order and structure by structure.  With
// all structures, a file with two or more structures gives one item per
// structure, numbered from 1; a file with fewer (or one that cannot be
// read now: its conversion will say why) gives one item converted as
// without --structure.  Throws RequestError for several inputs without a
// folder, an output kind that cannot be told, or two items with the same
// output.
std::vector<BatchItem> plan_batch(const BatchRequest& request);

// Plans, creates the folder (one level) when it is missing, and converts
// every item; `progress` counts the items done.  Throws RequestError as
// plan_batch, and InputOutputError when the folder cannot be created or the
// STL templates cannot be read, before anything is converted.
BatchResult run_batch(const BatchRequest& request, Reporter& progress);

// Standard error's summary: the warnings of every item and a line per item
// without atoms or failed, in input order, then the counts.  Every line
// begins "vexalith-convert: ".
void write_summary(const BatchResult& result, std::ostream& out);

}  // namespace vexalith
