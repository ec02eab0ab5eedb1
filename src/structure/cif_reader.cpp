#include "structure/cif_reader.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "common/error.h"
#include "common/rounding.h"
#include "structure/cell_geometry.h"
#include "structure/cif_header.h"
#include "structure/cif_line_cursor.h"
#include "structure/cif_tokens.h"
#include "structure/decimal_symbol.h"
#include "structure/ensemble_models.h"
#include "structure/structure_count.h"
#include "structure/symmetry_reader.h"

namespace vexalith {
namespace {

constexpr std::size_t kNoPosition = std::numeric_limits<std::size_t>::max();

// Where the rows of the atom loop start, and the codes of its columns.  A
// single atom written as tag-value pairs instead of a loop is one row whose
// values were collected from the tag lines.
struct AtomLoop {
    std::vector<ColumnCode> codes;
    std::size_t first_row_position = kNoPosition;
    long long lines_before_first_row = 0;
    bool key_value = false;
    std::vector<std::string> key_values;
    std::vector<long long> key_value_lines;
};

bool is_atom_loop_tag(std::string_view tag)
{
    return tag == "_atom_site_fract_x" || tag == "_atom_site.Cartn_x" || tag == "_chem_comp_atom.model_Cartn_x" ||
           tag == "_chem_comp_atom.x";
}

bool is_type_symbol_tag(std::string_view tag) { return tag.find("type_symbol") != std::string_view::npos; }

}  // namespace

std::optional<FileKind> detect_file_kind(std::string_view text)
{
    LineCursor cursor(text);
    std::string_view line;
    while (cursor.next(line))
        if (auto kind = coordinate_tag_kind(line))
            return kind;
    return std::nullopt;
}

namespace {

AtomLoop read_loop_header(std::string_view text, std::size_t position, long long lines_before)
{
    AtomLoop loop;
    LineCursor cursor(text);
    cursor.seek(position, lines_before);
    bool seen_type_symbol = false;
    std::string_view line;
    for (;;) {
        const std::size_t here = cursor.position();
        const long long before = cursor.line_number();
        if (!cursor.next(line))
            break;
        const std::string_view text_part = trim_left(line);
        if (text_part.empty() || text_part.front() == '#')
            continue;
        if (text_part.front() != '_') {
            loop.first_row_position = here;
            loop.lines_before_first_row = before;
            break;
        }
        const std::string_view tag = first_word(text_part);
        loop.codes.push_back(column_code(tag, seen_type_symbol));
        seen_type_symbol = seen_type_symbol || is_type_symbol_tag(tag);
    }
    return loop;
}

std::string_view tag_category(std::string_view tag)
{
    const std::size_t dot = tag.find('.');
    if (dot != std::string_view::npos)
        return tag.substr(0, dot + 1);
    return "_atom_site_";
}

AtomLoop read_key_values(std::string_view text, std::size_t position, long long lines_before, std::string_view category)
{
    AtomLoop loop;
    loop.key_value = true;
    LineCursor cursor(text);
    cursor.seek(position, lines_before);
    RowSplitter splitter;
    bool seen_type_symbol = false;
    std::string_view line;
    while (cursor.next(line)) {
        const std::string_view text_part = trim_left(line);
        if (text_part.empty() || text_part.front() != '_')
            break;
        const std::string_view tag = first_word(text_part);
        if (!tag.starts_with(category))
            continue;
        const auto& tokens = splitter.split_first(text_part, 2);
        const bool has_value = tokens.size() >= 2;
        loop.codes.push_back(has_value ? column_code(tag, seen_type_symbol) : ColumnCode::Skip);
        loop.key_values.emplace_back(has_value ? tokens[1] : std::string_view());
        loop.key_value_lines.push_back(cursor.line_number());
        seen_type_symbol = seen_type_symbol || is_type_symbol_tag(tag);
    }
    return loop;
}

// Finds the atom loop of the selected structure: the first coordinate tag
// line after the block start, and the loop (or tag-value group) it belongs to.
// The whole loop is searched from the block start on, so a loop that opens
// on the file's first line is found too.
std::optional<AtomLoop> find_atom_loop(std::string_view text, long long block_lines)
{
    LineCursor cursor(text);
    cursor.skip(block_lines);
    std::size_t loop_position = kNoPosition;
    long long loop_lines = 0;
    bool in_loop_header = false;
    std::size_t run_position = kNoPosition;
    long long run_lines = 0;
    std::string_view line;
    for (;;) {
        const std::size_t here = cursor.position();
        const long long before = cursor.line_number();
        if (!cursor.next(line))
            return std::nullopt;
        const std::string_view text_part = trim_left(line);
        if (is_loop_start(text_part)) {
            loop_position = cursor.position();
            loop_lines = cursor.line_number();
            in_loop_header = true;
            run_position = kNoPosition;
            continue;
        }
        if (text_part.empty() || text_part.front() == '#') {
            run_position = kNoPosition;
            continue;
        }
        if (text_part.front() == '_') {
            if (run_position == kNoPosition) {
                run_position = here;
                run_lines = before;
            }
            const std::string_view tag = first_word(text_part);
            if (is_atom_loop_tag(tag)) {
                if (in_loop_header)
                    return read_loop_header(text, loop_position, loop_lines);
                return read_key_values(text, run_position, run_lines, tag_category(tag));
            }
            continue;
        }
        in_loop_header = false;
        run_position = kNoPosition;
    }
}

// The rows of a loop, read with the comment rule, up to the line that ends it.
class RowWalker {
public:
    RowWalker(std::string_view text, const AtomLoop& loop) : cursor_(text)
    {
        cursor_.seek(loop.first_row_position, loop.lines_before_first_row);
    }

    bool next(std::string_view& line)
    {
        const bool got = first_ ? cursor_.next(line) : cursor_.next_skipping_comment(line);
        first_ = false;
        return got && !is_loop_end(line);
    }

    long long line_number() const { return cursor_.line_number(); }

private:
    LineCursor cursor_;
    bool first_ = true;
};

[[noreturn]] void float_error(const Structure& structure, long long line, std::string_view token)
{
    throw ConversionError(structure.FileName, line, "'" + std::string(token) + "' is not a valid floating point value");
}

[[noreturn]] void integer_error(const Structure& structure, long long line, std::string_view token)
{
    throw ConversionError(structure.FileName, line, "'" + std::string(token) + "' is not a valid integer value");
}

char ascii_upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Element symbol from a label or type symbol: digits, blanks and charge signs
// dropped, upper case ("C12A" -> "CA", "Cl1" -> "CL", "O2-" -> "O").
std::string symbol_text(std::string_view token)
{
    std::string out;
    for (char c : token)
        if (!is_digit(c) && c != ' ' && c != '+' && c != '-')
            out.push_back(ascii_upper(c));
    return out;
}

// Residue name: digits and blanks dropped, upper case ("0G7" -> "G").
std::string residue_text(std::string_view token)
{
    std::string out;
    for (char c : token)
        if (!is_digit(c) && c != ' ')
            out.push_back(ascii_upper(c));
    return out;
}

// The digits and full stops of a token, with minus signs too when asked.
std::string keep_number_chars(std::string_view token, bool minus)
{
    std::string out;
    for (char c : token)
        if (is_digit(c) || c == '.' || (minus && c == '-'))
            out.push_back(c);
    return out;
}

// The values carried from one row to the next: a short row that lacks a
// column keeps the previous row's coordinates and part.
struct Carried {
    long double x = 0, y = 0, z = 0, part = 0;
};

class RowParser {
public:
    RowParser(const Structure& structure, std::vector<ColumnCode> codes) : model_(structure), codes_(std::move(codes))
    {
    }

    // Applies the codes to the tokens of one row; `line_of(c)` gives the line
    // of token c for messages.
    template <typename LineOf>
    void parse(const std::vector<std::string_view>& tokens, LineOf line_of)
    {
        symbol.clear();
        residue.clear();
        seq_id = 0;
        const std::size_t count = std::min(codes_.size(), tokens.size());
        for (std::size_t c = 0; c < count; ++c) {
            const std::string_view token = tokens[c];
            switch (codes_[c]) {
            case ColumnCode::Skip:
            case ColumnCode::ModelNumber:
            case ColumnCode::IdealX:
            case ColumnCode::IdealY:
            case ColumnCode::IdealZ:
                break;
            case ColumnCode::Symbol:
                symbol = symbol_text(token);
                break;
            case ColumnCode::Residue:
                residue = residue_text(token);
                break;
            case ColumnCode::X:
                carried.x = coordinate(token, line_of(c));
                break;
            case ColumnCode::Y:
                carried.y = coordinate(token, line_of(c));
                break;
            case ColumnCode::Z:
                carried.z = coordinate(token, line_of(c));
                break;
            case ColumnCode::Part:
                carried.part = part(token, line_of(c));
                break;
            case ColumnCode::SeqId:
                seq_id = sequence_number(token, line_of(c));
                break;
            }
        }
    }

    Carried carried;
    std::string symbol;
    std::string residue;
    int32_t seq_id = 0;

private:
    long double coordinate(std::string_view token, long long line) const
    {
        const auto value = text_to_float(token);
        if (!value)
            float_error(model_, line, token);
        return *value;
    }

    long double part(std::string_view token, long long line) const
    {
        const std::string kept = keep_number_chars(token, true);
        if (kept == ".")
            return 0;
        const auto value = text_to_int(kept);
        if (!value || *value == std::numeric_limits<int32_t>::min())
            integer_error(model_, line, token);
        return static_cast<long double>(std::abs(*value));
    }

    int32_t sequence_number(std::string_view token, long long line) const
    {
        std::string kept = keep_number_chars(token, false);
        if (kept == ".")
            kept = "0";
        const auto value = text_to_int(kept);
        if (!value)
            integer_error(model_, line, token);
        // The residue table has a row for every number up to the largest.
        if (*value > kLargestSequenceNumber)
            throw RangeError(model_.FileName, line,
                             "sequence number " + std::to_string(*value) + " is larger than " +
                                 std::to_string(kLargestSequenceNumber));
        return *value;
    }

    const Structure& model_;
    std::vector<ColumnCode> codes_;
};

// ---------------------------------------------------------------------------
// Cell

struct CellTag {
    std::string_view tag;
    std::size_t column;  // 1-based column where the value starts
    long double Structure::*value;
};

constexpr std::array<CellTag, 6> kCellTags{{
    {"_cell_length_a", 15, &Structure::CellA},
    {"_cell_length_b", 15, &Structure::CellB},
    {"_cell_length_c", 15, &Structure::CellC},
    {"_cell_angle_alpha", 18, &Structure::CellAlpha},
    {"_cell_angle_beta", 17, &Structure::CellBeta},
    {"_cell_angle_gamma", 18, &Structure::CellGamma},
}};

std::string number_text(long double value)
{
    char buffer[64];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(value)).ptr;
    return std::string(buffer, end);
}

// Reads the six cell values of the selected structure; a tag that is not
// found leaves its value as it was.  Returns the line of _cell_length_a (0
// when not found).
long long read_cell(std::string_view text, long long block_lines, Structure& structure)
{
    long long first_line = 0;
    for (std::size_t i = 0; i < kCellTags.size(); ++i) {
        const CellTag& cell = kCellTags[i];
        LineCursor cursor(text);
        cursor.skip(i == 0 ? block_lines : std::max(block_lines, 1LL));
        std::string_view line;
        bool found = false;
        while (cursor.next_skipping_comment(line))
            if (line.find(cell.tag) != std::string_view::npos) {
                found = true;
                break;
            }
        if (!found)
            continue;
        std::string_view value = cell.column - 1 < line.size() ? line.substr(cell.column - 1) : std::string_view();
        const std::size_t paren = line.find('(');
        if (paren != std::string_view::npos)
            value = paren >= cell.column - 1 ? value.substr(0, paren - (cell.column - 1)) : std::string_view();
        const auto number = text_to_float(value);
        if (!number)
            float_error(structure, cursor.line_number(), value);
        structure.*cell.value = *number;
        if (i == 0)
            first_line = cursor.line_number();
    }
    return first_line;
}

InvalidCellError invalid_cell(const Structure& structure, long long line, const std::string& problem)
{
    return InvalidCellError(structure.FileName, line,
                            "invalid cell (" + problem + "): a = " + number_text(structure.CellA) +
                                ", b = " + number_text(structure.CellB) + ", c = " + number_text(structure.CellC) +
                                ", alpha = " + number_text(structure.CellAlpha) + ", beta = " +
                                number_text(structure.CellBeta) + ", gamma = " + number_text(structure.CellGamma));
}

// ---------------------------------------------------------------------------
// Atom rows

bool has_ideal_columns(const std::vector<ColumnCode>& codes)
{
    return std::find(codes.begin(), codes.end(), ColumnCode::IdealX) != codes.end();
}

// Counts the rows of the loop that are read: those of the chosen model when
// the loop holds an ensemble, else all.  For a chemical component that gives
// ideal coordinates as well, also decides which coordinates to read: the
// ideal ones when the model coordinates hold "?" and the ideal ones are all
// numbers.
struct RowSurvey {
    long long rows = 0;
    bool use_ideal = false;
    int32_t models = 1;
};

RowSurvey survey_rows(std::string_view text, const AtomLoop& loop, int32_t model_index)
{
    RowSurvey survey;
    if (loop.key_value) {
        survey.rows = 1;
        return survey;
    }
    const bool ideal = has_ideal_columns(loop.codes);
    EnsembleModels models(loop.codes);
    const std::size_t wanted = ideal ? loop.codes.size() : models.values_needed();
    bool model_unknown = false;
    bool ideal_numeric = true;
    RowWalker rows(text, loop);
    RowSplitter splitter;
    std::string_view line;
    while (rows.next(line)) {
        if (wanted == 0) {
            ++survey.rows;
            continue;
        }
        const auto& tokens = splitter.split_first(line, wanted);
        const int32_t structure = models.model_of(tokens);
        if (model_index == kAllModels || structure == model_index)
            ++survey.rows;
        if (!ideal)
            continue;
        for (std::size_t c = 0; c < std::min(tokens.size(), loop.codes.size()); ++c) {
            switch (loop.codes[c]) {
            case ColumnCode::X:
            case ColumnCode::Y:
            case ColumnCode::Z:
                model_unknown = model_unknown || tokens[c] == "?";
                break;
            case ColumnCode::IdealX:
            case ColumnCode::IdealY:
            case ColumnCode::IdealZ:
                ideal_numeric = ideal_numeric && text_to_float(tokens[c]).has_value();
                break;
            default:
                break;
            }
        }
    }
    survey.use_ideal = ideal && model_unknown && ideal_numeric;
    survey.models = models.count();
    return survey;
}

std::vector<ColumnCode> coordinate_codes(std::vector<ColumnCode> codes, bool use_ideal)
{
    for (ColumnCode& code : codes) {
        switch (code) {
        case ColumnCode::X:
        case ColumnCode::Y:
        case ColumnCode::Z:
            if (use_ideal)
                code = ColumnCode::Skip;
            break;
        case ColumnCode::IdealX:
            code = use_ideal ? ColumnCode::X : ColumnCode::Skip;
            break;
        case ColumnCode::IdealY:
            code = use_ideal ? ColumnCode::Y : ColumnCode::Skip;
            break;
        case ColumnCode::IdealZ:
            code = use_ideal ? ColumnCode::Z : ColumnCode::Skip;
            break;
        default:
            break;
        }
    }
    return codes;
}

// The new atom table, built aside and moved into the model when complete.
struct AtomTable {
    std::vector<std::string> symbols;
    std::vector<AtomCoordRecord> coords;
    std::vector<std::string> residues;
    std::vector<int32_t> seq_ids;
    // The model of each atom, kept only when several models are read.
    std::vector<int32_t> models;
    int32_t max_part = 0;
    int32_t max_seq_id = 1;
    Vec3 sums{0, 0, 0};

    explicit AtomTable(std::size_t atoms)
        : symbols(atoms + 1), coords(atoms + 1), residues(atoms + 1), seq_ids(atoms + 1, 0)
    {
    }

    void keep_models() { models.assign(symbols.size(), 0); }

    void store(std::size_t n, RowParser& row)
    {
        symbols[n] = std::move(row.symbol);
        residues[n] = std::move(row.residue);
        seq_ids[n] = row.seq_id;
        coords[n] = AtomCoordRecord{row.carried.x, row.carried.y, row.carried.z, row.carried.part};
        sums[0] += row.carried.x;
        sums[1] += row.carried.y;
        sums[2] += row.carried.z;
        max_part = std::max(max_part, static_cast<int32_t>(row.carried.part));
        max_seq_id = std::max(max_seq_id, row.seq_id);
    }
};

// Rows with fewer values than the loop has columns (a file cut off in the
// middle of a row, or a row broken over two lines): they are read as they
// stand, and the first one is named in a warning.
struct ShortRows {
    long long count = 0;
    long long first_line = 0;
    std::size_t first_values = 0;

    void note(std::size_t values, long long line)
    {
        if (count++ == 0) {
            first_line = line;
            first_values = values;
        }
    }
};

std::string short_rows_warning(const ShortRows& rows, std::size_t columns)
{
    std::string text = "a row with " + std::to_string(rows.first_values) + " values where the loop has " +
                       std::to_string(columns) + " columns";
    if (rows.count > 1)
        text += " (the first of " + std::to_string(rows.count) + " such rows)";
    return text + " is read as it stands; the file may be cut off or a row broken over two lines";
}

void read_rows(std::string_view text, const AtomLoop& loop, const std::vector<ColumnCode>& codes, int32_t model_index,
               const Structure& structure, AtomTable& table, Reporter& reporter)
{
    RowParser row(structure, codes);
    if (loop.key_value) {
        std::vector<std::string_view> tokens(loop.key_values.begin(), loop.key_values.end());
        reporter.progress_position(0);
        row.parse(tokens, [&](std::size_t c) { return loop.key_value_lines[c]; });
        table.store(1, row);
        return;
    }
    RowWalker rows(text, loop);
    RowSplitter splitter;
    EnsembleModels models(codes);
    const bool one_model = models.has_column() && model_index != kAllModels;
    const bool every_model = !table.models.empty() && models.has_column();
    ShortRows short_rows;
    std::string_view line;
    std::size_t n = 0;
    const std::size_t last = table.coords.size() - 1;
    while (n < last && rows.next(line)) {
        const long long line_number = rows.line_number();
        if (one_model && models.model_of(splitter.split_first(line, models.values_needed())) != model_index)
            continue;
        const auto& tokens = splitter.split_first(line, codes.size());
        if (tokens.size() < codes.size())
            short_rows.note(tokens.size(), line_number);
        ++n;
        if (every_model)
            table.models[n] = models.model_of(tokens);
        reporter.progress_position(static_cast<long long>(n) - 1);
        row.parse(tokens, [line_number](std::size_t) { return line_number; });
        table.store(n, row);
    }
    if (short_rows.count > 0)
        reporter.warning(format_error_message(structure.FileName, short_rows.first_line,
                                              short_rows_warning(short_rows, codes.size())));
}

// Centres every atom on the centroid, turns fractional positions into
// Cartesian ones and stores them in the scene frame; returns the extent.
// Throws RangeError for a position that long double cannot hold (a sum of
// huge coordinates, or the matrix of a cell of 1e4000 angstrom).
long double place_atoms(const Structure& structure, AtomTable& table, const Vec3& centroid, bool fractional)
{
    long double extent = 1.0L;
    for (std::size_t n = 1; n < table.coords.size(); ++n) {
        AtomCoordRecord& atom = table.coords[n];
        Vec3 p{atom.x - centroid[0], atom.y - centroid[1], atom.z - centroid[2]};
        if (fractional)
            p = FracToCart(structure, p);
        if (!std::isfinite(p[0]) || !std::isfinite(p[1]) || !std::isfinite(p[2]))
            throw RangeError(structure.FileName, 0,
                             "the position of atom " + std::to_string(n) + " is too large to be placed");
        atom.x = -p[1];
        atom.y = p[2];
        atom.z = -p[0];
        extent = std::max({extent, std::fabs(p[0]), std::fabs(p[1]), std::fabs(p[2])});
    }
    return extent;
}

long long progress_maximum(long long atoms, bool helices)
{
    if (helices)
        return static_cast<long long>(round_half_even(2.0L * static_cast<long double>(atoms) / 3.0L));
    return 3 * atoms;
}

}  // namespace

void read_structure(std::string_view text, const ReadRequest& request, Structure& structure, Reporter& reporter)
{
    // Cell values the file does not give keep those read before.
    Structure read;
    read.CellA = structure.CellA, read.CellB = structure.CellB, read.CellC = structure.CellC;
    read.CellAlpha = structure.CellAlpha, read.CellBeta = structure.CellBeta, read.CellGamma = structure.CellGamma;
    read.FracMatrix = structure.FracMatrix;
    read.OrthoMatrix = structure.OrthoMatrix;
    structure = std::move(read);
    structure.FileName = std::string(request.file_name);
    structure.ModelCount = 1;

    const auto kind = detect_file_kind(text);
    if (!kind)
        return;
    structure.ProteinFile = *kind == FileKind::Macromolecular;
    structure.ChemCompFile = *kind == FileKind::ChemicalComponent;

    const long long block_lines = block_start_lines(text, request.structure_index);
    const bool small_molecule = *kind == FileKind::SmallMolecule;
    if (small_molecule) {
        const long long cell_line = read_cell(text, block_lines, structure);
        if (const auto problem = cell_problem(structure))
            throw invalid_cell(structure, cell_line, *problem);
        SetupCellMatrices(structure);
    }

    const auto loop = find_atom_loop(text, block_lines);
    if (!loop || (!loop->key_value && loop->first_row_position == kNoPosition))
        return;
    if (small_molecule)
        read_symmetry(text, loop->key_value ? loop->key_value_lines.front() : loop->lines_before_first_row + 1,
                      structure);
    const RowSurvey survey = survey_rows(text, *loop, request.model_index);
    structure.ModelCount = survey.models;
    if (request.model_index < 0 || request.model_index > survey.models) {
        throw SelectionError(structure.FileName, 0,
                             "there is no model " + std::to_string(request.model_index) + ": the file holds " +
                                 std::to_string(survey.models) + (survey.models == 1 ? " model" : " models"));
    }
    if (survey.rows == 0)
        return;
    if (survey.rows > std::numeric_limits<int32_t>::max() - 1)
        throw ConversionError(structure.FileName, 0, "too many atoms");

    const auto atoms = static_cast<std::size_t>(survey.rows);
    reporter.progress_maximum(progress_maximum(survey.rows, request.backbone_trace_follows));
    reporter.progress_visible(true);

    AtomTable table(atoms);
    if (request.model_index == kAllModels && survey.models > 1)
        table.keep_models();
    read_rows(text, *loop, coordinate_codes(loop->codes, survey.use_ideal), request.model_index, structure, table,
              reporter);
    const long double count = static_cast<long double>(atoms);
    const Vec3 centroid{table.sums[0] / count, table.sums[1] / count, table.sums[2] / count};
    const long double extent = place_atoms(structure, table, centroid, small_molecule);

    structure.AtomSymbol = std::move(table.symbols);
    structure.AtomCoord = std::move(table.coords);
    structure.AtomResidue = std::move(table.residues);
    structure.AtomSeqId = std::move(table.seq_ids);
    structure.AtomModel = std::move(table.models);
    structure.AtomsRead = static_cast<int32_t>(atoms);
    structure.AtomCount = structure.AtomsRead;
    structure.Centroid = centroid;
    structure.ModelExtent = extent;
    structure.MaxPart = table.max_part;
    structure.MaxSeqId = table.max_seq_id;
    structure.ResidueTable.assign(static_cast<std::size_t>(structure.MaxSeqId) + 1, ResidueRow{0, 0, 0, 0});
    for (std::size_t n = 1; n <= atoms; ++n)
        structure.ResidueTable[static_cast<std::size_t>(structure.AtomSeqId[n])][0] += 1;
}

}  // namespace vexalith
