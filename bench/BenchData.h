// Data of realistic size for the benchmarks, written into a folder on tmpfs.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

struct BenchSizes {
    int BifCount = 50;
    int KeyResources = 100000;
    int ErfEntries = 20000; // the ERF and the loose files hold the same resources
};

struct BenchData {
    std::filesystem::path Root;
    std::filesystem::path KeyPath;        // Root/game/chitin.key, BIFs in Root/game/data
    std::filesystem::path KeyExtracted;   // every KEY resource as ResRef.ext (cp -r reference)
    std::filesystem::path LooseFolder;    // the files to pack
    std::filesystem::path ErfPath;        // an ERF of exactly the loose files
    std::uint64_t KeyBytes = 0;           // total size of the KEY's resources
    std::uint64_t LooseBytes = 0;         // total size of the loose files
    BenchSizes Sizes;
};

// Writes the data below root. Runs in a child process so that the benchmarks
// start with the memory of a fresh process. Throws std::runtime_error on failure.
BenchData CreateBenchData(const std::filesystem::path &root, const BenchSizes &sizes);
