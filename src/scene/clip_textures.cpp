// A clip's planes in the picture textures (picture_textures.h): the luma and chroma
// textures made with its first frame and written again with each later one, and the one
// shader that makes their colours, made with the first clip.
#include "scene/picture_textures.h"

#include "resources/logger.h"
#include "video/yuv_colour.h"

namespace WorkSpace {

bool UserTextures::StartClip(Picture& picture) {
    VideoFrame& first = picture.planes;
    if (!picture.frames->VideoFrameAt(0.0, first) || !VideoFrameConsistent(first)) return false;
    HResult hr = kOk;
    if (!clipShader_) hr = device_->CreatePixelShader(kYuvPixelShader, &clipShader_);
    const bool wide = first.format == VideoFormat::P010;
    if (!Failed(hr))
        hr = device_->CreatePlaneTexture(first.width, first.height, wide ? PlaneFormat::L16 : PlaneFormat::L8,
                                         &picture.luma);
    if (!Failed(hr))
        hr = device_->CreatePlaneTexture(first.width / 2, first.height / 2,
                                         wide ? PlaneFormat::G16R16 : PlaneFormat::A8L8, &picture.chroma);
    picture.frameWidth = first.width;
    picture.frameHeight = first.height;
    picture.rotation = first.rotation;
    picture.format = first.format;
    picture.colour = first.colour;
    if (!Failed(hr) && clipShader_ && picture.luma && picture.chroma && WritePlanes(picture, first)) {
        picture.motion = true;
        return true;
    }
    // Memory short, or no shader assembler (d3dcompiler_47.dll missing): the clip is skipped,
    // a live photo shows its still.
    if (!clipFailureLogged_)
        GetLogger().Write(L"UserTextures::AddPicture() - clip textures 0x%08X - FAILED", static_cast<unsigned>(hr));
    clipFailureLogged_ = true;
    SafeRelease(picture.luma);
    SafeRelease(picture.chroma);
    picture.planes = VideoFrame();
    return false;
}

bool UserTextures::WritePlanes(Picture& picture, const VideoFrame& frame) {
    if (frame.width != picture.frameWidth || frame.height != picture.frameHeight || frame.format != picture.format)
        return false;
    const uint32_t sample = VideoSampleBytes(frame.format);
    return !Failed(device_->UpdatePlaneTexture(picture.luma, frame.luma.data(), frame.width * sample, frame.height)) &&
           !Failed(device_->UpdatePlaneTexture(picture.chroma, frame.chroma.data(), frame.width * sample,
                                               frame.height / 2));
}

}  // namespace WorkSpace
