// Stand-ins for the COM result codes and the bitmap header that the movie
// decoder's signatures use. Values keep their Win32 meaning: a result is a
// failure when negative. Nothing here touches a system API.
#pragma once

#include <cstdint>

namespace platform::win32 {

using HRESULT = std::int32_t;

constexpr HRESULT S_OK = 0;
// Success, but not done yet (an open still in progress).
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_FAIL = HRESULT(0x80004005u);
constexpr HRESULT E_POINTER = HRESULT(0x80004003u);
constexpr HRESULT E_OUTOFMEMORY = HRESULT(0x8007000Eu);
constexpr HRESULT E_INVALIDARG = HRESULT(0x80070057u);
// HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)
constexpr HRESULT E_FILE_NOT_FOUND = HRESULT(0x80070002u);
// The file is not in a format the reader knows.
constexpr HRESULT VFW_E_INVALID_FILE_FORMAT = HRESULT(0x8004022Fu);
// No stream of the kind asked for could be connected.
constexpr HRESULT VFW_E_CANNOT_CONNECT = HRESULT(0x80040217u);

constexpr bool SUCCEEDED(HRESULT hr) {
    return hr >= 0;
}
constexpr bool FAILED(HRESULT hr) {
    return hr < 0;
}

// The 40-byte BITMAPINFOHEADER; a positive height means rows bottom-up.
struct BITMAPINFOHEADER {
    std::uint32_t biSize = 40;
    std::int32_t biWidth = 0;
    std::int32_t biHeight = 0;
    std::uint16_t biPlanes = 1;
    std::uint16_t biBitCount = 0;
    std::uint32_t biCompression = 0;  // BI_RGB
    std::uint32_t biSizeImage = 0;
    std::int32_t biXPelsPerMeter = 0;
    std::int32_t biYPelsPerMeter = 0;
    std::uint32_t biClrUsed = 0;
    std::uint32_t biClrImportant = 0;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40, "BITMAPINFOHEADER is 40 bytes");

}  // namespace platform::win32
