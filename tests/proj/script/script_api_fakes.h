// Fakes behind the script API for forwarder tests: a game manager handing
// out a recording file manager, a recording renderer and a real pad reader
// over the scripted input backend, and a game control; every call the
// script functions make lands in one call log as "Service.Call(args)".
#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "proj/game/igame_control.h"
#include "proj/game/isystem_util_control.h"
#include "qzware/scene/iqz_sound_manager.h"
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

// Logs each keyboard call; the state, end state and text are the test's.
class FakeSystemUtil final : public Sample::ISystemUtilControl {
public:
    explicit FakeSystemUtil(CallLog& log) : log(log) {}
    void BeginKeyboard() override { log.push_back("Util.BeginKeyboard()"); }
    void EndKeyboard() override { log.push_back("Util.EndKeyboard()"); }
    void OpenKeyboardDialog(const std::string& title, const std::string& text,
                            std::int32_t maxLength) override {
        log.push_back("Util.OpenKeyboardDialog(" + title + ", " + text + ", " +
                      std::to_string(maxLength) + ")");
    }
    void UpdateKeyboardDialog(std::int32_t value) override {
        log.push_back("Util.UpdateKeyboardDialog(" + std::to_string(value) + ")");
    }
    std::int32_t GetKeyboardDialogState() override { return state; }
    std::int32_t GetKeyboardDialogEndState() override { return 2; }
    std::string GetKeyboardDialogText() override { return text; }

    std::int32_t state = 1;
    std::string text = "typed";

private:
    CallLog& log;
};

// Logs each sound call as "Sound.Name(args)"; PlaySE answers 40 + the cue,
// IsEndSE is true for handle 9, IsEndBGM true, LoadWav 12.
class FakeSoundManager final : public QZW::IQzSoundManager {
public:
    explicit FakeSoundManager(CallLog& log) : log(log) {}
    void Initialize(QZW::IQzGameManager*) override {}
    void Finalize() override {}
    void Update() override {}
    void SetMasterVolume(float v) override { Log("SetMasterVolume(" + F(v) + ")"); }
    void SetSEVolume(float v) override { Log("SetSEVolume(" + F(v) + ")"); }
    void SetBGMVolume(float v) override { Log("SetBGMVolume(" + F(v) + ")"); }
    std::int32_t GetMasterVolume() override { return 255; }
    std::int32_t GetSEVolume() override { return 255; }
    std::int32_t GetBGMVolume() override { return 255; }
    std::int32_t LoadWav(const char* f) override {
        Log(std::string("LoadWav(") + f + ")");
        return 12;
    }
    std::int32_t LoadMp3(const char* f) override {
        Log(std::string("LoadMp3(") + f + ")");
        return 0;
    }
    std::int32_t PlaySEChannel(std::int32_t ch, std::int32_t cue, std::int32_t arg,
                               float v) override {
        Log("PlaySEChannel(" + I(ch) + ", " + I(cue) + ", " + I(arg) + ", " + F(v) + ")");
        return 77;
    }
    std::int32_t PlaySE(std::int32_t cue, std::int32_t arg, float v) override {
        Log("PlaySE(" + I(cue) + ", " + I(arg) + ", " + F(v) + ")");
        return 40 + cue;
    }
    void StopSE(std::int32_t h) override { Log("StopSE(" + I(h) + ")"); }
    void StopAllSE() override { Log("StopAllSE()"); }
    void PauseSE(std::int32_t h) override { Log("PauseSE(" + I(h) + ")"); }
    void ResumeSE(std::int32_t h) override { Log("ResumeSE(" + I(h) + ")"); }
    bool IsEndSE(std::int32_t h) override {
        Log("IsEndSE(" + I(h) + ")");
        return h == 9;
    }
    std::int32_t PlayBGMFile(const char* f, std::int32_t arg, float v) override {
        Log(std::string("PlayBGMFile(") + f + ", " + I(arg) + ", " + F(v) + ")");
        return 0;
    }
    std::int32_t PlayBGM(std::int32_t cue, std::int32_t arg, float v) override {
        Log("PlayBGM(" + I(cue) + ", " + I(arg) + ", " + F(v) + ")");
        return 0;
    }
    void StopBGM() override { Log("StopBGM()"); }
    void PauseBGM() override { Log("PauseBGM()"); }
    void ResumeBGM() override { Log("ResumeBGM()"); }
    bool IsEndBGM() override {
        Log("IsEndBGM()");
        return true;
    }
    bool IsInitialized() override { return true; }

private:
    void Log(const std::string& s) { log.push_back("Sound." + s); }
    static std::string I(std::int32_t v) { return std::to_string(v); }
    static std::string F(float v) {
        char b[32];
        std::snprintf(b, sizeof b, "%g", double(v));
        return b;
    }
    CallLog& log;
};

class FakeGameControl final : public Sample::IGameControl {
public:
    explicit FakeGameControl(CallLog& log) : log(log), util(log) {}
    Sample::IAutoSaveControl* GetAutoSaveControl() override { return nullptr; }
    Sample::ISystemUtilControl* GetSystemUtilControl() override { return &util; }
    Sample::IGameNetworkServer* GetNetworkServer() override { return nullptr; }
    void Exit() override { log.push_back("Control.Exit()"); }

private:
    CallLog& log;
    FakeSystemUtil util;
};

// Hands out the scripted pads, the recording file manager and the recording
// renderer (or a real one a test puts in `graphics`); never quits on Escape.
class FakeGameManager final : public qz_test_support::NullGameManager {
public:
    FakeGameManager(CallLog& log, QZW::Win::CQzPadReader* reader)
        : log(log), input(reader), files(log), sound(log) {
        inputManager = &input;
        soundManager = &sound;
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
    FakeSoundManager sound;
    qz_test_support::RecordingGraphics recording;
    std::uint32_t language = 0;
};

}  // namespace script_api_test
