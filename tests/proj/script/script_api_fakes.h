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
#include "qzware/win/qz_file_manager.h"
#include "qzware/win/qz_input_manager.h"
#include "qzware/win/qz_pad_reader.h"
#include "tests/support/null_game_manager.h"
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
    Sample::IGameNetworkServer* GetNetworkServer() override { return nullptr; }
    void Exit() override { log.push_back("Control.Exit()"); }

private:
    CallLog& log;
};

// Hands out the scripted pads, the recording file manager and the recording
// renderer (or a real one a test puts in `graphics`); never quits on Escape.
class FakeGameManager final : public qz_test_support::NullGameManager {
public:
    FakeGameManager(CallLog& log, QZW::Win::CQzPadReader* reader)
        : log(log), input(reader), files(log) {
        inputManager = &input;
        fileManager = &files;
        graphics = &recording;
    }
    bool IsEscapeQuit() override { return false; }
    std::uint32_t GetLanguage() override { return language; }
    void SetLanguage(std::uint32_t value) override {
        language = value;
        log.push_back("Manager.SetLanguage(" + std::to_string(value) + ")");
    }

    // The recording renderer's calls since the last look, moved into the log.
    void MoveGraphicsCalls() {
        for (const std::string& t : recording.Texts()) {
            log.push_back("Graphics." + t);
        }
        recording.ClearCalls();
    }

    CallLog& log;
    QZW::Win::CQzInputManager input;
    FakeFileManager files;
    qz_test_support::RecordingGraphics recording;
    std::uint32_t language = 0;
};

}  // namespace script_api_test
