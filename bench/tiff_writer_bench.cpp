// What writing a 24-megapixel TIFF costs, by FreeImage's writer and by the strip writer on
// one thread and on every core, for each compression: the save alone, into a file.
#include "engine/file_handles.h"
#include "engine/tiff_writer.h"

#include <benchmark/benchmark.h>
#include <tiffio.h>

#include <cstdio>
#include <random>
#include <string>
#include <unistd.h>

namespace velmora {
namespace {

// A photograph-like picture: smooth gradients with a little noise, as a sensor gives them.
FIBITMAP* Scene(FREE_IMAGE_TYPE type, int bpp) {
    static FIBITMAP* scenes[2] = {};
    FIBITMAP*& scene = scenes[type == FIT_RGB16 ? 1 : 0];
    if (scene)
        return scene;
    scene = FreeImage_AllocateT(type, 6000, 4000, bpp);
    std::mt19937 random(1);
    const unsigned line = FreeImage_GetLine(scene);
    for (unsigned y = 0; y < 4000; ++y) {
        BYTE* row = FreeImage_GetScanLine(scene, static_cast<int>(y));
        if (type == FIT_RGB16) {
            auto* samples = reinterpret_cast<WORD*>(row);
            for (unsigned x = 0; x < line / 2; ++x)
                samples[x] = static_cast<WORD>((x * 5 + y * 7) % 60000 + random() % 64);
        } else {
            for (unsigned x = 0; x < line; ++x)
                row[x] = static_cast<BYTE>((x / 3 + y) % 240 + random() % 4);
        }
    }
    return scene;
}

const std::string kPath = "/tmp/velmora-tiff-writer-bench.tif";

void Save(benchmark::State& state, FREE_IMAGE_TYPE type, int bpp, int flags, int threads) {
    FIBITMAP* picture = Scene(type, bpp);
    for (auto _ : state) {
        std::fclose(std::fopen(kPath.c_str(), "wb"));
        bool saved;
        if (threads == 0) {
            saved = FreeImage_Save(FIF_TIFF, picture, kPath.c_str(), flags);
        } else {
            WriteHandle out(kPath);
            saved = WriteTiffStrips(picture, flags, out, threads) && out.close();
        }
        if (!saved)
            state.SkipWithError("the save failed");
    }
    std::FILE* file = std::fopen(kPath.c_str(), "rb");
    std::fseek(file, 0, SEEK_END);
    state.counters["MB"] = static_cast<double>(std::ftell(file)) / 1e6;
    std::fclose(file);
    unlink(kPath.c_str());
}

void RegisterAll() {
    TIFFSetWarningHandler(nullptr);
    struct Compression {
        const char* name;
        int flags;
    };
    const Compression compressions[] = {{"none", TIFF_NONE},
                                        {"lzw", TIFF_LZW},
                                        {"deflate", TIFF_DEFLATE},
                                        {"packbits", TIFF_PACKBITS}};
    for (int bits : {8, 16}) {
        for (const Compression& compression : compressions) {
            for (int threads : {0, 1, StripThreads(0)}) {
                std::string name =
                    std::string(compression.name) + "/" + std::to_string(bits) +
                    (threads == 0 ? "/freeimage" : "/threads:" + std::to_string(threads));
                FREE_IMAGE_TYPE type = bits == 16 ? FIT_RGB16 : FIT_BITMAP;
                benchmark::RegisterBenchmark(name.c_str(), Save, type, bits * 3, compression.flags,
                                             threads)
                    ->Unit(benchmark::kMillisecond)
                    ->UseRealTime()
                    ->Iterations(3);
            }
        }
    }
}

} // namespace
} // namespace velmora

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    velmora::RegisterAll();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
}
