// Painting of the empty picture list with GDI+: the background picture of the user's
// language stretched over the list, or, when that picture cannot be read, two hint texts on
// white. Composed off screen and copied in one draw, so the list does not flicker.
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <cstdint>
#include <memory>
#include <string>

#include "settings/language.h"
#include "settings/text_storage.h"
#include "config/win32_config_dialog.h"
#include "resources/archive_bitmap.h"
#include "resources/archive_members.h"
#include "resources/zip_reader.h"

namespace WorkSpace {

namespace {

// Tahoma 15 point; without Tahoma the system's generic sans-serif family; without that too
// (Wine without its own fonts has neither, and GenericSansSerif then hands back no family at
// all) the face GDI's font mapper picks for "Tahoma", which always exists.
std::unique_ptr<Gdiplus::Font> HintFont(HDC dc) {
    const float size = 15.0f;
    Gdiplus::FontFamily tahoma(L"Tahoma");
    std::unique_ptr<Gdiplus::Font> font;
    if (tahoma.GetLastStatus() == Gdiplus::Ok)
        font.reset(new Gdiplus::Font(&tahoma, size, Gdiplus::FontStyleRegular, Gdiplus::UnitPoint));
    else if (const Gdiplus::FontFamily* generic = Gdiplus::FontFamily::GenericSansSerif())
        font.reset(new Gdiplus::Font(generic, size, Gdiplus::FontStyleRegular, Gdiplus::UnitPoint));
    if (font && font->GetLastStatus() == Gdiplus::Ok) return font;

    LOGFONTW description = {};
    description.lfHeight = -MulDiv(15, GetDeviceCaps(dc, LOGPIXELSY), 72);
    description.lfWeight = FW_NORMAL;
    description.lfCharSet = DEFAULT_CHARSET;
    wcscpy_s(description.lfFaceName, L"Tahoma");
    font.reset(new Gdiplus::Font(dc, &description));
    if (font->GetLastStatus() != Gdiplus::Ok) font.reset();
    return font;
}

// One WM_PAINT of the empty list. Nothing is cached: the language and the picture are read
// again on every paint, so a language changed while the dialog is open shows at once.
struct PictureListPainter {
    HWND window = nullptr;
    HDC dc = nullptr;
    RECT client = {0, 0, 0, 0};
    uint8_t dcGiven = 0;  // 0: the painter got the context and releases it
    std::unique_ptr<Gdiplus::Graphics> graphics;
    std::unique_ptr<Gdiplus::Bitmap> background;
    uint32_t language = 0;

    explicit PictureListPainter(HWND list) : window(list) {
        language = ReadLanguageNumber();
        dc = GetDC(list);
        if (!dc) return;
        graphics.reset(new Gdiplus::Graphics(dc));
        if (graphics->GetLastStatus() != Gdiplus::Ok) graphics.reset();
        GetClientRect(list, &client);
        background.reset(LoadBitmapFromArchive(ListBackgroundMember(language), &ZipReader::Instance()));
        // A picture GDI+ could not decode comes back without an image: draw the hint instead.
        if (background && background->GetLastStatus() != Gdiplus::Ok) background.reset();
    }

    ~PictureListPainter() {
        background.reset();
        if (graphics) graphics->Flush();
        graphics.reset();
        if (dc && !dcGiven) ReleaseDC(window, dc);
    }

    INT Width() const { return client.right - client.left; }
    INT Height() const { return client.bottom - client.top; }

    void DrawBackground() {
        Gdiplus::Bitmap offscreen(Width(), Height(), graphics.get());
        Gdiplus::Graphics composed(&offscreen);
        composed.DrawImage(background.get(), 0, 0, Width(), Height());
        graphics->DrawImage(&offscreen, 0, 0, Width(), Height());
    }

    void DrawHint() {
        Gdiplus::Bitmap offscreen(Width(), Height(), graphics.get());
        Gdiplus::Graphics composed(&offscreen);
        graphics->SetPageUnit(Gdiplus::UnitPixel);

        // Both ends of the gradient are the same dark blue: one uniform colour.
        const Gdiplus::Color ink(0xDC, 0x00, 0x00, 0x40);
        Gdiplus::LinearGradientBrush brush(Gdiplus::RectF(0, 0, 400, 400), ink, ink,
                                           Gdiplus::LinearGradientModeBackwardDiagonal);
        brush.SetWrapMode(Gdiplus::WrapModeTile);
        Gdiplus::StringFormat format(0, LANG_NEUTRAL);
        format.SetAlignment(Gdiplus::StringAlignmentCenter);
        format.SetLineAlignment(Gdiplus::StringAlignmentCenter);

        composed.Clear(Gdiplus::Color(0xFF, 0xFF, 0xFF, 0xFF));
        if (std::unique_ptr<Gdiplus::Font> font = HintFont(dc)) {
            const Translate::TextStorage& texts = Translate::TextStorage::Instance();
            const std::wstring first = texts.GetText(Translate::TextId::ListHint);
            const std::wstring second = texts.GetText(Translate::TextId::ListHintDetail);
            composed.DrawString(first.c_str(), -1, font.get(), Gdiplus::RectF(0, 0, 400, 50), &format, &brush);
            composed.DrawString(second.c_str(), -1, font.get(), Gdiplus::RectF(20, 30, 330, 150), &format, &brush);
        }
        graphics->DrawImage(&offscreen, 0, 0, Width(), Height());
    }
};

}  // namespace

void PaintEmptyPictureList(HWND list) {
    PictureListPainter painter(list);
    if (!painter.graphics || painter.Width() <= 0 || painter.Height() <= 0) return;
    if (painter.background)
        painter.DrawBackground();
    else
        painter.DrawHint();
}

}  // namespace WorkSpace
