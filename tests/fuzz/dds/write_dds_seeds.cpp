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
    auto write = [&](const std::string& name, const testdds::DdsDescription& desc) {
        testdds::writeFile((dir / name).string(), testdds::buildDds(desc));
    };

    testdds::DdsDescription desc;
    for (const char* code : {"DXT1", "DXT3", "DXT5"}) {
        desc = {};
        desc.fourCC = code;
        desc.width = 8;
        desc.height = 4;
        write(std::string(code) + ".dds", desc);
    }
    for (std::uint32_t dxgi : {70u, 74u, 78u}) {
        desc = {};
        desc.fourCC = "DX10";
        desc.dxgiFormat = dxgi;
        write("dx10-" + std::to_string(dxgi) + ".dds", desc);
    }
    desc = {};
    desc.width = 5;
    desc.height = 3;
    write("odd.dds", desc);
    desc = {};
    desc.fourCCFlag = false;
    write("rgba.dds", desc);
    desc = {};
    desc.linearSize = 1;
    write("small-linear-size.dds", desc);
    return 0;
}
