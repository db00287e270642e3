// Lumora particle effect: camera-facing textured quads, tinted by the particle's colour
// and drawn with additive blending (the blend states are set by the renderer).
//
// Vertex layout: position (float3), texture coordinate 0 (float2), colour in texture
// coordinate 1 (float4). The colour travels as a texture coordinate so values above 1
// (the "Ice" scheme) reach the pixel shader unclamped.

float4x4 matWorldViewProjection;   // transposed world * view * projection
texture texParticle;

sampler sampParticle = sampler_state
{
    Texture = <texParticle>;
    MinFilter = Linear;
    MagFilter = Linear;
    MipFilter = Linear;
    AddressU = Clamp;
    AddressV = Clamp;
};

technique TechniqueNoInst
{
    pass P0
    {
        VertexShaderConstant4[0] = <matWorldViewProjection>;
        Sampler[0] = (sampParticle);

        VertexShader = asm
        {
            vs_2_0
            dcl_position v0
            dcl_texcoord0 v1
            dcl_texcoord1 v2
            m4x4 oPos, v0, c0
            mov oT0.xy, v1
            mov oT1, v2
        };

        PixelShader = asm
        {
            ps_2_0
            dcl t0.xy
            dcl t1
            dcl_2d s0
            texld r0, t0, s0
            mul r0, r0, t1
            mov oC0, r0
        };
    }
}
