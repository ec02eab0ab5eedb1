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

std::string corpus_dir() { return VEXALITH_CORPUS_DIR; }

std::vector<std::string> corpus_files()
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(corpus_dir())) {
        const std::string name = entry.path().filename().string();
        if (entry.is_regular_file() && (name.ends_with(".cif") || name.ends_with(".cif.gz") || name.ends_with(".mcif")))
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
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
    const std::string path = corpus_dir() + "/" + name;
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
        return corpus_dir() + "/" + name;
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
