// The recorder formats each call as "Name(arg, arg, ...)" with Direct3D's numeric values,
// the states named as the program names them, so a test reads like the call sequence it
// checks.
#include "gfx/recording_graphics.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "platform/platform.h"
#include "gfx/effect_source.h"
#include "imaging/image_sniff.h"
#include "gfx/effect_pass_state.h"

namespace WorkSpace {

bool GraphicsRecord::Contains(const std::string& call) const { return Find(call) >= 0; }

int GraphicsRecord::Find(const std::string& prefix, size_t from) const {
    for (size_t i = from; i < calls.size(); ++i)
        if (calls[i].compare(0, prefix.size(), prefix) == 0) return static_cast<int>(i);
    return -1;
}

namespace {
std::string Fmt(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Fmt(const char* format, ...) {
    char buf[512];
    va_list args;
    va_start(args, format);
    vsnprintf(buf, sizeof(buf), format, args);
    va_end(args);
    return buf;
}

using RecordedDeclaration = Recorded<VertexDeclaration>;
using RecordedFont = Recorded<Font>;

struct StateName {
    uint32_t state;
    const char* name;
};
// The states the program sets, named like their D3D:: constants without the prefix; any
// other state keeps its number.
template <size_t N>
std::string StateText(const StateName (&names)[N], uint32_t state) {
    for (const StateName& n : names)
        if (n.state == state) return n.name;
    return Fmt("%u", state);
}
const StateName kRenderStates[] = {{D3D::RS_ZENABLE, "ZENABLE"},
                                   {D3D::RS_SRCBLEND, "SRCBLEND"},
                                   {D3D::RS_DESTBLEND, "DESTBLEND"},
                                   {D3D::RS_CULLMODE, "CULLMODE"},
                                   {D3D::RS_ALPHABLENDENABLE, "ALPHABLENDENABLE"},
                                   {D3D::RS_LIGHTING, "LIGHTING"}};
const StateName kSamplerStates[] = {{D3D::SAMP_ADDRESSU, "ADDRESSU"},
                                    {D3D::SAMP_ADDRESSV, "ADDRESSV"},
                                    {D3D::SAMP_MAGFILTER, "MAGFILTER"},
                                    {D3D::SAMP_MINFILTER, "MINFILTER"},
                                    {D3D::SAMP_MIPFILTER, "MIPFILTER"}};
const StateName kTextureStageStates[] = {{D3D::TSS_COLOROP, "COLOROP"},     {D3D::TSS_COLORARG1, "COLORARG1"},
                                         {D3D::TSS_COLORARG2, "COLORARG2"}, {D3D::TSS_ALPHAOP, "ALPHAOP"},
                                         {D3D::TSS_ALPHAARG1, "ALPHAARG1"}, {D3D::TSS_ALPHAARG2, "ALPHAARG2"}};
const StateName kTransformStates[] = {{D3D::TS_VIEW, "VIEW"}, {D3D::TS_PROJECTION, "PROJECTION"}};

// A call's arguments as text: given as a literal, or made by a function only when the
// record keeps its calls (a benchmark's quiet record formats nothing).
std::string ArgsText(const char* args) { return args; }
template <typename Make>
std::string ArgsText(const Make& make) {
    return make();
}

std::string NameOf(Texture* t) { return t ? static_cast<RecordedTexture*>(t)->name : "null"; }

// Direct3D 9's initial sampler states: point filtering, no mip filter, wrapping.
uint32_t DefaultSamplerState(uint32_t type) {
    switch (type) {
    case 1: case 2: case 3: return 1;  // ADDRESSU/V/W: WRAP
    case 5: case 6: return 1;          // MAGFILTER, MINFILTER: POINT
    case 10: return 1;                 // MAXANISOTROPY
    default: return 0;
    }
}

// An effect that does to the device what a compiled effect file does: its pass sets the
// sampler states of the file (when the bytes are an effect we can read), and Begin with
// flags 0 and End save and restore them through the same code as the Direct3D 9 effect.
class RecordedEffect : public Recorded<Effect> {
public:
    RecordedEffect(GraphicsRecord& r, GraphicsDevice& device, const void* data, uint32_t size)
        : Recorded<Effect>(r, "effect"), device_(device) {
        std::string error;
        if (data && size) parsed_ = ParseEffectSource(static_cast<const char*>(data), size, source_, error);
    }
    template <typename Args>
    HResult Call(const std::string& op, const Args& args) {
        if (record.keepCalls) record.calls.push_back("Effect." + op + "(" + ArgsText(args) + ")");
        if (record.throwOn == "Effect." + op) throw std::runtime_error("recorded failure");
        return record.failing.count("Effect." + op) ? kFail : kOk;
    }
    HResult SetTechnique(const char* name) override { return Call("SetTechnique", [&] { return std::string(name); }); }
    HResult SetMatrix(const char* name, const Matrix& m) override {
        return Call("SetMatrix", [&] {
            return Fmt("%s, %g %g %g %g", name, m.m[0][0], m.m[1][1], m.m[2][2], m.m[3][3]);
        });
    }
    HResult SetTexture(const char* name, Texture* t) override {
        return Call("SetTexture", [&] { return std::string(name) + ", " + NameOf(t); });
    }
    HResult Begin(uint32_t* passes, uint32_t flags) override {
        if (passes) *passes = 1;
        HResult hr = Call("Begin", [&] { return Fmt("%u", flags); });
        if (parsed_ && flags == 0) saved_.Save(device_, source_);
        return hr;
    }
    HResult BeginPass(uint32_t pass) override { return Call("BeginPass", [&] { return Fmt("%u", pass); }); }
    HResult CommitChanges() override {
        HResult hr = Call("CommitChanges", "");
        if (parsed_)
            EffectPassState::ForEachPassState(
                source_,
                [](void* d, uint32_t stage, uint32_t type, uint32_t value) {
                    static_cast<GraphicsDevice*>(d)->SetSamplerState(stage, type, value);
                },
                &device_);
        return hr;
    }
    HResult EndPass() override { return Call("EndPass", ""); }
    HResult End() override {
        HResult hr = Call("End", "");
        saved_.Restore(device_);
        return hr;
    }

private:
    GraphicsDevice& device_;
    EffectSource source_;
    bool parsed_ = false;
    EffectPassState saved_;
};

class RecordingDevice : public Recorded<GraphicsDevice> {
public:
    explicit RecordingDevice(GraphicsRecord& r) : Recorded<GraphicsDevice>(r, "device") {
        record.samplerStates.clear();
        record.states.clear();
    }

    template <typename Args>
    HResult Call(const char* op, const Args& args) {
        if (record.keepCalls) record.calls.push_back(std::string(op) + "(" + ArgsText(args) + ")");
        if (record.throwOn == op) throw std::runtime_error("recorded failure");
        const auto chosen = record.results.find(op);
        if (chosen != record.results.end()) return chosen->second;
        return record.failing.count(op) ? kFail : kOk;
    }

    // A state set (hr) is kept by name for the draws that follow it.
    template <typename Name>
    HResult Keep(HResult hr, const Name& name, uint32_t value) {
        if (!Failed(hr) && record.keepCalls) record.states[name()] = value;
        return hr;
    }
    void NoteDrawStates() {
        if (!record.keepCalls) return;
        std::string text;
        for (const auto& state : record.states) text += state.first + Fmt("=%u; ", state.second);
        record.drawStates.push_back(text);
    }

    HResult GetDeviceCaps() override { return Call("GetDeviceCaps", ""); }
    // A query, not recorded: the frame order the tests compare stays as it was.
    uint32_t RefreshRate() override { return record.refreshRate; }
    HResult GetRasterStatus(RasterStatus* status) override {
        return record.raster && record.raster(status) ? kOk : kFail;
    }
    HResult SetTransform(uint32_t state, const Matrix& m) override {
        return Call("SetTransform", [&] {
            return StateText(kTransformStates, state) +
                   Fmt(", %g %g %g %g", m.m[0][0], m.m[1][1], m.m[2][2], m.m[3][2]);
        });
    }
    HResult Clear(uint32_t rects, uint32_t flags, uint32_t color, float z, uint32_t stencil) override {
        return Call("Clear", [&] { return Fmt("%u, %u, 0x%08X, %g, %u", rects, flags, color, z, stencil); });
    }
    HResult BeginScene() override { return Call("BeginScene", ""); }
    HResult EndScene() override { return Call("EndScene", ""); }
    HResult Present() override { return Call("Present", ""); }
    HResult SetViewport(int32_t x, int32_t y, int32_t w, int32_t h) override {
        return Call("SetViewport", [&] { return Fmt("%d, %d, %d, %d", x, y, w, h); });
    }
    HResult SetRenderState(uint32_t s, uint32_t v) override {
        HResult hr = Call("SetRenderState", [&] {
            return StateText(kRenderStates, s) + Fmt(", %u", v);
        });
        return Keep(hr, [&] { return "RS " + StateText(kRenderStates, s); }, v);
    }
    HResult SetSamplerState(uint32_t n, uint32_t t, uint32_t v) override {
        HResult hr = Call("SetSamplerState", [&] {
            return Fmt("%u, ", n) + StateText(kSamplerStates, t) + Fmt(", %u", v);
        });
        if (!Failed(hr)) record.samplerStates[std::make_pair(n, t)] = v;
        return Keep(hr, [&] { return Fmt("SAMP %u ", n) + StateText(kSamplerStates, t); }, v);
    }
    HResult GetSamplerState(uint32_t n, uint32_t t, uint32_t* v) override {
        auto it = record.samplerStates.find(std::make_pair(n, t));
        *v = it != record.samplerStates.end() ? it->second : DefaultSamplerState(t);
        return kOk;
    }
    HResult SetTextureStageState(uint32_t n, uint32_t t, uint32_t v) override {
        HResult hr = Call("SetTextureStageState", [&] {
            return Fmt("%u, ", n) + StateText(kTextureStageStates, t) + Fmt(", %u", v);
        });
        return Keep(hr, [&] { return Fmt("TSS %u ", n) + StateText(kTextureStageStates, t); }, v);
    }
    HResult SetTexture(uint32_t stage, Texture* t) override {
        return Call("SetTexture", [&] {
            return Fmt("%u, ", stage) + NameOf(t);
        });
    }
    HResult SetFVF(uint32_t fvf) override { return Call("SetFVF", [&] { return Fmt("0x%X", fvf); }); }
    HResult DrawPrimitiveUP(uint32_t type, uint32_t count, const void* vertices, uint32_t stride) override {
        // Screen quads: log the four corners (x, y) and, with a diffuse colour, the colour.
        const float* f = static_cast<const float*>(vertices);
        const size_t step = stride / sizeof(float);
        if (f) record.lastQuad.assign(f, f + 4 * step);
        NoteDrawStates();
        return Call("DrawPrimitiveUP", [&] {
            std::string args = Fmt("%u, %u, %u", type, count, stride);
            for (int k = 0; k < 4 && f; ++k) {
                args += Fmt(", (%g %g)", f[k * step], f[k * step + 1]);
                if (stride == 28) args += Fmt(" 0x%08X", *reinterpret_cast<const uint32_t*>(&f[k * step + 4]));
            }
            return args;
        });
    }
    HResult CreateVertexDeclaration(const VertexElement* elements, VertexDeclaration** out) override {
        int n = 0;
        while (elements[n].stream != 0xFF) ++n;
        HResult hr = Call("CreateVertexDeclaration", [&] { return Fmt("%d", n); });
        *out = Failed(hr) ? nullptr : new RecordedDeclaration(record, "declaration");
        return hr;
    }
    HResult SetVertexDeclaration(VertexDeclaration* d) override {
        return Call("SetVertexDeclaration", [&] { return d ? static_cast<RecordedDeclaration*>(d)->name : "null"; });
    }
    HResult DrawIndexedPrimitiveUP(uint32_t type, uint32_t minIndex, uint32_t vertexCount, uint32_t primitives,
                                   const void* indices, uint32_t format, const void* vertices,
                                   uint32_t stride) override {
        (void)indices;
        (void)vertices;
        NoteDrawStates();
        return Call("DrawIndexedPrimitiveUP", [&] {
            return Fmt("%u, %u, %u, %u, %u, %u", type, minIndex, vertexCount, primitives, format, stride);
        });
    }
    HResult CreateTextureFromMemory(const void* data, uint32_t size, const TextureOptions& options,
                                    ImageInfo* info, Texture** out) override {
        HResult hr = Call("CreateTextureFromMemory", [&] { return Fmt("%u, %u", size, options.mipLevels); });
        *out = nullptr;
        if (Failed(hr) || !data || size == 0) return Failed(hr) ? hr : kFail;
        // The source size from the file's header, enough for the logo placement tests.
        if (info) {
            *info = ImageInfo{};
            ReadImageSize(static_cast<const uint8_t*>(data), size, info->width, info->height);
        }
        *out = new RecordedTexture(record, Fmt("memory:%u", size));
        return kOk;
    }
    HResult CreateTextureFromImage(const Image& image, const TextureOptions& options, Texture** out) override {
        // Named after the size and the first pixel, so a test can tell its pictures apart.
        const uint32_t first = image.pixels.empty() ? 0u : image.pixels[0];
        const std::string name = Fmt("image:%ux%u:%08X", image.width, image.height, first);
        HResult hr = Call("CreateTextureFromImage", [&] { return name + Fmt(", %u", options.mipLevels); });
        *out = nullptr;
        if (Failed(hr) || image.pixels.empty()) return Failed(hr) ? hr : kFail;
        *out = new RecordedTexture(record, name);
        return kOk;
    }
    HResult CreateEffect(const void* data, uint32_t size, Effect** out) override {
        HResult hr = Call("CreateEffect", [&] { return Fmt("%u", size); });
        *out = Failed(hr) ? nullptr : new RecordedEffect(record, *this, data, size);
        return hr;
    }
    HResult CreatePlaneTexture(uint32_t width, uint32_t height, PlaneFormat format, Texture** out) override {
        const std::string name = Fmt("plane:%ux%u:%u", width, height, static_cast<uint32_t>(format));
        HResult hr = Call("CreatePlaneTexture", [&] { return name; });
        *out = Failed(hr) ? nullptr : new RecordedTexture(record, name);
        return hr;
    }
    // Logged with the first byte written, so a test can tell one frame's upload from another's.
    HResult UpdatePlaneTexture(Texture* t, const void* data, uint32_t rowBytes, uint32_t rows) override {
        return Call("UpdatePlaneTexture", [&] {
            const unsigned first = data && rowBytes && rows ? *static_cast<const uint8_t*>(data) : 0u;
            return NameOf(t) + Fmt(", %u, %u, %u", rowBytes, rows, first);
        });
    }
    HResult CreatePixelShader(const char* assembly, PixelShader** out) override {
        HResult hr = Call("CreatePixelShader", [&] { return Fmt("%u", static_cast<unsigned>(assembly ? strlen(assembly) : 0)); });
        *out = Failed(hr) ? nullptr : new Recorded<PixelShader>(record, "pixelshader");
        return hr;
    }
    HResult SetPixelShader(PixelShader* shader) override {
        HResult hr = Call("SetPixelShader", [&] {
            return shader ? static_cast<Recorded<PixelShader>*>(shader)->name : std::string("null");
        });
        return Keep(hr, [] { return std::string("PS"); }, shader ? 1u : 0u);
    }
    HResult SetPixelShaderConstants(uint32_t first, const float* values, uint32_t count) override {
        (void)values;
        return Call("SetPixelShaderConstants", [&] { return Fmt("%u, %u", first, count); });
    }
};

class RecordingSystem : public Recorded<GraphicsSystem> {
public:
    explicit RecordingSystem(GraphicsRecord& r) : Recorded<GraphicsSystem>(r, "direct3d") {}
    HResult GetDeviceCaps(uint32_t* caps) override {
        record.calls.push_back("System.GetDeviceCaps()");
        *caps = record.failing.count("NoVertexProcessing") ? 0u : 1u;
        return record.failing.count("System.GetDeviceCaps") ? kFail : kOk;
    }
    HResult CreateDevice(void* window, GraphicsDevice** out) override {
        (void)window;
        record.calls.push_back("System.CreateDevice()");
        *out = nullptr;
        if (record.failing.count("System.CreateDevice")) return kFail;
        *out = new RecordingDevice(record);
        return kOk;
    }
};

GraphicsRecord* g_record = nullptr;
int32_t g_width = 0, g_height = 0;

GraphicsPlatform MakeRecordingPlatform() {
    GraphicsPlatform p;
    p.isWindow = [](void* window) { return window != nullptr; };
    p.getClientRect = [](void*, int32_t rect[4]) {
        rect[0] = rect[1] = 0;
        rect[2] = g_width;
        rect[3] = g_height;
        return true;
    };
    p.create = [](uint32_t sdk) -> GraphicsSystem* {
        g_record->calls.push_back(Fmt("Direct3DCreate9(%u)", sdk));
        if (g_record->failing.count("Direct3DCreate9")) return nullptr;
        return new RecordingSystem(*g_record);
    };
    p.createFont = [](GraphicsDevice*, Font** out) -> HResult {
        g_record->calls.push_back("CreateFont()");
        *out = nullptr;
        if (g_record->failing.count("CreateFont")) return kFail;
        *out = new RecordedFont(*g_record, "font");
        return kOk;
    };
    p.getDisplayLayout = [](void*, DisplayLayout* layout) {
        *layout = g_record->layout;
        if (layout->client.Empty()) {
            layout->client.right = layout->client.left + g_width;
            layout->client.bottom = layout->client.top + g_height;
        }
    };
    return p;
}
}  // namespace

void UseRecordingGraphics(GraphicsRecord* record, int32_t width, int32_t height) {
    static GraphicsPlatform platform = MakeRecordingPlatform();
    g_record = record;
    g_width = width;
    g_height = height;
    SetGraphicsPlatform(record ? &platform : nullptr);
}

}  // namespace WorkSpace
