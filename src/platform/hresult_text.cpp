// Direct3D's own codes have no message in the system's table, so the names of the ones a
// failed set-up step can return are kept here.
#include <cwchar>

#include "platform/platform.h"

namespace WorkSpace {
namespace Platform {

namespace {
struct KnownCode {
    uint32_t code;
    const wchar_t* name;
};
const KnownCode kKnownCodes[] = {
    {0x80004001, L"E_NOTIMPL"},
    {0x80004002, L"E_NOINTERFACE"},
    {0x80004003, L"E_POINTER"},
    {0x80004005, L"E_FAIL"},
    {0x8000FFFF, L"E_UNEXPECTED"},
    {0x8007000E, L"E_OUTOFMEMORY"},
    {0x80070057, L"E_INVALIDARG"},
    {0x8876017C, L"D3DERR_OUTOFVIDEOMEMORY"},
    {0x8876021C, L"D3DERR_WASSTILLDRAWING"},
    {0x88760827, L"D3DERR_DRIVERINTERNALERROR"},
    {0x88760866, L"D3DERR_NOTFOUND"},
    {0x88760867, L"D3DERR_MOREDATA"},
    {0x88760868, L"D3DERR_DEVICELOST"},
    {0x88760869, L"D3DERR_DEVICENOTRESET"},
    {0x8876086A, L"D3DERR_NOTAVAILABLE"},
    {0x8876086B, L"D3DERR_INVALIDDEVICE"},
    {0x8876086C, L"D3DERR_INVALIDCALL"},
    {0x8876086D, L"D3DERR_DRIVERINVALIDCALL"},
    {0x88760870, L"D3DERR_DEVICEREMOVED"},
    {0x88760874, L"D3DERR_DEVICEHUNG"},
    {0x88760B59, L"D3DXERR_INVALIDDATA"},
};
}  // namespace

std::wstring HResultText(int32_t hr) {
    const uint32_t code = static_cast<uint32_t>(hr);
    wchar_t hex[16];
    swprintf(hex, 16, L"0x%08X", code);
    std::wstring text = hex;
    for (const KnownCode& known : kKnownCodes)
        if (known.code == code) text += std::wstring(L" ") + known.name;
    const std::wstring message = SystemErrorMessage(hr);
    if (!message.empty()) text += L" " + message;
    return text;
}

}  // namespace Platform
}  // namespace WorkSpace
