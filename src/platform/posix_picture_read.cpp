// Opening a picture file off Windows, for the tool and the tests: errno told apart as the
// Windows errors are; nothing here is ever cloud-only.
#include "platform/picture_read.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace WorkSpace {
namespace Platform {

ReadHandle OpenPictureForReading(const std::wstring& path, uint64_t& size, ReadFailure& why) {
    size = 0;
    const int file = open(WideToUtf8(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (file < 0) {
        why = errno == ENOENT || errno == ENOTDIR ? ReadFailure::Missing
              : errno == EACCES || errno == EPERM ? ReadFailure::Denied
              : errno == ENAMETOOLONG             ? ReadFailure::PathTooLong
                                                  : ReadFailure::Other;
        return kNoReadHandle;
    }
    struct stat facts;
    if (fstat(file, &facts) == 0) {
        if (S_ISDIR(facts.st_mode)) {
            close(file);
            why = ReadFailure::Missing;
            return kNoReadHandle;
        }
        if (S_ISREG(facts.st_mode)) size = static_cast<uint64_t>(facts.st_size);
    }
    why = ReadFailure::None;
    return file;
}

bool SeekReading(ReadHandle file, uint64_t offset) {
    if (offset > static_cast<uint64_t>(INT64_MAX)) return false;
    return lseek(static_cast<int>(file), static_cast<off_t>(offset), SEEK_SET) >= 0;
}

}  // namespace Platform
}  // namespace WorkSpace
