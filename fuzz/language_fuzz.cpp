// Language files come from the archive, which a user can replace: any bytes must decode and
// split without crashing, and a non-empty member always leaves at least one text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "settings/text_storage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    WorkSpace::Translate::TextStorage table;
    WorkSpace::LoadTextsFromMember(table, reinterpret_cast<const char*>(data), static_cast<uint32_t>(size));
    if (table.Count() == 0) abort();
    for (size_t i = 0; i <= table.Count(); ++i) table.GetText(static_cast<int32_t>(i));
    if (!table.GetText(-1).empty()) abort();
    return 0;
}
