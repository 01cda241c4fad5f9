// Fakes behind the script API for forwarder tests: a game manager handing
// out a recording file manager, a recording renderer and a real pad reader
// over the scripted input backend, and a game control; every call the
// script functions make lands in one call log as "Service.Call(args)".
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "proj/game/igame_control.h"
#include "qzware/scene/iqz_game_manager.h"
#include "qzware/win/qz_file_manager.h"
#include "qzware/win/qz_input_manager.h"
#include "qzware/win/qz_pad_reader.h"
#include "tests/support/recording_graphics.h"

namespace script_api_test {

using CallLog = std::vector<std::string>;

// Answers: request 7 is finished (a read of "a.tga"), never idle, names
// starting with 'a' exist, writes succeed; background reads are numbered
// from 9 and never complete.
class FakeFileManager final : public QZW::Win::CQzFileManager {
public:
    explicit FakeFileManager(CallLog& log) : CQzFileManager("USRDIR_unused"), log(log) {}
    bool IsRequestFinished(std::uint32_t id) override {
        log.push_back("Files.IsRequestFinished(" + std::to_string(id) + ")");
        return id == 7;
    }
    bool IsIdle() override {
        log.push_back("Files.IsIdle()");
        return false;
    }
    void UpdateUntilIdle(std::int32_t count) override {
        log.push_back("Files.UpdateUntilIdle(" + std::to_string(count) + ")");
    }
    void ClearRequests() override { log.push_back("Files.ClearRequests()"); }
    std::uint32_t LoadFileAsync(const std::string& path, std::uint32_t, QzFileRequestCallback,
                                std::uintptr_t) override {
        log.push_back("Files.LoadFileAsync(" + path + ")");
        const std::uint32_t id = nextRequest++;
        requestPaths[id] = path;
        return id;
    }
    void GetRequestPath(std::string& out, std::uint32_t id) override {
        log.push_back("Files.GetRequestPath(" + std::to_string(id) + ")");
        auto it = requestPaths.find(id);
        out = it == requestPaths.end() ? std::string() : it->second;
    }
    bool ExistsFile(const std::string& path) override {
        log.push_back("Files.ExistsFile(" + path + ")");
        return !path.empty() && path[0] == 'a';
    }
    bool WriteFile(const std::string& path, const void* data, std::uint32_t size,
                   std::int32_t* outError) override {
        log.push_back("Files.WriteFile(" + path + ", " +
                      std::string(static_cast<const char*>(data), size) + ", " +
                      std::to_string(size) + (outError ? ", error out)" : ")"));
        return true;
    }

private:
    CallLog& log;
    std::uint32_t nextRequest = 9;
    std::map<std::uint32_t, std::string> requestPaths{{7, "a.tga"}};
};

class FakeGameControl final : public Sample::IGameControl {
public:
    explicit FakeGameControl(CallLog& log) : log(log) {}
    Sample::IAutoSaveControl* GetAutoSaveControl() override { return nullptr; }
    Sample::ISystemUtilControl* GetSystemUtilControl() override { return nullptr; }
    Sample::INetworkServer* GetNetworkServer() override { return nullptr; }
    void Exit() override { log.push_back("Control.Exit()"); }

private:
    CallLog& log;
};

class FakeGameManager final : public QZW::IQzGameManager {
public:
    FakeGameManager(CallLog& log, QZW::Win::CQzPadReader* reader)
        : log(log), input(reader), files(log) {}
    bool Initialize() override { return true; }
    void InitializeGraphics(platform::win32::HWND) override {}
    void Finalize() override {}
    void Update() override {}
    QZW::Win::CQzInputManager* GetInputManager() override { return &input; }
    QZW::Win::CQzFileManager* GetFileManager() override { return &files; }
    QZW::IQzSoundManager* GetSoundManager() override { return nullptr; }
    QZW::IQzGraphics* GetGraphics() override { return realGraphics ? realGraphics : &graphics; }
    QZW::CQzTaskManager* GetTaskManager() override { return nullptr; }
    QZW::IQzMovieManager* GetMovieManager() override { return nullptr; }
    QZW::CQzManagerBase* GetUnusedManager() override { return nullptr; }
    QZW::CQzDrawTask* GetDrawTask() override { return drawTask; }
    double GetInputUpdateTime() override { return 0; }
    double GetFileUpdateTime() override { return 0; }
    double GetSoundUpdateTime() override { return 0; }
    double GetTaskUpdateTime() override { return 0; }
    float GetDeltaTime() override { return 0; }
    float GetTimeScale() override { return 1; }
    void SetEscapeQuit(bool) override {}
    bool IsEscapeQuit() override { return false; }
    std::uint32_t GetLanguage() override { return language; }
    void SetLanguage(std::uint32_t value) override {
        language = value;
        log.push_back("Manager.SetLanguage(" + std::to_string(value) + ")");
    }

    // The renderer's calls since the last look, moved into the log.
    void MoveGraphicsCalls() {
        for (const std::string& t : graphics.Texts()) {
            log.push_back("Graphics." + t);
        }
        graphics.ClearCalls();
    }

    CallLog& log;
    QZW::Win::CQzInputManager input;
    FakeFileManager files;
    qz_test_support::RecordingGraphics graphics;
    // When set, handed out instead of the recording renderer.
    QZW::IQzGraphics* realGraphics = nullptr;
    // The engine draw task the texture functions reach; none unless a test sets it.
    QZW::CQzDrawTask* drawTask = nullptr;
    std::uint32_t language = 0;
};

}  // namespace script_api_test
