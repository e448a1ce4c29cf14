#include "BenchData.h"

#include "testdata/ByteBuilder.h"
#include "testdata/ErfBuilder.h"
#include "testdata/KeyBifBuilder.h"
#include "testdata/ResTypeNumbers.h"

#include <cmath>
#include <cstdio>
#include <random>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
namespace rt = testdata::restype;

namespace {

struct TypeShare {
    std::uint16_t Type;
    const char *Ext; // lower-case extension, as extraction names the files
    int Weight;
};

// A mix of resource kinds in rough proportion to a game's data.
const TypeShare TypeMix[] = {
    {rt::TGA, "tga", 30}, {rt::MDL, "mdl", 20}, {rt::UTC, "utc", 8},  {rt::UTI, "uti", 10},
    {rt::WAV, "wav", 8},  {rt::NSS, "nss", 8},  {rt::TWODA, "2da", 4}, {rt::DLG, "dlg", 6},
    {rt::TXI, "txi", 4},  {rt::SSF, "ssf", 2},
};

class ResourceMaker {
public:
    explicit ResourceMaker(unsigned seed) : m_random(seed)
    {
        for (const auto &share : TypeMix)
            m_weights.push_back(share.Weight);
        m_typePick = std::discrete_distribution<int>(m_weights.begin(), m_weights.end());
    }

    const TypeShare &Type() { return TypeMix[m_typePick(m_random)]; }

    // Mostly a few hundred bytes to 16 KB (log-uniform), one in a hundred 40 to 120 KB.
    std::size_t Size()
    {
        if (m_share(m_random) < 0.01)
            return std::uniform_int_distribution<std::size_t>(40000, 120000)(m_random);
        const double exponent = std::uniform_real_distribution<double>(std::log(200.0), std::log(16000.0))(m_random);
        return static_cast<std::size_t>(std::exp(exponent));
    }

    std::string Bytes(std::size_t size, unsigned tag) { return std::string(size, static_cast<char>('a' + tag % 26)); }

private:
    std::mt19937 m_random;
    std::vector<int> m_weights;
    std::discrete_distribution<int> m_typePick;
    std::uniform_real_distribution<double> m_share{0.0, 1.0};
};

std::string Numbered(const char *prefix, int number, int width)
{
    char name[32];
    std::snprintf(name, sizeof name, "%s%0*d", prefix, width, number);
    return name;
}

void WriteData(const BenchData &data)
{
    ResourceMaker maker(20250101u);
    {
        testdata::KeyBifBuilder key;
        for (int b = 0; b < data.Sizes.BifCount; ++b)
            key.AddBif(Numbered("data\\bench", b, 2) + ".bif");
        for (int i = 0; i < data.Sizes.KeyResources; ++i) {
            const TypeShare &type = maker.Type();
            const std::string resref = Numbered("res_", i, 6);
            std::string bytes = maker.Bytes(maker.Size(), static_cast<unsigned>(i));
            // The extracted copy that cp -r is measured on.
            testdata::WriteFile(data.KeyExtracted / (resref + "." + type.Ext), bytes);
            key.AddResource(i % data.Sizes.BifCount, resref, type.Type, std::move(bytes));
        }
        key.WriteTo(data.KeyPath.parent_path(), data.KeyPath.filename().string());
    }
    {
        testdata::ErfBuilder erf("ERF ");
        for (int i = 0; i < data.Sizes.ErfEntries; ++i) {
            const TypeShare &type = maker.Type();
            const std::string resref = Numbered("file_", i, 5);
            std::string bytes = maker.Bytes(maker.Size(), static_cast<unsigned>(i));
            testdata::WriteFile(data.LooseFolder / (resref + "." + type.Ext), bytes);
            erf.Add(resref, type.Type, std::move(bytes));
        }
        erf.WriteTo(data.ErfPath);
    }
}

std::uint64_t FolderBytes(const fs::path &folder)
{
    std::uint64_t total = 0;
    for (const auto &entry : fs::directory_iterator(folder))
        total += entry.file_size();
    return total;
}

} // namespace

BenchData CreateBenchData(const fs::path &root, const BenchSizes &sizes)
{
    BenchData data;
    data.Root = root;
    data.Sizes = sizes;
    data.KeyPath = root / "game" / "chitin.key";
    data.KeyExtracted = root / "key-extracted";
    data.LooseFolder = root / "loose";
    data.ErfPath = root / "bench.erf";
    fs::create_directories(data.KeyExtracted);
    fs::create_directories(data.LooseFolder);

    // Generating holds every resource in memory; a child process keeps that
    // out of the benchmarks' own memory figures.
    const pid_t child = fork();
    if (child < 0)
        throw std::runtime_error("cannot fork to write the benchmark data");
    if (child == 0) {
        int status = 0;
        try {
            WriteData(data);
        } catch (const std::exception &error) {
            std::fprintf(stderr, "writing the benchmark data failed: %s\n", error.what());
            status = 1;
        }
        std::fflush(nullptr);
        _exit(status);
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error("writing the benchmark data failed");

    data.KeyBytes = FolderBytes(data.KeyExtracted);
    data.LooseBytes = FolderBytes(data.LooseFolder);
    return data;
}
