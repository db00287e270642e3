// The picture textures of a lane on the recording backend: a moving picture's texture is
// replaced by its frame source's frame once one is due, and the one before it released.
#include "scene/picture_textures.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "scene/window.h"
#include "test_support.h"

using namespace WorkSpace;

namespace {
class PictureTextures : public RecordedScene {};

Image Solid(uint32_t colour) {
    Image image;
    image.width = image.height = 2;
    image.pixels.assign(4, colour);
    return image;
}

// One frame after the first, due half a second in; the seconds it was asked at.
class SecondFrameAtHalfASecond : public FrameSource {
public:
    bool FrameAt(double seconds, Image& out) override {
        asked.push_back(seconds);
        if (seconds < 0.5 || given) return false;
        given = true;
        out = Solid(0xFF00CC00);
        return true;
    }
    std::vector<double> asked;
    bool given = false;
};
}  // namespace

TEST_F(PictureTextures, AMovingPictureTakesItsNextFrameWhenItIsDue) {
    UserTextures pictures;
    pictures.SetDevice(GetWindow().device);
    const auto source = std::make_shared<SecondFrameAtHalfASecond>();
    DecodedPicture clip;
    clip.image = Solid(0xFF0000AA);
    clip.width = clip.height = 2;
    clip.frames = source;
    ASSERT_TRUE(pictures.AddPicture(clip, 0));
    const int live = record.liveObjects;
    record.Clear();
    pictures.AdvanceFrames(0.25);
    EXPECT_EQ(record.Find("CreateTextureFromImage"), -1);
    pictures.AdvanceFrames(0.25);
    EXPECT_GE(record.Find("CreateTextureFromImage(image:2x2:FF00CC00"), 0);
    EXPECT_GE(record.Find("Release(image:2x2:FF0000AA)"), 0);
    EXPECT_EQ(record.liveObjects, live);
    EXPECT_EQ(source->asked, (std::vector<double>{0.25, 0.5}));
    pictures.Clear();
}
