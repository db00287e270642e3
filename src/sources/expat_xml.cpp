// ParseXml for the native build, over Debian's expat: elements named by their namespace URI
// and local name, text in pieces. A document type declaration ends the parse, since no WebDAV
// answer has one and its entities are the usual way to blow a parser up.
#include <expat.h>

#include <algorithm>

#include "sources/http_transport.h"

namespace WorkSpace {

namespace {

// Between a name's namespace URI and its local name in expat's element names. A newline
// cannot stand in a namespace attribute's value once the parser has normalised it.
constexpr char kSeparator = '\n';

struct ParseState {
    XML_Parser parser;
    const XmlEvents* events;
    bool refused = false;
};

void SplitName(const XML_Char* name, std::string& uri, std::string& local) {
    const std::string whole(name);
    const size_t at = whole.find(kSeparator);
    if (at == std::string::npos) {
        uri.clear();
        local = whole;
    } else {
        uri = whole.substr(0, at);
        local = whole.substr(at + 1);
    }
}

void XMLCALL OnStart(void* data, const XML_Char* name, const XML_Char**) {
    const auto* state = static_cast<ParseState*>(data);
    if (!state->events->start) return;
    std::string uri, local;
    SplitName(name, uri, local);
    state->events->start(uri, local);
}

void XMLCALL OnEnd(void* data, const XML_Char* name) {
    const auto* state = static_cast<ParseState*>(data);
    if (!state->events->end) return;
    std::string uri, local;
    SplitName(name, uri, local);
    state->events->end(uri, local);
}

void XMLCALL OnText(void* data, const XML_Char* text, int length) {
    const auto* state = static_cast<ParseState*>(data);
    if (state->events->text && length > 0) state->events->text(std::string(text, static_cast<size_t>(length)));
}

void XMLCALL OnDoctype(void* data, const XML_Char*, const XML_Char*, const XML_Char*, int) {
    auto* state = static_cast<ParseState*>(data);
    state->refused = true;
    XML_StopParser(state->parser, XML_FALSE);
}

}  // namespace

bool ParseXml(const std::string& document, const XmlEvents& events) {
    const XML_Parser parser = XML_ParserCreateNS("UTF-8", kSeparator);
    if (!parser) return false;
    ParseState state{parser, &events};
    XML_SetUserData(parser, &state);
    XML_SetElementHandler(parser, OnStart, OnEnd);
    XML_SetCharacterDataHandler(parser, OnText);
    XML_SetStartDoctypeDeclHandler(parser, OnDoctype);
    // In pieces: expat takes an int's worth of bytes at a time.
    constexpr size_t kPiece = size_t(1) << 20;
    bool ok = true;
    size_t at = 0;
    do {
        const size_t piece = std::min(kPiece, document.size() - at);
        const bool last = at + piece == document.size();
        ok = XML_Parse(parser, document.data() + at, static_cast<int>(piece), last ? XML_TRUE : XML_FALSE) ==
             XML_STATUS_OK;
        at += piece;
    } while (ok && at < document.size());
    XML_ParserFree(parser);
    return ok && !state.refused;
}

}  // namespace WorkSpace
