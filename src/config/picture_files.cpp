// The picture list's rules that need no window: see picture_files.h.
#include "config/picture_files.h"

#include "library/picture_library.h"
#include "platform/picture_extensions.h"

namespace WorkSpace {

SelectedFiles SplitSelectedFiles(const wchar_t* buffer, size_t capacity) {
    SelectedFiles result;
    std::vector<std::wstring> names;
    if (!buffer || capacity == 0) return result;

    // An older reader stopped at position 2047 and silently lost the rest of a long
    // selection; the dialog fills as much of the buffer as the selection needs, so read to
    // the closing empty name or to the end of the buffer.
    std::wstring current;
    bool closed = false;
    for (size_t i = 0; i < capacity; ++i) {
        const wchar_t c = buffer[i];
        if (c != L'\0') {
            current.push_back(c);
            continue;
        }
        if (!current.empty()) {
            names.push_back(current);
            current.clear();
        }
        if (i > 0 && buffer[i - 1] == L'\0') {
            closed = true;
            break;
        }
    }
    // Without the closing empty name the buffer was too small: the name in progress may be
    // cut, so only the names that ended in a NUL are taken.
    result.complete = closed;

    // Names typed between quotes in the name field can come back with the opening quote.
    for (std::wstring& name : names)
        if (!name.empty() && name[0] == L'"') name.erase(0, 1);

    if (names.size() == 1) {
        result.paths = names;
        return result;
    }
    if (names.empty()) return result;

    // Several names: the first is the folder. A root folder such as C:\ already ends with
    // its separator; adding another would leave a doubled backslash in every saved path.
    const std::wstring& folder = names[0];
    const std::wstring prefix = folder.empty() || IsFolderEntry(folder) ? folder : folder + L'\\';
    if (!folder.empty()) result.folder = prefix;
    for (size_t i = 1; i < names.size(); ++i) result.paths.push_back(prefix + names[i]);
    return result;
}

bool IsPictureFileName(const std::wstring& path) { return HasExtension(path, Platform::PictureExtensions()); }

std::wstring ListEntryText(const std::wstring& path) { return path.substr(0, kMaxListEntryChars); }

int SelectionAfterRemoval(int removedIndex, int remainingEntries) {
    int index = removedIndex - 1;
    if (index < 0) index = 0;
    return index < remainingEntries ? index : -1;
}

ListRow ListRowAt(int row, size_t pictures, size_t leftOutFolders) {
    ListRow at;
    if (row < 0) return at;
    const size_t shown = pictures < kMaxListEntries ? pictures : kMaxListEntries;
    const size_t r = static_cast<size_t>(row);
    if (r < shown) {
        at.valid = true;
        at.index = r;
    } else if (r - shown < leftOutFolders) {
        at.valid = at.leftOut = true;
        at.index = r - shown;
    }
    return at;
}

std::wstring LeftOutEntryText(const std::wstring& format, const std::wstring& folder) {
    std::wstring text = format;
    const size_t at = text.find(L"%1");
    if (at == std::wstring::npos) return ListEntryText(text + L" " + folder);
    text.replace(at, 2, folder);
    return ListEntryText(text);
}

std::wstring FolderEntry(const std::wstring& folder) {
    return folder.empty() || IsFolderEntry(folder) ? folder : folder + L'\\';
}

}  // namespace WorkSpace
