#include "qzware/win/qz_movie_manager.h"

#include <algorithm>

#include "qzware/depend/win/vho/vho_direct_show.h"
#include "qzware/scene/qz_load_report.h"
#include "qzware/win/qz_movie_player.h"
#include "qzware/win/qz_string_util.h"

namespace QZW::Win {

bool MakeMoviePath(const char* name, std::string* path) {
    if (!name || !path) {
        return false;
    }
    // Characters, not bytes: the extension is replaced whatever comes before it.
    std::wstring wide = QzUtf8ToWide(name);
    if (wide.size() < 3) {
        return false;
    }
    wide.replace(wide.size() - 3, 3, L"wmv");
    std::string file = QzWideToUtf8(wide);
    std::replace(file.begin(), file.end(), '\\', '/');
    *path = "USRDIR/movie/" + file;
    return true;
}

CQzMovieManager::CQzMovieManager() : IQzMovieManager("QzMovieManagerTask") {}

CQzMovieManager::~CQzMovieManager() {
    Finalize();
}

bool CQzMovieManager::Initialize() {
    if (!decoder) {
        decoder = new vho::DirectShow();
    }
    return decoder->Initialize();
}

void CQzMovieManager::Finalize() {
    ClosePlayer();
    if (decoder) {
        decoder->Finalize();
        delete decoder;
        decoder = nullptr;
    }
}

void CQzMovieManager::Update() {
    if (player) {
        player->Update();
    }
}

void CQzMovieManager::Play(const char* name, bool loop, std::int32_t layer, std::int32_t x,
                           std::int32_t y, std::int32_t w, std::int32_t h, float, float, float,
                           float, std::int32_t brightness) {
    ClosePlayer();
    player = new CQzMoviePlayer(decoder);
    std::string path;
    if (!MakeMoviePath(name, &path)) {
        QzReportLoadFailure("movie", name ? name : "",
                            "the name is shorter than its three-letter extension");
        return;
    }
    const auto level = std::uint8_t(std::clamp(brightness, 0, 255));
    player->Open(path.c_str(), x, y, w, h, loop, layer, level);
}

void CQzMovieManager::Stop() {
    if (player) {
        player->SetPlaying(false);
    }
}

void CQzMovieManager::Restart() {
    if (player) {
        player->SetPlaying(true);
    }
}

void CQzMovieManager::ClosePlayer() {
    delete player;
    player = nullptr;
}

bool CQzMovieManager::IsPlaying() {
    return player && player->IsPlaying();
}

}  // namespace QZW::Win
