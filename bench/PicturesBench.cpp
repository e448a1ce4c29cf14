// Benchmarks of the DDS reader: a 2048 x 2048 texture with its whole mip
// chain (12 levels), held in memory, read and decoded to RGBA8 the way the
// model view's decoded upload needs it (every level) and the way the picture
// viewer and quorlin image convert need it (level 0, upright). The blocks
// are made-up noise: decoding does the same work whatever they hold.
// (QUORLIN_BENCH_PROGRAM=quorlin-pictures-bench bench/run.sh)

#include "media/UDdsFile.h"

#include "testdata/DdsBuilder.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>

namespace {

constexpr int kSide = 2048;
constexpr int kLevels = 12; // 2048 down to 1

// Every level of a side x side texture of blockBytes-byte blocks, filled with noise.
std::string NoiseLevels(int side, std::size_t blockBytes)
{
    std::mt19937 random(2048);
    std::string levels;
    for (int level = 0; level < kLevels; ++level) {
        const std::size_t blocks = std::size_t((std::max(1, side >> level) + 3) / 4);
        for (std::size_t i = 0; i < blocks * blocks * blockBytes; ++i)
            levels += char(random());
    }
    return levels;
}

std::string g_dxt5;     // standard container
std::string g_dxt1;     // short header

void DecodeEveryLevel(benchmark::State &state, const std::string &file)
{
    std::uint64_t pixels = 0;
    for (auto _ : state) {
        const TDdsTexture dds = ReadDds(file, "bench.dds");
        pixels = 0;
        for (std::size_t level = 0; level < dds.Levels.size(); ++level) {
            const TRgbaImage image = DecodeDdsLevel(dds, level);
            pixels += image.Pixels.size() / 4;
            benchmark::DoNotOptimize(image.Pixels.data());
        }
    }
    state.counters["Mpixels"] = double(pixels) / 1e6;
    state.SetItemsProcessed(std::int64_t(state.iterations() * pixels));
}

void DecodeFirstLevel(benchmark::State &state, const std::string &file)
{
    for (auto _ : state) {
        const TRgbaImage image = DecodeDds(file, "bench.dds");
        benchmark::DoNotOptimize(image.Pixels.data());
    }
    state.SetItemsProcessed(std::int64_t(state.iterations()) * kSide * kSide);
}

} // namespace

int main(int argc, char **argv)
{
    testdata::DdsHeader header;
    header.Width = header.Height = kSide;
    header.MipCount = kLevels;
    header.FourCC = "DXT5";
    g_dxt5 = testdata::BuildStandardDds(header, NoiseLevels(kSide, 16));
    g_dxt1 = testdata::BuildShortDds(kSide, kSide, 3, kSide * kSide / 2, NoiseLevels(kSide, 8));
    std::fprintf(stderr, "DXT5 file: %zu bytes; DXT1 file: %zu bytes\n", g_dxt5.size(), g_dxt1.size());

    using benchmark::kMillisecond;
    benchmark::RegisterBenchmark("DDS DXT5 2048 x 2048, every level of the chain (ReadDds + DecodeDdsLevel)",
                                 [](benchmark::State &state) { DecodeEveryLevel(state, g_dxt5); })
        ->Unit(kMillisecond);
    benchmark::RegisterBenchmark("DDS DXT5 2048 x 2048, level 0 upright (DecodeDds)",
                                 [](benchmark::State &state) { DecodeFirstLevel(state, g_dxt5); })
        ->Unit(kMillisecond);
    benchmark::RegisterBenchmark("DDS DXT1 short header 2048 x 2048, every level of the chain",
                                 [](benchmark::State &state) { DecodeEveryLevel(state, g_dxt1); })
        ->Unit(kMillisecond);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
