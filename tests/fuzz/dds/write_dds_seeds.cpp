// Writes the DDS fuzzer's seed corpus: one small valid file of every accepted kind, plus a
// few near misses, into the directory given as the only argument.
#include <filesystem>
#include <string>

#include "support/DdsBytes.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    std::filesystem::create_directories(dir);
    auto write = [&](const std::string& name, const testdds::DdsSpec& spec) {
        testdds::writeFile((dir / name).string(), testdds::buildDds(spec));
    };

    testdds::DdsSpec spec;
    for (const char* code : {"DXT1", "DXT3", "DXT5"}) {
        spec = {};
        spec.fourCC = code;
        spec.width = 8;
        spec.height = 4;
        write(std::string(code) + ".dds", spec);
    }
    for (std::uint32_t dxgi : {70u, 74u, 78u}) {
        spec = {};
        spec.fourCC = "DX10";
        spec.dxgiFormat = dxgi;
        write("dx10-" + std::to_string(dxgi) + ".dds", spec);
    }
    spec = {};
    spec.width = 5;
    spec.height = 3;
    write("odd.dds", spec);
    spec = {};
    spec.fourCCFlag = false;
    write("rgba.dds", spec);
    spec = {};
    spec.linearSize = 1;
    write("small-linear-size.dds", spec);
    return 0;
}
