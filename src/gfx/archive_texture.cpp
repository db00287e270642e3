// A texture from a member of the resource archive: the member's bytes read and handed to the
// device, and the reader's buffer given back whatever the device made of them.
#include "gfx/archive_texture.h"

#include "resources/zip_reader.h"

namespace WorkSpace {

bool TextureFromArchive(ZipReader& reader, GraphicsDevice* device, const wchar_t* member,
                        const TextureOptions& options, ImageInfo* info, Texture** out, bool& created,
                        HResult* result) {
    created = false;
    uint32_t size = 0;
    uint8_t* data = reader.ReadMember(member, size);
    if (!data || size == 0) {
        if (data) reader.FreeBuffer();  // an empty member still leaves its buffer
        return false;
    }
    HResult hr = device->CreateTextureFromMemory(data, size, options, info, out);
    created = !Failed(hr) && *out;
    if (!created) *out = nullptr;
    if (!created && !Failed(hr)) hr = kFail;  // success without a texture is no texture
    if (result) *result = hr;
    reader.FreeBuffer();
    return true;
}

}  // namespace WorkSpace
