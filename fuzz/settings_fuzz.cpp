// Whatever a settings file holds, what we write back must read as the same record: a user
// who only presses OK must never lose or change a picture or a value.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "settings/settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using WorkSpace::Settings;
    Settings first;
    first.LoadFromBytes(std::string(reinterpret_cast<const char*>(data), size));

    const std::string written = first.ToBytes();
    Settings second;
    second.LoadFromBytes(written);
    if (second.pictures != first.pictures) abort();
    if (second.values != first.values) abort();
    // And the second save is byte for byte the first.
    if (second.ToBytes() != written) abort();
    return 0;
}
