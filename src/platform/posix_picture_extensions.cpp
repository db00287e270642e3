// Off Windows: the formats every Windows decodes without extra codecs, as the tool lists them.
#include "platform/picture_extensions.h"

namespace WorkSpace {
namespace Platform {

const std::vector<std::wstring>& PictureExtensions() { return BuiltInPictureExtensions(); }

}  // namespace Platform
}  // namespace WorkSpace
