// The picture extensions of this machine: those of every WIC decoder installed, so a codec
// from the Store (HEIF, WebP, AVIF, camera raw) adds its formats to the open-file filter,
// the folder scan and dropped files. The formats that ship with every Windows always count,
// and are the whole list when WIC cannot be asked.
#include <windows.h>
#include <wincodec.h>

#include <algorithm>

#include "platform/picture_extensions.h"
#include "platform/wic_thread.h"

namespace WorkSpace {
namespace Platform {

namespace {

// ".JPEG, .Jpe" -> ".jpeg", ".jpe" appended to `out` where new.
void AddExtensions(const std::wstring& list, std::vector<std::wstring>& out) {
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find_first_of(L",;", start);
        if (end == std::wstring::npos) end = list.size();
        std::wstring extension;
        for (size_t i = start; i < end; ++i) {
            const wchar_t c = list[i];
            if (c == L' ' || c == L'*') continue;
            extension.push_back(c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c);
        }
        if (!extension.empty() && extension[0] != L'.') extension.insert(extension.begin(), L'.');
        if (extension.size() > 1 && std::find(out.begin(), out.end(), extension) == out.end())
            out.push_back(extension);
        start = end + 1;
    }
}

void AddInstalledDecoders(IWICImagingFactory* factory, std::vector<std::wstring>& out) {
    IEnumUnknown* decoders = nullptr;
    if (!factory || FAILED(factory->CreateComponentEnumerator(WICDecoder, WICComponentEnumerateDefault, &decoders)))
        return;
    IUnknown* component = nullptr;
    ULONG fetched = 0;
    while (decoders->Next(1, &component, &fetched) == S_OK && fetched == 1) {
        IWICBitmapCodecInfo* info = nullptr;
        UINT length = 0;
        if (SUCCEEDED(component->QueryInterface(IID_IWICBitmapCodecInfo, reinterpret_cast<void**>(&info))) &&
            SUCCEEDED(info->GetFileExtensions(0, nullptr, &length)) && length > 0) {
            std::wstring list(length, L'\0');
            if (SUCCEEDED(info->GetFileExtensions(length, &list[0], &length))) {
                list.resize(wcsnlen(list.c_str(), list.size()));
                AddExtensions(list, out);
            }
        }
        if (info) info->Release();
        component->Release();
    }
    decoders->Release();
}

}  // namespace

const std::vector<std::wstring>& PictureExtensions() {
    // Asked once: a codec installed while the program runs shows from its next start.
    static const std::vector<std::wstring> extensions = [] {
        std::vector<std::wstring> list = BuiltInPictureExtensions();
        WithWicFactory([&](IWICImagingFactory* factory) { AddInstalledDecoders(factory, list); });
        return list;
    }();
    return extensions;
}

}  // namespace Platform
}  // namespace WorkSpace
