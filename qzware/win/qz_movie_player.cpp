#include "qzware/win/qz_movie_player.h"

#include <GL/glew.h>

#include <algorithm>

#include "platform/clock/clock.h"
#include "qzware/depend/win/vho/vho_direct_show.h"
#include "qzware/scene/iqz_graphics.h"
#include "qzware/scene/qz_load_report.h"
#include "qzware/scene/qz_matrix.h"
#include "qzware/scene/qz_sprite.h"
#include "qzware/win/qz_texture_gl.h"

namespace QZW::Win {
namespace {

// The frames' rows are padded to 4 bytes, which is GL's default unpack
// alignment, so they go up as they are.
IQzTexture* MakeGlTexture(const void* pixels, std::int32_t width, std::int32_t height) {
    return CQzTextureGL::CreateFromPixels(pixels, width, height, "", GL_BGR, GL_RGB);
}

CQzMoviePlayer::TextureMaker g_textureMaker = &MakeGlTexture;
CQzMoviePlayer::LayerList g_layerList = nullptr;

}  // namespace

void CQzMoviePlayer::SetTextureMaker(TextureMaker maker) {
    g_textureMaker = maker ? maker : &MakeGlTexture;
}

void CQzMoviePlayer::SetLayerList(LayerList list) {
    g_layerList = list;
}

CQzMoviePlayer::CQzMoviePlayer(vho::DirectShow* movieDecoder) : decoder(movieDecoder) {}

CQzMoviePlayer::~CQzMoviePlayer() {
    Close();
}

bool CQzMoviePlayer::Open(const char* moviePath, std::int32_t px, std::int32_t py, std::int32_t w,
                          std::int32_t h, bool loopMovie, std::int32_t layer,
                          std::uint8_t brightness) {
    path = moviePath ? moviePath : "";
    // A layer outside the table would index past the draw task's screens.
    if (!decoder || layer < 0 || layer >= kLayerCount || w <= 0 || h <= 0) {
        QzReportLoadFailure("movie", path,
                            !decoder ? "no movie decoder"
                                     : (w <= 0 || h <= 0 ? "the movie's size is not positive"
                                                         : "its draw layer is outside 0..22"));
        return false;
    }
    const platform::win32::HRESULT hr = decoder->BeginOpen(moviePath);
    if (platform::win32::FAILED(hr)) {
        ReportFailure();
        return false;
    }
    Close();
    x = px;
    y = py;
    width = w;
    height = h;
    colour = std::uint32_t(brightness) | std::uint32_t(brightness) << 8 |
             std::uint32_t(brightness) << 16 | 0xFF000000u;
    loop = loopMovie ? 1 : 0;
    pendingLayer = layer;
    openPending = 1;
    playWhenOpen = true;
    if (hr == platform::win32::S_OK) {
        FinishOpen();
    }
    return true;
}

void CQzMoviePlayer::FinishOpen() {
    openPending = 0;
    sprite = new CQzSprite();
    sprite->SetColor(colour);
    playing = playWhenOpen ? 1 : 0;
    // The movie's clock starts when its first frame can show.
    startTime = platform::clock::now_ms();
    opened = 1;
    drawLayer = pendingLayer;
}

void CQzMoviePlayer::ReportFailure() {
    const char* why = decoder ? decoder->GetOpenFailure() : "";
    QzReportLoadFailure("movie", path, *why ? why : "it cannot be opened");
}

void CQzMoviePlayer::Update() {
    if (openPending && decoder) {
        const platform::win32::HRESULT hr = decoder->Poll();
        if (hr == platform::win32::S_FALSE) {
            return;  // still opening: the frame goes on without it
        }
        if (platform::win32::FAILED(hr)) {
            openPending = 0;
            ReportFailure();
            return;
        }
        FinishOpen();
    }
    if (!playing || !sprite || !decoder) {
        return;
    }
    // Keeps the decoder's messages from piling up while the movie plays.
    decoder->Poll();
    const std::uint32_t now = platform::clock::now_ms();
    // Unsigned difference: a wrap of the millisecond clock still counts forward.
    const std::int64_t elapsed = std::int64_t(std::uint32_t(now - startTime)) * 10000;
    if (elapsed > decoder->GetDuration()) {
        if (loop) {
            startTime = now;
            decoder->Play();
        } else {
            playing = 0;
        }
    }
    DeleteFrameTexture();

    std::uint8_t* pixels = nullptr;
    platform::win32::BITMAPINFOHEADER header;
    if (platform::win32::FAILED(decoder->GetFrame(&pixels, &header))) {
        return;
    }
    IQzTexture* texture = g_textureMaker(pixels, header.biWidth, header.biHeight);
    if (!texture) {
        return;
    }
    const float fw = float(header.biWidth);
    const float fh = float(header.biHeight);
    sprite->SetSprite(std::uint32_t(width), std::uint32_t(height), 0, 0, 1.0f, 1.0f, colour,
                      texture);
    // The frame's rows are stored bottom-up: top and bottom v swapped.
    sprite->SetUV(fw, -fh, 0.0f, fh);

    if (g_layerList) {
        if (CQzNode* list = g_layerList(drawLayer)) {
            list->AppendChildBounded(this);
        }
    }
}

void CQzMoviePlayer::Draw(IQzGraphics* g) {
    if (!playing || !sprite) {
        return;
    }
    Matrix place;
    place.TransrateMatrix(float(x), float(y), 0.0f);
    g->PushMatrix();
    g->MultMatrix(place);
    sprite->Draw(g);
}

void CQzMoviePlayer::PostDraw(IQzGraphics* g) {
    if (!playing || !sprite) {
        return;
    }
    sprite->PostDraw(g);
    g->PopMatrix();
}

void CQzMoviePlayer::Close() {
    if (!sprite) {
        return;
    }
    LeaveLayer();
    DeleteFrameTexture();
    delete sprite;
    sprite = nullptr;
}

void CQzMoviePlayer::DeleteFrameTexture() {
    if (!sprite) {
        return;
    }
    IQzTexture* texture = sprite->GetTexture();
    sprite->SetTexture(nullptr);
    // Undrawable until the next frame's texture is given.
    sprite->ResetSprite();
    delete texture;
}

void CQzMoviePlayer::LeaveLayer() {
    CQzNode* list = g_layerList ? g_layerList(drawLayer) : nullptr;
    if (list) {
        auto& c = list->children;
        c.erase(std::remove(c.begin(), c.end(), static_cast<CQzNode*>(this)), c.end());
    }
}

}  // namespace QZW::Win
