// ParseXml on Windows: XmlLite, the system's streaming XML reader, over a memory stream of the
// server's answer. xmllite.dll ships with every Windows since Vista, but MinGW has no import
// library for it, so CreateXmlReader is looked up at run time.
#include <windows.h>
#include <objidl.h>
#include <shlwapi.h>
#include <xmllite.h>

#include "platform/platform.h"
#include "platform/win32_system_library.h"
#include "resources/logger.h"
#include "sources/http_transport.h"

namespace WorkSpace {
namespace {

using CreateXmlReaderFn = HRESULT(WINAPI*)(REFIID, void**, IMalloc*);

// IXmlReader's interface id, spelled here: MinGW's header declares it without defining it.
const GUID kXmlReaderId = {0x7279fc81, 0x709d, 0x4095, {0xb6, 0x3d, 0x69, 0xfe, 0x4b, 0x0d, 0x90, 0x30}};

CreateXmlReaderFn LoadCreateXmlReader() {
    static const CreateXmlReaderFn create = []() -> CreateXmlReaderFn {
        HMODULE module = LoadSystemLibrary(L"xmllite.dll");
        auto found = module ? reinterpret_cast<CreateXmlReaderFn>(
                                  reinterpret_cast<void*>(GetProcAddress(module, "CreateXmlReader")))
                            : nullptr;
        if (!found) GetLogger().Write(L"WorkSpace::ParseXml() - xmllite.dll not found: server folders cannot be read");
        return found;
    }();
    return create;
}

template <typename T>
struct Released {
    T* p = nullptr;
    ~Released() {
        if (p) p->Release();
    }
};

std::string Utf8Of(const wchar_t* text, UINT length) {
    return Platform::WideToUtf8(std::wstring(text, length));
}

// The element the reader stands on, as (namespace URI, local name).
bool ElementName(IXmlReader* reader, std::string& uri, std::string& name) {
    const wchar_t* text = nullptr;
    UINT length = 0;
    if (FAILED(reader->GetNamespaceUri(&text, &length))) return false;
    uri = Utf8Of(text, length);
    if (FAILED(reader->GetLocalName(&text, &length))) return false;
    name = Utf8Of(text, length);
    return true;
}

}  // namespace

bool ParseXml(const std::string& document, const XmlEvents& events) {
    CreateXmlReaderFn create = LoadCreateXmlReader();
    if (!create) return false;
    Released<IStream> stream;
    stream.p = SHCreateMemStream(reinterpret_cast<const BYTE*>(document.data()), static_cast<UINT>(document.size()));
    Released<IXmlReader> reader;
    if (!stream.p || FAILED(create(kXmlReaderId, reinterpret_cast<void**>(&reader.p), nullptr))) return false;
    // No document type definitions: a server's answer has none, and entities could blow up.
    reader.p->SetProperty(XmlReaderProperty_DtdProcessing, DtdProcessing_Prohibit);
    if (FAILED(reader.p->SetInput(stream.p))) return false;
    XmlNodeType type;
    std::string uri, name;
    // Every node takes at least a byte of the document. A reader that goes on past that, or
    // says it read a node of no kind, is not reading the document any more: Wine's went round
    // for ever at the end of a cut-off one.
    for (size_t nodes = 0;; ++nodes) {
        const HRESULT hr = reader.p->Read(&type);
        if (hr == S_FALSE) return true;  // the document's end
        if (hr != S_OK || type == XmlNodeType_None || nodes > document.size()) return false;
        switch (type) {
        case XmlNodeType_Element: {
            if (!ElementName(reader.p, uri, name)) return false;
            const bool empty = reader.p->IsEmptyElement() != FALSE;
            if (events.start) events.start(uri, name);
            if (empty && events.end) events.end(uri, name);
            break;
        }
        case XmlNodeType_EndElement:
            if (!ElementName(reader.p, uri, name)) return false;
            if (events.end) events.end(uri, name);
            break;
        case XmlNodeType_Text:
        case XmlNodeType_CDATA:
        case XmlNodeType_Whitespace: {
            const wchar_t* text = nullptr;
            UINT length = 0;
            if (FAILED(reader.p->GetValue(&text, &length))) return false;
            if (events.text && length > 0) events.text(Utf8Of(text, length));
            break;
        }
        default:
            break;
        }
    }
}

}  // namespace WorkSpace
