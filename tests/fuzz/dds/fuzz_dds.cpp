// libFuzzer target: the DDS header parser on arbitrary bytes, whole files and split reads.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/dds/DdsParser.h"

namespace {

void check(const dds::Layout& layout, std::uint64_t fileSize) {
    if (layout.status != dds::Status::Ok) {
        return;
    }
    // Whatever the header says, an accepted file holds its whole top level.
    if (layout.width == 0 || layout.height == 0 || layout.width > dds::kMaxDimension ||
        layout.height > dds::kMaxDimension || layout.blockBytes == 0 ||
        layout.topLevelBytes != dds::compressedSize(layout.width, layout.height, layout.blockBytes) ||
        layout.dataOffset + static_cast<std::uint64_t>(layout.topLevelBytes) > fileSize ||
        layout.pitchOrLinearSize < layout.topLevelBytes) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    check(dds::parse(data, size), size);

    // The file reader hands over only the header bytes with the file's full length.
    const std::size_t header = size < dds::kMaxHeaderBytes ? size : dds::kMaxHeaderBytes;
    check(dds::parseHeader(data, header, size), size);

    // A caller that gives fewer bytes than the file has must never make it read further.
    if (size > 8) {
        dds::parseHeader(data, size / 2, size);
    }
    return 0;
}
