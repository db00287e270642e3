// The archive writer behind `lumora-tool pack` and the reader's tests, on minizip's zip.c.
#include "resources/zip_writer.h"

#include <climits>

#include "platform/platform.h"
#include "zip.h"

namespace WorkSpace {

namespace {

// A fixed time stamp keeps two packs of the same files alike apart from the random
// encryption headers; nothing reads the member dates.
zip_fileinfo FixedFileInfo() {
    zip_fileinfo info = {};
    info.tmz_date.tm_year = 2000;
    info.tmz_date.tm_mon = 0;
    info.tmz_date.tm_mday = 1;
    return info;
}

bool WriteMember(zipFile archive, const ZipWriterMember& member, const char* password) {
    // zipWriteInFileInZip takes an unsigned length and classic zip headers hold 32 bits.
    if (member.bytes.size() > UINT32_MAX) return false;
    const uInt size = static_cast<uInt>(member.bytes.size());
    const Bytef* data = member.bytes.empty() ? nullptr : member.bytes.data();
    // The encryption header's check bytes are the high word of the CRC, so the CRC of the
    // plain bytes has to be known before the member starts.
    const uLong crc = crc32(crc32(0L, Z_NULL, 0), data, size);
    const zip_fileinfo info = FixedFileInfo();
    const int method = member.stored ? 0 : Z_DEFLATED;
    const int level = member.stored ? 0 : Z_DEFAULT_COMPRESSION;
    if (zipOpenNewFileInZip3(archive, member.name.c_str(), &info, nullptr, 0, nullptr, 0,
                             nullptr, method, level, 0, -MAX_WBITS, DEF_MEM_LEVEL,
                             Z_DEFAULT_STRATEGY, password, crc) != ZIP_OK)
        return false;
    bool ok = size == 0 || zipWriteInFileInZip(archive, data, size) == ZIP_OK;
    ok = zipCloseFileInZip(archive) == ZIP_OK && ok;
    return ok;
}

}  // namespace

bool WriteZipArchive(const std::wstring& path, const std::vector<ZipWriterMember>& members,
                     const std::string& password) {
    std::string ansi;
    if (!Platform::WideToAnsi(path, ansi)) return false;
    zipFile archive = zipOpen(ansi.c_str(), APPEND_STATUS_CREATE);
    if (!archive) return false;
    const char* key = password.empty() ? nullptr : password.c_str();
    bool ok = true;
    for (const ZipWriterMember& member : members) {
        if (!WriteMember(archive, member, key)) {
            ok = false;
            break;
        }
    }
    ok = zipClose(archive, nullptr) == ZIP_OK && ok;
    if (!ok) Platform::RemoveFile(path);
    return ok;
}

}  // namespace WorkSpace
