// The effect file's parser: a small recursive-descent reader of the declarations our
// particle effect uses, with Direct3D 9's sampler-state names and values, that stops at the
// first thing it does not know and says what it was.
#include "gfx/effect_source.h"

#include <cctype>
#include <cstdlib>

namespace WorkSpace {

namespace {

// Sampler state names and values of Direct3D 9.
struct Named {
    const char* name;
    uint32_t value;
};
const Named kSamplerStates[] = {{"AddressU", 1}, {"AddressV", 2}, {"AddressW", 3}, {"BorderColor", 4},
                                {"MagFilter", 5}, {"MinFilter", 6}, {"MipFilter", 7}, {"MaxAnisotropy", 10}};
const Named kFilters[] = {{"None", 0}, {"Point", 1}, {"Linear", 2}, {"Anisotropic", 3}};
const Named kAddresses[] = {{"Wrap", 1}, {"Mirror", 2}, {"Clamp", 3}, {"Border", 4}, {"MirrorOnce", 5}};

bool EqualNoCase(const std::string& a, const char* b) {
    size_t n = a.size();
    for (size_t i = 0; i < n; ++i)
        if (!b[i] || std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return b[n] == '\0';
}

template <size_t N>
bool Lookup(const Named (&table)[N], const std::string& name, uint32_t& value) {
    for (const Named& n : table)
        if (EqualNoCase(name, n.name)) {
            value = n.value;
            return true;
        }
    return false;
}

class Parser {
public:
    Parser(const char* text, size_t size) : p_(text), end_(text + size) {}

    bool Run(EffectSource& out, std::string& error) {
        while (SkipSpace(), p_ < end_) {
            std::string word;
            if (!Ident(word)) return Fail("expected a declaration");
            if (word == "float4x4" || word == "matrix") {
                if (!Parameter(out, EffectParameter::Matrix4x4)) return false;
            } else if (word == "texture" || word == "texture2D") {
                if (!Parameter(out, EffectParameter::Texture)) return false;
            } else if (word == "sampler" || word == "sampler2D") {
                if (!Sampler(out)) return false;
            } else if (word == "technique") {
                if (!out.technique.empty()) return Fail("more than one technique");
                if (!Technique(out)) return false;
            } else {
                return Fail("unsupported declaration '" + word + "'");
            }
        }
        if (out.technique.empty()) return Fail("no technique");
        if (out.vertexShaderAsm.empty() || out.pixelShaderAsm.empty()) return Fail("pass without both shaders");
        for (const auto& c : out.vertexConstants) {
            const EffectParameter* param = out.FindParameter(c.parameter);
            if (!param || param->kind != EffectParameter::Matrix4x4) return Fail("constant bound to unknown matrix");
        }
        for (const auto& s : out.samplerBindings)
            if (!out.FindSampler(s.sampler)) return Fail("stage bound to unknown sampler");
        for (const auto& s : out.samplers) {
            const EffectParameter* param = out.FindParameter(s.texture);
            if (!param || param->kind != EffectParameter::Texture) return Fail("sampler without a texture parameter");
        }
        error.clear();
        return true;
    }

    std::string error;

private:
    bool Fail(const std::string& why) {
        if (error.empty()) error = why;
        return false;
    }

    void SkipSpace() {
        while (p_ < end_) {
            if (std::isspace(static_cast<unsigned char>(*p_))) {
                ++p_;
            } else if (end_ - p_ >= 2 && p_[0] == '/' && p_[1] == '/') {
                while (p_ < end_ && *p_ != '\n') ++p_;
            } else if (end_ - p_ >= 2 && p_[0] == '/' && p_[1] == '*') {
                p_ += 2;
                while (end_ - p_ >= 2 && !(p_[0] == '*' && p_[1] == '/')) ++p_;
                p_ = end_ - p_ >= 2 ? p_ + 2 : end_;
            } else {
                break;
            }
        }
    }

    bool Ident(std::string& out) {
        SkipSpace();
        const char* start = p_;
        if (p_ < end_ && (std::isalpha(static_cast<unsigned char>(*p_)) || *p_ == '_')) {
            ++p_;
            while (p_ < end_ && (std::isalnum(static_cast<unsigned char>(*p_)) || *p_ == '_')) ++p_;
        }
        out.assign(start, p_);
        return !out.empty();
    }

    bool Number(uint32_t& out) {
        SkipSpace();
        const char* start = p_;
        uint64_t v = 0;
        while (p_ < end_ && std::isdigit(static_cast<unsigned char>(*p_)) && v < 1000000) v = v * 10 + (*p_++ - '0');
        out = static_cast<uint32_t>(v);
        return p_ != start && v < 1000000;
    }

    bool Expect(char c) {
        SkipSpace();
        if (p_ < end_ && *p_ == c) {
            ++p_;
            return true;
        }
        return Fail(std::string("expected '") + c + "'");
    }

    bool Peek(char c) {
        SkipSpace();
        return p_ < end_ && *p_ == c;
    }

    // name [: SEMANTIC] ;
    bool Parameter(EffectSource& out, EffectParameter::Kind kind) {
        EffectParameter param{kind, std::string()};
        if (!Ident(param.name)) return Fail("parameter without a name");
        if (out.FindParameter(param.name)) return Fail("parameter declared twice");
        if (Peek(':')) {
            ++p_;
            std::string semantic;
            if (!Ident(semantic)) return Fail("bad semantic");
        }
        if (!Expect(';')) return false;
        out.parameters.push_back(param);
        return true;
    }

    // name = sampler_state { State = value; ... };
    bool Sampler(EffectSource& out) {
        EffectSampler s;
        std::string word;
        if (!Ident(s.name) || !Expect('=') || !Ident(word) || word != "sampler_state" || !Expect('{'))
            return Fail("bad sampler '" + s.name + "'");
        while (!Peek('}')) {
            std::string state;
            if (!Ident(state) || !Expect('=')) return Fail("bad sampler state");
            if (state == "Texture") {
                if (!Expect('<') || !Ident(s.texture) || !Expect('>')) return Fail("bad Texture binding");
            } else {
                uint32_t type, value;
                std::string v;
                if (!Lookup(kSamplerStates, state, type)) return Fail("unsupported sampler state '" + state + "'");
                if (Peek('0') || (p_ < end_ && std::isdigit(static_cast<unsigned char>(*p_)))) {
                    if (!Number(value)) return Fail("bad number");
                } else if (!Ident(v) || !(Lookup(kFilters, v, value) || Lookup(kAddresses, v, value))) {
                    return Fail("unsupported value '" + v + "'");
                }
                s.states.emplace_back(type, value);
            }
            if (!Expect(';')) return false;
        }
        ++p_;
        if (!Expect(';')) return false;
        if (s.texture.empty()) return Fail("sampler without Texture");
        out.samplers.push_back(s);
        return true;
    }

    // The text of an asm { ... } block, braces excluded.
    bool AsmBlock(std::string& out) {
        std::string word;
        if (!Ident(word) || word != "asm" || !Expect('{')) return Fail("shader is not an asm block");
        const char* start = p_;
        while (p_ < end_ && *p_ != '}') {
            if (*p_ == '{') return Fail("brace inside asm block");
            ++p_;
        }
        if (p_ >= end_) return Fail("unterminated asm block");
        out.assign(start, p_);
        ++p_;
        return Expect(';');
    }

    bool Pass(EffectSource& out) {
        if (!Ident(out.passName)) out.passName = "P0";
        if (!Expect('{')) return false;
        while (!Peek('}')) {
            std::string state;
            if (!Ident(state)) return Fail("bad pass state");
            if (state == "VertexShader" || state == "PixelShader") {
                if (!Expect('=')) return false;
                std::string& target = state == "VertexShader" ? out.vertexShaderAsm : out.pixelShaderAsm;
                if (!target.empty()) return Fail(state + " set twice");
                if (!AsmBlock(target)) return false;
                continue;
            }
            uint32_t index = 0;
            if (!Peek('[')) return Fail("unsupported pass state '" + state + "'");
            if (!Expect('[') || !Number(index) || !Expect(']') || !Expect('=')) return Fail("bad indexed state");
            if (state == "VertexShaderConstant4" || state == "VertexShaderConstantF") {
                EffectConstantBinding c{index, std::string()};
                if (!Expect('<') || !Ident(c.parameter) || !Expect('>')) return Fail("bad constant binding");
                out.vertexConstants.push_back(c);
            } else if (state == "Sampler") {
                EffectSamplerBinding b{index, std::string()};
                if (!Expect('(') || !Ident(b.sampler) || !Expect(')')) return Fail("bad sampler binding");
                if (index > 15) return Fail("sampler stage out of range");
                out.samplerBindings.push_back(b);
            } else {
                return Fail("unsupported pass state '" + state + "'");
            }
            if (!Expect(';')) return false;
        }
        ++p_;
        return true;
    }

    bool Technique(EffectSource& out) {
        if (!Ident(out.technique) || !Expect('{')) return Fail("bad technique");
        std::string word;
        if (!Ident(word) || word != "pass" || !Pass(out)) return Fail("technique needs one pass");
        if (!Expect('}')) return Fail("only one pass is supported");
        return true;
    }

    const char* p_;
    const char* end_;
};

}  // namespace

const EffectParameter* EffectSource::FindParameter(const std::string& name) const {
    for (const auto& p : parameters)
        if (p.name == name) return &p;
    return nullptr;
}

const EffectSampler* EffectSource::FindSampler(const std::string& name) const {
    for (const auto& s : samplers)
        if (s.name == name) return &s;
    return nullptr;
}

bool ParseEffectSource(const char* text, size_t size, EffectSource& out, std::string& error) {
    out = EffectSource();
    Parser parser(text, size);
    bool ok = parser.Run(out, error);
    if (!ok) error = parser.error.empty() ? "not understood" : parser.error;
    return ok;
}

}  // namespace WorkSpace
