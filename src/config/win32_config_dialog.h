// What the configuration dialog, its preview, its picture list and the list's painting
// share: the dialog's process-wide state, the choices the preview takes over, and the
// picture-list operations behind the buttons, the right-click menu and dropped files.
#pragma once
#include <windows.h>
#include <shellapi.h>

#include <string>

namespace WorkSpace {

class Settings;

struct ConfigDialogState {
    HWND configDialog = nullptr;         // the open configuration dialog
    WNDPROC previousListProc = nullptr;  // the list box's own procedure, under PictureListProc
    bool previewRunning = false;         // a preview's render thread is up and must be stopped once
};
ConfigDialogState& GetConfigDialogState();

// The configuration mode: shows dialog 101; FALSE when it could not be shown.
BOOL ShowConfigurationDialog(HINSTANCE instance);
INT_PTR CALLBACK ConfigDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Texts of the user's language on every control, and the four schemes in the combo box.
void SetDialogTexts();
// The scheme combo box's selection (-1: none).
int SelectedScheme(HWND dialog);
// What the Effect and Photos groups show goes into `settings`: at OK and for the preview, as
// the scheme does.
void TakeEffectChoices(HWND dialog, Settings& settings);

// The full-screen preview (win32_preview_dialog.cpp): opened by the Preview button, modal
// over `dialog`; returns when it has ended, then shows the photo that Enter asked for in its
// folder.
void OpenPreview(HWND dialog);
INT_PTR CALLBACK PreviewDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The picture list (list box 1001). Every entry n of the list box is picture n of the
// settings record; the box shows the first 21, the record keeps them all. The folders left
// out follow them, one entry each (ListRowAt).
LRESULT CALLBACK PictureListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam);
void AddListEntry(HWND list, const std::wstring& path);
// Shows the first 21 pictures of the settings record, in order, then the folders left out.
void FillPictureList(HWND list);
void AddPicturesFromFileDialog();
// The system's folder picker; the folder chosen becomes one entry ending with a backslash.
void AddFolderFromPicker();
// The same picker; the folder chosen is left out of the folders above it.
void LeaveOutFolderFromPicker();
void RemoveSelectedPicture();
void RemoveAllPictures();
// The selected row's server entry, if it is one; "Edit..." and a double-click open it.
bool SelectedServerEntry(HWND list, std::wstring* entry);
void EditSelectedServerEntry();
void AddDroppedFiles(HDROP drop);

// Paints the empty list: the language's background picture, or the two hint texts when the
// picture cannot be read (gdiplus_picture_list.cpp).
void PaintEmptyPictureList(HWND list);

}  // namespace WorkSpace
