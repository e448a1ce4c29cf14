// The models the model benchmarks read: 50,000 faces in 20 meshes of one
// material each, as a binary and as an ASCII model of the same geometry.
#pragma once

#include <string>

constexpr int kBenchModelMeshes = 20;                 // one material each
constexpr int kBenchModelFaces = kBenchModelMeshes * 2500; // 50,000

// The texture name of a mesh ("bench_tex_7").
std::string BenchTextureName(int mesh);
std::string BenchBinaryModel();
std::string BenchAsciiModel();
