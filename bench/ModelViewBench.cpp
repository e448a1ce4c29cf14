// Benchmarks of the model view: TFrm_MDL::OpenModel on a binary and on an
// ASCII model of 50,000 faces in 20 meshes with 20 materials, from the call
// to a model ready to draw: reading, node matrices, materials, the display
// lists and 20 textures (64 x 64 TGA files beside the model) uploaded with
// their mipmaps. Also one frame of the binary model drawn and read back.
//
// Needs a display: run under xvfb-run -a. The data goes to a new folder
// under /dev/shm, removed at the end, or to QUORLIN_BENCH_DIR (QUORLIN_BENCH_KEEP=1 keeps it).

#include "BenchModels.h"
#include "BenchSupport.h"

#include "app/UApplication.h"
#include "app/UUtil.h"
#include "model/UFrm_MDL.h"

#include "testdata/ByteBuilder.h"

#include <QTest>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <memory>

namespace fs = std::filesystem;

namespace {

constexpr int kTextureSide = 64;

struct TModelFiles {
    fs::path Binary;
    fs::path Ascii;
};

TModelFiles g_files;

// An uncompressed 24-bit TGA, bottom row first, a different shade per mesh.
std::string BenchTexture(int mesh)
{
    testdata::ByteBuilder tga;
    tga.U8(0).U8(0).U8(2).Zeros(9).U16(kTextureSide).U16(kTextureSide).U8(24).U8(0);
    for (int y = 0; y < kTextureSide; ++y)
        for (int x = 0; x < kTextureSide; ++x)
            tga.U8(std::uint8_t(4 * x)).U8(std::uint8_t(4 * y)).U8(std::uint8_t(12 * mesh));
    return tga.Take();
}

std::unique_ptr<TFrm_MDL> ShownView()
{
    auto view = std::make_unique<TFrm_MDL>();
    view->show();
    if (!QTest::qWaitForWindowExposed(view.get()))
        return nullptr;
    view->InitView();
    return view;
}

void OpenInView(benchmark::State &state, const fs::path &path)
{
    std::unique_ptr<TFrm_MDL> view = ShownView();
    if (!view) {
        state.SkipWithError("the view was not shown");
        return;
    }
    const QString file = QString::fromStdString(path.string());
    for (auto _ : state)
        view->OpenModel(file);
    std::size_t faces = 0, lists = 0, textures = 0;
    const CMDLDraw &drawing = view->GLView->Drawing;
    for (std::size_t i = 0; i < drawing.Model.Nodes.size(); ++i) {
        if (const TMesh *mesh = drawing.Model.Nodes[i].Mesh())
            faces += mesh->Faces.size();
        lists += drawing.DisplayList(i) != 0 ? 1 : 0;
    }
    for (std::size_t m = 0; m < drawing.Model.Materials.size(); ++m)
        textures += drawing.MaterialTexture(m) && drawing.MaterialTexture(m)->GLName() != 0 ? 1 : 0;
    if (faces != std::size_t(kBenchModelFaces) || lists != std::size_t(kBenchModelMeshes) ||
        textures != std::size_t(kBenchModelMeshes))
        state.SkipWithError("the model was not prepared whole");
    state.counters["faces"] = double(faces);
    state.counters["textures"] = double(textures);
}

void BinaryOpen(benchmark::State &state)
{
    OpenInView(state, g_files.Binary);
}

void AsciiOpen(benchmark::State &state)
{
    OpenInView(state, g_files.Ascii);
}

void BinaryFrame(benchmark::State &state)
{
    std::unique_ptr<TFrm_MDL> view = ShownView();
    if (!view) {
        state.SkipWithError("the view was not shown");
        return;
    }
    view->OpenModel(QString::fromStdString(g_files.Binary.string()));
    for (auto _ : state)
        benchmark::DoNotOptimize(view->GLView->grabFramebuffer());
    state.counters["pixels"] = double(view->GLView->width() * view->GLView->height());
}

} // namespace

int main(int argc, char **argv)
{
    TApplication::SetDefaultSurfaceFormat();
    TApplication app(argc, argv);
    return RunBenchmarksOnData(argc, argv, "quorlin-model-view-bench", [](const fs::path &root) {
        // The view keeps its camera in option.ini of the program folder.
        SetProgramFolder(root.string());
        g_files.Binary = root / "bench_bin.mdl";
        g_files.Ascii = root / "bench_ascii.mdl";
        testdata::WriteFile(g_files.Binary, BenchBinaryModel());
        testdata::WriteFile(g_files.Ascii, BenchAsciiModel());
        for (int mesh = 0; mesh < kBenchModelMeshes; ++mesh)
            testdata::WriteFile(root / (BenchTextureName(mesh) + ".tga"), BenchTexture(mesh));
        std::fprintf(stderr, "binary model: %ju bytes; ASCII model: %ju bytes; %d faces, %d materials each\n",
                     static_cast<std::uintmax_t>(fs::file_size(g_files.Binary)),
                     static_cast<std::uintmax_t>(fs::file_size(g_files.Ascii)), kBenchModelFaces,
                     kBenchModelMeshes);
        using benchmark::kMillisecond;
        benchmark::RegisterBenchmark("MDL binary, 50,000 faces, 20 materials (TFrm_MDL::OpenModel)", BinaryOpen)
            ->Unit(kMillisecond);
        benchmark::RegisterBenchmark("MDL ASCII, 50,000 faces, 20 materials (TFrm_MDL::OpenModel)", AsciiOpen)
            ->Unit(kMillisecond);
        benchmark::RegisterBenchmark("MDL binary, one frame drawn and read back", BinaryFrame)->Unit(kMillisecond);
    });
}
