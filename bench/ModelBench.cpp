// Benchmarks of the model readers: CMDL::Open (reading, node matrices and
// material merging; no textures, no GL) of a binary model and of an ASCII
// model of the same geometry, 50,000 faces in 20 meshes with 20 materials.
// Reports the time and the memory the opened model holds.
//
// Environment:
//   QUORLIN_BENCH_DIR    folder for the data (default /dev/shm/quorlin-model-bench-<pid>);
//                        created, and removed at the end
//   QUORLIN_BENCH_KEEP   when 1, the data is kept at the end

#include "BenchSupport.h"

#include "model/UCMDL.h"

#include "BenchModels.h"

#include "testdata/ByteBuilder.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <malloc.h>
#include <memory>
#include <string>

namespace fs = std::filesystem;

namespace {

struct ModelData {
    fs::path Binary;
    fs::path Ascii;
};

ModelData g_data;

void OpenModel(benchmark::State &state, const fs::path &path)
{
    std::unique_ptr<CMDL> model;
    for (auto _ : state) {
        state.PauseTiming();
        model.reset();
        state.ResumeTiming();
        model = std::make_unique<CMDL>();
        model->Open(path.string());
    }
    std::size_t faces = 0;
    for (const TNode &node : model->Nodes)
        if (const TMesh *mesh = node.Mesh())
            faces += mesh->Faces.size();
    if (faces != std::size_t(kBenchModelFaces) || model->Materials.size() != std::size_t(kBenchModelMeshes))
        state.SkipWithError("the model was not read whole");
    model.reset();
    malloc_trim(0);
    const double before = CurrentMemoryMB();
    {
        CMDL measured;
        measured.Open(path.string());
        malloc_trim(0); // what reading needed for a while is given back
        state.counters["model_MB"] = CurrentMemoryMB() - before;
    }
    const auto bytes = fs::file_size(path);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
    state.counters["file_MB"] = static_cast<double>(bytes) / 1e6;
    state.counters["faces"] = kBenchModelFaces;
}

void BinaryOpen(benchmark::State &state)
{
    OpenModel(state, g_data.Binary);
}

void AsciiOpen(benchmark::State &state)
{
    OpenModel(state, g_data.Ascii);
}

} // namespace

int main(int argc, char **argv)
{
    return RunBenchmarksOnData(argc, argv, "quorlin-model-bench", [](const fs::path &root) {
        g_data.Binary = root / "bench_bin.mdl";
        g_data.Ascii = root / "bench_ascii.mdl";
        testdata::WriteFile(g_data.Binary, BenchBinaryModel());
        testdata::WriteFile(g_data.Ascii, BenchAsciiModel());
        std::fprintf(stderr, "binary model: %ju bytes; ASCII model: %ju bytes; %d faces, %d materials each\n",
                     static_cast<std::uintmax_t>(fs::file_size(g_data.Binary)),
                     static_cast<std::uintmax_t>(fs::file_size(g_data.Ascii)), kBenchModelFaces, kBenchModelMeshes);
        using benchmark::kMillisecond;
        benchmark::RegisterBenchmark("MDL binary, 50,000 faces, 20 materials (CMDL::Open)", BinaryOpen)
            ->Unit(kMillisecond);
        benchmark::RegisterBenchmark("MDL ASCII, 50,000 faces, 20 materials (CMDL::Open)", AsciiOpen)
            ->Unit(kMillisecond);
    });
}
