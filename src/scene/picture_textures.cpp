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
    Texture* texture = Upload(picture.image);
    if (!texture) return false;
    pictures_[count_++] = Picture{texture, picture.width, picture.height, picture.image.width, picture.image.height,
                                  listIndex};
    Picture& added = pictures_[count_ - 1];
    added.caption = UploadCaption(picture.caption, added.captionWidth, added.captionHeight);
    added.frames = picture.frames;
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
    picture.texture->Release();
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
    for (uint32_t i = 1; i < count_; ++i) pictures_[i - 1] = pictures_[i];
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
        picture.frameSeconds += seconds;
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

void UserTextures::Clear() {
    while (count_ > 0) DropFirst();
    uploadFailureLogged_ = false;
    captionFailureLogged_ = false;
}

}  // namespace WorkSpace
