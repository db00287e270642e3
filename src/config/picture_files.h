// The portable rules of the picture list: how the open-file dialog's selection buffer
// becomes full paths, which dropped names count as pictures, how many entries the list box
// shows, what an entry reads and which entry is selected after a removal; which rows are
// pictures and which folders left out.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

namespace WorkSpace {

struct SelectedFiles {
    // Full paths in the order the dialog returned them.
    std::vector<std::wstring> paths;
    // After a selection of several files: their folder with one trailing backslash, where
    // the next dialog should start. Empty after a single file.
    std::wstring folder;
    // False when the buffer ended before the closing empty name: the dialog ran out of room
    // and the selection is not all there (a last name without its NUL is left out).
    bool complete = true;
};

// Splits an open-file dialog buffer of `capacity` characters (OFN_ALLOWMULTISELECT with
// OFN_EXPLORER): either one full path, or the folder followed by the file names, each
// NUL-terminated, the run closed by an empty name. The whole buffer is walked, however long
// the selection.
SelectedFiles SplitSelectedFiles(const wchar_t* buffer, size_t capacity);

// True when the name's extension (after the last dot of its last path element) is one this
// machine decodes (Platform::PictureExtensions), in any case of letters.
bool IsPictureFileName(const std::wstring& path);

// The list box shows the first 21 pictures; the settings record keeps all of them.
constexpr size_t kMaxListEntries = 21;
inline bool ListHasRoomForEntry(size_t entries) { return entries < kMaxListEntries; }

// The text of a list entry: the path, cut to the 1023 characters an entry has always held.
constexpr size_t kMaxListEntryChars = 1023;
std::wstring ListEntryText(const std::wstring& path);

// The entry to select after the entry at `removedIndex` went (-1: there was no selection and
// nothing went): the one before it, at least the first; -1 when the list is now empty.
int SelectionAfterRemoval(int removedIndex, int remainingEntries);

// The list shows the first pictures (at most kMaxListEntries), then every folder left out,
// as "Left out: <path>". What a row stands for: a picture of the record, or a folder left
// out, by its place in its own list; `valid` false for a row past the end.
struct ListRow {
    bool valid = false;
    bool leftOut = false;
    size_t index = 0;
};
ListRow ListRowAt(int row, size_t pictures, size_t leftOutFolders);
// The row's text for a folder left out: `format` is the language's "Left out: %1".
std::wstring LeftOutEntryText(const std::wstring& format, const std::wstring& folder);
// A folder entry as the library takes it, ending with one backslash.
std::wstring FolderEntry(const std::wstring& folder);

}  // namespace WorkSpace
