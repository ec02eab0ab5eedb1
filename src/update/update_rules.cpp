#include "update/update_rules.h"

#include <cctype>
#include <cmath>
#include <stdexcept>

#include "common/error.h"
#include "common/rounding.h"
#include "structure/decimal_symbol.h"

namespace vexalith::update {
namespace {

// Reads a text line by line as a Pascal text file does: a read at the end
// gives an empty line, and the end is reached once the last line break has
// been read.
class LineReader {
public:
    explicit LineReader(std::string_view text) : text_(text) {}

    bool at_end() const { return pos_ >= text_.size(); }

    std::string_view next()
    {
        if (at_end())
            return {};
        const std::size_t end = text_.find('\n', pos_);
        std::string_view line = text_.substr(pos_, end == std::string_view::npos ? std::string_view::npos : end - pos_);
        pos_ = end == std::string_view::npos ? text_.size() : end + 1;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        ++number_;
        return line;
    }

    long long line_number() const { return number_; }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
    long long number_ = 0;
};

std::string_view trim(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

constexpr std::string_view kChecksumPrefix = "sha256 ";

}  // namespace

std::string server_folder() { return std::string(ProgramName) + "Home/"; }

bool is_sha256_text(std::string_view text)
{
    if (text.size() != 64)
        return false;
    for (char c : text)
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return false;
    return true;
}

VersionFileContent parse_version_file(std::string_view text, const std::string& file_name)
{
    VersionFileContent file;
    LineReader lines(text);

    const std::string_view first = lines.next();
    if (first.substr(0, kChecksumPrefix.size()) == kChecksumPrefix) {
        const std::string_view digits = trim(first.substr(kChecksumPrefix.size()));
        if (!is_sha256_text(digits))
            throw ConversionError(file_name, 1, "the checksum is not 64 hexadecimal digits");
        std::string lower(digits);
        for (char& c : lower)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        file.sha256 = lower;
    }

    const std::string_view version = lines.next();
    const auto number = text_to_float(version);
    if (!number || *number < 0)
        throw ConversionError(file_name, 2, "the version \"" + std::string(version) + "\" is not a number");
    file.version = *number;

    const std::string_view size = lines.next();
    const auto bytes = text_to_int(size);
    if (!bytes || *bytes < 0)
        throw ConversionError(file_name, 3, "the size \"" + std::string(size) + "\" is not a whole number of bytes");
    file.size = *bytes;

    // The notes: at least one line, an empty one at the end of the file.
    do {
        file.notes += '\r';
        file.notes += lines.next();
    } while (!lines.at_end());
    return file;
}

bool version_differs(long double server, long double current) { return std::fabs(server - current) > 0.0005L; }

bool version_matches(long double server, long double current) { return std::fabs(server - current) < 0.0005L; }

long double current_version_number(std::string_view major_minor)
{
    const auto number = text_to_float(major_minor);
    if (!number)
        throw std::invalid_argument("the program's version \"" + std::string(major_minor) + "\" is not a number");
    return *number;
}

long long download_percentage(long long received, long long total)
{
    // Multiplied first, so that a true half (1.5 %) stays exactly a half.
    const long double percent = static_cast<long double>(received) * 100.0L / static_cast<long double>(total);
    return static_cast<long long>(round_half_even(percent));
}

}  // namespace vexalith::update
