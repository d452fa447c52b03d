// Arbitrary bytes as a settings file: the parser, every lookup the game makes and the
// brightness clamp must take any of them without a fault.
#include <cstddef>
#include <cstdint>
#include <string>

#include "state/INIReader.h"
#include "state/Settings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const INIReader reader = INIReader::fromText(text);
    applySettings(reader);

    // A few lookups with section and name taken from the input's first line.
    const std::string::size_type cut = text.find('\n');
    const std::string head = text.substr(0, cut == std::string::npos ? text.size() : cut);
    reader.Get(head, head, "");
    reader.GetInteger(head, "width", 0);
    reader.GetReal("window", head, 0.0);
    reader.GetBoolean(head, head, false);
    return 0;
}
