// A texture made from a member of the resource archive (the logo, the particle sprite).
#pragma once
#include "gfx/graphics_ops.h"

namespace WorkSpace {

class ZipReader;

// Reads `member` from `archive` and creates a texture from its bytes, then gives the
// reader's buffer back.
// Returns false, creating nothing, when the member cannot be read or is empty; otherwise
// true, with `created` telling whether the device made the texture, and `result` (when
// given) the device's HRESULT: a failure code whenever nothing was created.
bool TextureFromArchive(ZipReader& archive, GraphicsDevice* device, const wchar_t* member,
                        const TextureOptions& options, ImageInfo* info, Texture** out, bool& created,
                        HResult* result = nullptr);

}  // namespace WorkSpace
