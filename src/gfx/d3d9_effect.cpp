// Our effect object: the effect file's asm shaders assembled with D3DAssemble from
// d3dcompiler_47.dll (loaded at run time from the system folder; a machine without it gets
// a failed creation, not a program that cannot start), parameters set by name, one technique,
// pass 0. Begin with flags 0 saves what the pass changes (its sampler states, the textures of
// its stages and both shaders) and End puts it back, as the effect framework does.
#include <windows.h>
#include <d3d9.h>
#include <d3dcompiler.h>

#include <cstring>
#include <map>
#include <utility>
#include <vector>

#include "platform/platform.h"
#include "platform/win32_system_library.h"
#include "gfx/d3d9_objects.h"
#include "gfx/effect_pass_state.h"
#include "gfx/effect_source.h"

namespace WorkSpace {

namespace {

// Exported by d3dcompiler_47.dll but not declared in its header.
using D3DAssembleFn = HRESULT(WINAPI*)(const void* data, SIZE_T size, const char* filename,
                                       const D3D_SHADER_MACRO* defines, ID3DInclude* include, UINT flags,
                                       ID3DBlob** shader, ID3DBlob** errors);

D3DAssembleFn LoadAssembler() {
    static D3DAssembleFn fn = [] {
        HMODULE dll = LoadSystemLibrary(L"d3dcompiler_47.dll");
        return dll ? reinterpret_cast<D3DAssembleFn>(reinterpret_cast<void*>(GetProcAddress(dll, "D3DAssemble")))
                   : nullptr;
    }();
    return fn;
}

bool Assemble(const std::string& source, ID3DBlob** blob) {
    D3DAssembleFn assemble = LoadAssembler();
    if (!assemble) {
        Platform::DebugOutput(L"d3dcompiler_47.dll or its D3DAssemble is missing\n");
        return false;
    }
    ID3DBlob* errors = nullptr;
    HRESULT hr = assemble(source.data(), source.size(), nullptr, nullptr, nullptr, 0, blob, &errors);
    if (errors) {
        const char* text = static_cast<const char*>(errors->GetBufferPointer());
        std::string message(text, text + errors->GetBufferSize());
        Platform::DebugOutput(Platform::Utf8ToWide(message.data(), strnlen(message.data(), message.size())));
        errors->Release();
    }
    return SUCCEEDED(hr) && *blob;
}

class D3D9Effect : public Effect {
public:
    D3D9Effect(IDirect3DDevice9* device, GraphicsDevice* owner, EffectSource source, IDirect3DVertexShader9* vs,
               IDirect3DPixelShader9* ps)
        : device_(device), owner_(owner), source_(std::move(source)), vs_(vs), ps_(ps) {
        device_->AddRef();
    }
    ~D3D9Effect() override {
        DropSaved();
        vs_->Release();
        ps_->Release();
        for (auto& t : textures_)
            if (t.second) t.second->Release();
        device_->Release();
    }

    HResult SetTechnique(const char* name) override {
        return name && source_.technique == name ? S_OK : D3DERR_INVALIDCALL;
    }
    HResult SetMatrix(const char* name, const Matrix& m) override {
        const EffectParameter* p = name ? source_.FindParameter(name) : nullptr;
        if (!p || p->kind != EffectParameter::Matrix4x4) return D3DERR_INVALIDCALL;
        matrices_[name] = m;
        return S_OK;
    }
    HResult SetTexture(const char* name, Texture* texture) override {
        const EffectParameter* p = name ? source_.FindParameter(name) : nullptr;
        if (!p || p->kind != EffectParameter::Texture) return D3DERR_INVALIDCALL;
        IDirect3DTexture9* raw = RawTexture(texture);
        if (raw) raw->AddRef();
        IDirect3DTexture9*& slot = textures_[name];
        if (slot) slot->Release();
        slot = raw;
        return S_OK;
    }
    HResult Begin(uint32_t* passes, uint32_t flags) override {
        if (passes) *passes = 1;
        DropSaved();
        if (flags == 0) {
            // D3DXFX_DONOTSAVESTATE and its kin are not set: keep what the pass will change.
            saving_ = true;
            if (owner_) samplers_.Save(*owner_, source_);
            device_->GetVertexShader(&savedVs_);
            device_->GetPixelShader(&savedPs_);
            for (const EffectSamplerBinding& b : source_.samplerBindings) {
                IDirect3DBaseTexture9* t = nullptr;
                device_->GetTexture(b.stage, &t);
                savedTextures_.push_back(std::make_pair(b.stage, t));
            }
        }
        return S_OK;
    }
    HResult BeginPass(uint32_t pass) override {
        if (pass != 0) return D3DERR_INVALIDCALL;
        device_->SetVertexShader(vs_);
        device_->SetPixelShader(ps_);
        inPass_ = true;
        return CommitChanges();
    }
    HResult CommitChanges() override {
        if (!inPass_) return D3DERR_INVALIDCALL;
        for (const EffectConstantBinding& c : source_.vertexConstants) {
            auto it = matrices_.find(c.parameter);
            if (it != matrices_.end()) device_->SetVertexShaderConstantF(c.firstRegister, &it->second.m[0][0], 4);
        }
        for (const EffectSamplerBinding& b : source_.samplerBindings) {
            const EffectSampler* s = source_.FindSampler(b.sampler);
            for (const auto& st : s->states)
                device_->SetSamplerState(b.stage, static_cast<D3DSAMPLERSTATETYPE>(st.first), st.second);
            auto it = textures_.find(s->texture);
            device_->SetTexture(b.stage, it != textures_.end() ? it->second : nullptr);
        }
        return S_OK;
    }
    HResult EndPass() override {
        inPass_ = false;
        return S_OK;
    }
    HResult End() override {
        if (!saving_) {
            // Nothing saved: the screen-space quads that follow (logo) still want the
            // fixed-function pipeline.
            device_->SetVertexShader(nullptr);
            device_->SetPixelShader(nullptr);
            return S_OK;
        }
        if (owner_) samplers_.Restore(*owner_);
        device_->SetVertexShader(savedVs_);
        device_->SetPixelShader(savedPs_);
        for (auto& t : savedTextures_) device_->SetTexture(t.first, t.second);
        DropSaved();
        return S_OK;
    }

private:
    void DropSaved() {
        if (savedVs_) savedVs_->Release();
        if (savedPs_) savedPs_->Release();
        savedVs_ = nullptr;
        savedPs_ = nullptr;
        for (auto& t : savedTextures_)
            if (t.second) t.second->Release();
        savedTextures_.clear();
        saving_ = false;
    }

    IDirect3DDevice9* device_;
    GraphicsDevice* owner_;
    EffectSource source_;
    IDirect3DVertexShader9* vs_;
    IDirect3DPixelShader9* ps_;
    std::map<std::string, Matrix> matrices_;
    std::map<std::string, IDirect3DTexture9*> textures_;
    bool inPass_ = false;
    // What Begin saved.
    bool saving_ = false;
    EffectPassState samplers_;
    IDirect3DVertexShader9* savedVs_ = nullptr;
    IDirect3DPixelShader9* savedPs_ = nullptr;
    std::vector<std::pair<uint32_t, IDirect3DBaseTexture9*>> savedTextures_;
};

}  // namespace

HResult CreateD3D9Effect(IDirect3DDevice9* device, GraphicsDevice* owner, const void* data, uint32_t size,
                         Effect** out) {
    *out = nullptr;
    if (!device || !data || size == 0) return D3DERR_INVALIDCALL;
    EffectSource source;
    std::string error;
    if (!ParseEffectSource(static_cast<const char*>(data), size, source, error)) {
        Platform::DebugOutput(L"Effect not understood: " + Platform::Utf8ToWide(error.data(), error.size()) + L"\n");
        return E_FAIL;
    }
    ID3DBlob* vsCode = nullptr;
    ID3DBlob* psCode = nullptr;
    IDirect3DVertexShader9* vs = nullptr;
    IDirect3DPixelShader9* ps = nullptr;
    HRESULT hr = E_FAIL;
    if (Assemble(source.vertexShaderAsm, &vsCode) && Assemble(source.pixelShaderAsm, &psCode)) {
        hr = device->CreateVertexShader(static_cast<const DWORD*>(vsCode->GetBufferPointer()), &vs);
        if (SUCCEEDED(hr)) hr = device->CreatePixelShader(static_cast<const DWORD*>(psCode->GetBufferPointer()), &ps);
    }
    if (vsCode) vsCode->Release();
    if (psCode) psCode->Release();
    if (FAILED(hr)) {
        if (vs) vs->Release();
        if (ps) ps->Release();
        return hr;
    }
    *out = new D3D9Effect(device, owner, std::move(source), vs, ps);
    return S_OK;
}

}  // namespace WorkSpace

namespace WorkSpace {

HResult CreateD3D9PixelShader(IDirect3DDevice9* device, const char* assembly, PixelShader** out) {
    *out = nullptr;
    if (!device || !assembly) return D3DERR_INVALIDCALL;
    ID3DBlob* code = nullptr;
    if (!Assemble(assembly, &code)) {
        if (code) code->Release();
        return E_FAIL;
    }
    IDirect3DPixelShader9* shader = nullptr;
    const HRESULT hr = device->CreatePixelShader(static_cast<const DWORD*>(code->GetBufferPointer()), &shader);
    code->Release();
    if (SUCCEEDED(hr)) *out = new D3D9PixelShader(shader);
    return hr;
}

}  // namespace WorkSpace
