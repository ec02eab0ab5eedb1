#include "support/corpus.h"

#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace testsupport {

namespace {

// A corpus file installed by a Debian package: one row of debian-files.tsv.
struct PackagedFile {
    std::string name;
    std::string package;
    std::string path;
};

std::vector<std::string> split_tabs(const std::string& line)
{
    std::vector<std::string> fields;
    std::istringstream in(line);
    for (std::string field; std::getline(in, field, '\t');)
        fields.push_back(field);
    return fields;
}

std::size_t column_of(const std::vector<std::string>& header, const std::string& name, const std::string& table)
{
    const auto found = std::find(header.begin(), header.end(), name);
    if (found == header.end())
        throw std::runtime_error(table + " has no column " + name);
    return static_cast<std::size_t>(found - header.begin());
}

std::vector<PackagedFile> packaged_files()
{
    const std::string table = corpus_dir() + "/debian-files.tsv";
    std::istringstream in(read_file(table));
    std::string line;
    std::getline(in, line);
    const std::vector<std::string> header = split_tabs(line);
    const std::size_t name = column_of(header, "file", table);
    const std::size_t package = column_of(header, "package", table);
    const std::size_t path = column_of(header, "path", table);
    std::vector<PackagedFile> files;
    while (std::getline(in, line)) {
        const std::vector<std::string> fields = split_tabs(line);
        if (fields.size() != header.size())
            throw std::runtime_error(table + ": a row without " + std::to_string(header.size()) + " fields: " + line);
        files.push_back({fields[name], fields[package], fields[path]});
    }
    return files;
}

bool is_corpus_file_name(const std::string& name)
{
    return name.ends_with(".cif") || name.ends_with(".cif.gz") || name.ends_with(".mcif");
}

}  // namespace

std::string corpus_dir() { return VEXALITH_CORPUS_DIR; }

std::vector<std::string> corpus_files()
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(corpus_dir())) {
        const std::string name = entry.path().filename().string();
        if (entry.is_regular_file() && is_corpus_file_name(name))
            names.push_back(name);
    }
    for (const PackagedFile& file : packaged_files())
        names.push_back(file.name);
    std::sort(names.begin(), names.end());
    return names;
}

std::string corpus_path(const std::string& name)
{
    for (const PackagedFile& file : packaged_files()) {
        if (file.name != name)
            continue;
        if (!fs::is_regular_file(file.path))
            throw std::runtime_error("corpus file " + name + " is missing: looked for " + file.path +
                                     ", installed by the Debian package " + file.package +
                                     " (scripts/install-deps.sh installs it)");
        return file.path;
    }
    const std::string path = corpus_dir() + "/" + name;
    if (!fs::is_regular_file(path))
        throw std::runtime_error("corpus file " + name + " is missing: looked for " + path +
                                 " (and it is no file of debian-files.tsv there)");
    return path;
}

std::string read_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot open " + path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void write_file(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary);
    out << text;
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

std::string corpus_text(const std::string& name)
{
    const std::string path = corpus_path(name);
    if (!name.ends_with(".gz"))
        return read_file(path);
    gzFile file = gzopen(path.c_str(), "rb");
    if (!file)
        throw std::runtime_error("cannot open " + path);
    std::string text;
    char buffer[1 << 16];
    int got = 0;
    while ((got = gzread(file, buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<std::size_t>(got));
    gzclose(file);
    if (got < 0)
        throw std::runtime_error("cannot unpack " + path);
    return text;
}

std::string temp_dir()
{
    // A new folder every time: a name made of the process number alone could
    // meet the leftovers of an earlier test process with the same number.
    std::string pattern = (fs::temp_directory_path() / "vexalith-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot create a temporary folder");
    return pattern;
}

std::string corpus_plain_path(const std::string& name)
{
    if (!name.ends_with(".gz"))
        return corpus_path(name);
    const std::string path = temp_dir() + "/" + name.substr(0, name.size() - 3);
    write_file(path, corpus_text(name));
    return path;
}

Json corpus_reference(const std::string& name)
{
    std::string base = name;
    if (base.ends_with(".gz"))
        base.resize(base.size() - 3);
    return parse_json(read_file(corpus_dir() + "/reference/" + base + ".json"));
}

}  // namespace testsupport
