// The effect reader: our shipped effect parses into what the renderer binds, and anything
// outside the supported subset is refused rather than half-understood.
#include <gtest/gtest.h>


#include "gfx/effect_source.h"
#include "test_support.h"

using namespace WorkSpace;

namespace {
std::string ShippedEffect() { return ReadFile(LUMORA_SOURCE_DIR "/assets/archive/Resource/ParticleShader.fx"); }

bool Parses(const std::string& text, std::string* why = nullptr) {
    EffectSource e;
    std::string error;
    bool ok = ParseEffectSource(text.data(), text.size(), e, error);
    if (why) *why = error;
    return ok;
}

const char* kMinimal = R"(
float4x4 m;
texture t;
sampler s = sampler_state { Texture = <t>; };
technique T { pass P0 {
  VertexShaderConstant4[0] = <m>;
  Sampler[0] = (s);
  VertexShader = asm { vs_2_0 };
  PixelShader = asm { ps_2_0 };
} }
)";
}  // namespace

TEST(EffectSource, ShippedEffectOffersWhatTheRendererUses) {
    const std::string text = ShippedEffect();
    ASSERT_FALSE(text.empty());
    EffectSource e;
    std::string error;
    ASSERT_TRUE(ParseEffectSource(text.data(), text.size(), e, error)) << error;
    EXPECT_EQ(e.technique, "TechniqueNoInst");
    ASSERT_NE(e.FindParameter("matWorldViewProjection"), nullptr);
    EXPECT_EQ(e.FindParameter("matWorldViewProjection")->kind, EffectParameter::Matrix4x4);
    ASSERT_NE(e.FindParameter("texParticle"), nullptr);
    EXPECT_EQ(e.FindParameter("texParticle")->kind, EffectParameter::Texture);
    ASSERT_EQ(e.vertexConstants.size(), 1u);
    EXPECT_EQ(e.vertexConstants[0].firstRegister, 0u);
    ASSERT_EQ(e.samplerBindings.size(), 1u);
    EXPECT_EQ(e.FindSampler(e.samplerBindings[0].sampler)->texture, "texParticle");
    EXPECT_NE(e.vertexShaderAsm.find("vs_2_0"), std::string::npos);
    EXPECT_NE(e.vertexShaderAsm.find("m4x4 oPos, v0, c0"), std::string::npos);
    EXPECT_NE(e.pixelShaderAsm.find("texld"), std::string::npos);
    // Linear filtering and clamping from the sampler block.
    EXPECT_EQ(e.FindSampler("sampParticle")->states.size(), 5u);
}

TEST(EffectSource, MinimalSubsetAndCommentsParse) {
    EXPECT_TRUE(Parses(kMinimal));
    EXPECT_TRUE(Parses(std::string("/* block */ // line\n") + kMinimal));
}

TEST(EffectSource, AnythingOutsideTheSubsetIsRefused) {
    std::string why;
    EXPECT_FALSE(Parses("", &why));
    EXPECT_FALSE(Parses("float4 colour;\n" + std::string(kMinimal), &why));  // unsupported parameter type
    EXPECT_FALSE(Parses(std::string(kMinimal) + "technique Second { pass P0 { } }", &why));
    std::string hlsl = kMinimal;
    hlsl.replace(hlsl.find("asm { vs_2_0 }"), 14, "compile vs_2_0 main()");
    EXPECT_FALSE(Parses(hlsl, &why));
    std::string state = kMinimal;
    state.insert(state.find("VertexShader ="), "AlphaBlendEnable = true;\n");
    EXPECT_FALSE(Parses(state, &why));
    EXPECT_NE(why.find("AlphaBlendEnable"), std::string::npos);
    std::string unbound = kMinimal;
    unbound.replace(unbound.find("<m>"), 3, "<nothing>");
    EXPECT_FALSE(Parses(unbound, &why));
    std::string cut = kMinimal;
    cut.resize(cut.find("PixelShader") + 20);
    EXPECT_FALSE(Parses(cut, &why));
    EXPECT_FALSE(Parses(std::string("\0\xff\x01garbage", 10), &why));
}
