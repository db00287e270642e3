// The picture textures of one lane (picture_textures.h): decoded pixels uploaded on the
// device's thread, a failed upload logged once and the picture skipped, each picture's
// textures released together.
#include "scene/picture_textures.h"

#include "resources/logger.h"

namespace WorkSpace {

UserTextures::~UserTextures() { Clear(); }

void UserTextures::SetDevice(GraphicsDevice* device) {
    device_ = device;
    const TextureLimits limits = device ? device->GetTextureLimits() : TextureLimits{0, 0, false};
    SetPictureTextureLimits(limits.maxWidth, limits.maxHeight, limits.powerOfTwo);
}

Texture* UserTextures::Upload(const Image& image, bool caption) {
    Texture* texture = nullptr;
    TextureOptions options;
    options.mipLevels = 1;  // decoded at the size it is drawn; no mip filter samples the rest
    const HResult hr = device_->CreateTextureFromImage(image, options, &texture);
    if (Failed(hr) || !texture) {
        // Video or system memory short just now: this picture is skipped (a caption: its
        // picture goes on without it), the next one may fit, and the effect goes on.
        bool& logged = caption ? captionFailureLogged_ : uploadFailureLogged_;
        if (!logged && caption)
            GetLogger().Write(L"UserTextures::AddPicture() - caption CreateTextureFromImage 0x%08X - FAILED",
                              static_cast<unsigned>(hr));
        else if (!logged)
            GetLogger().Write(L"UserTextures::AddPicture() - CreateTextureFromImage 0x%08X - FAILED",
                              static_cast<unsigned>(hr));
        logged = true;
        return nullptr;
    }
    return texture;
}

bool UserTextures::AddPicture(const DecodedPicture& picture, uint32_t listIndex) {
    if (!device_ || count_ == kMaxTextures) return false;
    // A clip has no still; a live photo has its still and its motion.
    const bool clip = picture.frames && picture.frames->HasPlanes() && picture.image.pixels.empty();
    Texture* texture = clip ? nullptr : Upload(picture.image);
    if (!texture && !clip) return false;
    pictures_[count_++] = Picture{texture, picture.width, picture.height, picture.image.width, picture.image.height,
                                  listIndex};
    Picture& added = pictures_[count_ - 1];
    added.frames = picture.frames;
    if (added.frames && added.frames->HasPlanes() && !StartClip(added)) {
        if (clip) {
            pictures_[--count_] = Picture();
            return false;
        }
        added.frames = nullptr;  // a live photo whose motion cannot show is a photo
    }
    added.caption = UploadCaption(picture.caption, added.captionWidth, added.captionHeight);
    return true;
}

Texture* UserTextures::UploadCaption(const Image& caption, uint32_t& width, uint32_t& height) {
    if (caption.pixels.empty()) return nullptr;
    Texture* texture = Upload(caption, true);
    if (texture) {
        width = caption.width;
        height = caption.height;
    }
    return texture;
}

bool UserTextures::AddPicture(const StreamedPicture& streamed) {
    if (!AddPicture(streamed.picture, streamed.listIndex)) return false;
    Picture& added = pictures_[count_ - 1];
    added.serial = streamed.serial;
    if (streamed.paired && (added.partner = Upload(streamed.partner.image)) != nullptr) {
        added.partnerWidth = streamed.partner.width;
        added.partnerHeight = streamed.partner.height;
        added.partnerImageWidth = streamed.partner.image.width;
        added.partnerImageHeight = streamed.partner.image.height;
        added.partnerCaption =
            UploadCaption(streamed.partner.caption, added.partnerCaptionWidth, added.partnerCaptionHeight);
    }
    if (!streamed.backdrop.pixels.empty()) added.backdrop = Upload(streamed.backdrop);
    return true;
}

namespace {
void ReleasePicture(UserTextures::Picture& picture) {
    if (picture.texture) picture.texture->Release();
    if (picture.luma) picture.luma->Release();
    if (picture.chroma) picture.chroma->Release();
    if (picture.partner) picture.partner->Release();
    if (picture.backdrop) picture.backdrop->Release();
    if (picture.caption) picture.caption->Release();
    if (picture.partnerCaption) picture.partnerCaption->Release();
    picture = UserTextures::Picture();
}
}  // namespace

void UserTextures::DropFirst() {
    if (count_ == 0) return;
    ReleasePicture(pictures_[0]);
    for (uint32_t i = 1; i < count_; ++i) pictures_[i - 1] = std::move(pictures_[i]);
    pictures_[--count_] = Picture();
}

void UserTextures::KeepFirst(uint32_t keep) {
    while (count_ > keep) ReleasePicture(pictures_[--count_]);
}

void UserTextures::KeepCaptionCorners(int corner) {
    for (uint32_t i = 0; i < count_ && i < 2; ++i)
        if (pictures_[i].captionCorner < 0) pictures_[i].captionCorner = corner;
}

void UserTextures::AdvanceFrames(double seconds) {
    for (uint32_t i = 0; i < count_; ++i) {
        Picture& picture = pictures_[i];
        if (!picture.frames) continue;
        // A clip's clock starts once it is the picture on screen alone, its cross-fade in
        // done: one coming in after a photo would play its first seconds half-blended.
        if (i == 0 || !picture.luma) picture.frameSeconds += seconds;
        if (picture.luma) {
            if (device_ && picture.frames->VideoFrameAt(picture.frameSeconds, picture.planes))
                WritePlanes(picture, picture.planes);
            picture.motion = !picture.texture || !picture.frames->StillShows(picture.frameSeconds);
            continue;
        }
        Image frame;
        if (!device_ || !picture.frames->FrameAt(picture.frameSeconds, frame)) continue;
        Texture* texture = Upload(frame);
        if (!texture) continue;
        picture.texture->Release();
        picture.texture = texture;
        picture.imageWidth = frame.width;
        picture.imageHeight = frame.height;
    }
}

bool UserTextures::FirstHoldsFade() const {
    return count_ > 0 && pictures_[0].frames && pictures_[0].frames->HoldsFade(pictures_[0].frameSeconds);
}

void UserTextures::Clear() {
    while (count_ > 0) DropFirst();
    SafeRelease(clipShader_);
    clipFailureLogged_ = false;
    uploadFailureLogged_ = false;
    captionFailureLogged_ = false;
}

}  // namespace WorkSpace
