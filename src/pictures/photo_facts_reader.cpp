// The photo facts reader: the headers of the formats the saver shows.
#include "pictures/photo_facts_reader.h"

namespace WorkSpace {

bool ReadPhotoFacts(const std::wstring& path, PhotoFacts& facts) {
    (void)path;
    facts = PhotoFacts();
    return false;  // the headers' readers come next
}

}  // namespace WorkSpace
