// The global script API in a real VM over fakes: the manifest of bound names
// and parameter counts, and one table of (snippet, calls on the fakes,
// result) for the forwarders, with pads and keys from the scripted input.
#include <gtest/gtest.h>
#include <squirrel.h>

#include <initializer_list>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/debug/debug.h"
#include "platform/input/input_null.h"
#include "platform/win32/win32_types.h"
#include "platform/window/window_null.h"
#include "proj/script/net_key_buffer.h"
#include "proj/script/script_api.h"
#include "proj/script/script_function_table.h"
#include "proj/script/sq_bind.h"
#include "qzware/scene/iqz_texture.h"
#include "qzware/scene/qz_draw_task.h"
#include "qzware/win/qz_window.h"
#include "tests/proj/script/script_api_fakes.h"
#include "tests/proj/script/script_snippet.h"

namespace {

using namespace script_api_test;
using platform::input::PadState;

// [SECTION] Manifest
struct Expected {
    const char* name;
    SQInteger parameters;
    const char* later;  // non-null: bound with the subsystem it needs
};

// The global functions in binding order: system and debug, pads and keys,
// files and textures, version and settings, text, drawing, projection and
// display effects, sound and movies, the software keyboard, then auto-save.
const Expected kManifest[] = {
    {"SQ_Hook", 0, nullptr},
    {"SQ_Exit", 0, nullptr},
    {"SQ_Abort", 0, nullptr},
    {"SQ_DebugInfo", 3, nullptr},
    {"SQ_MemDump", 1, nullptr},
    {"SQ_DrawTaskDump", 0, nullptr},
    {"SQ_IsForceExit", 0, nullptr},
    {"SQ_IsUseArcive", 0, nullptr},
    {"SQ_PrintString", 1, nullptr},
    {"SQ_GetSystemTime", 0, nullptr},
    {"SQ_Include", 1, nullptr},
    {"SQ_Reload", 1, nullptr},
    {"SQ_GetPressButtonState", 1, nullptr},
    {"SQ_IsPressButton", 2, nullptr},
    {"SQ_GetPressJustButtonState", 1, nullptr},
    {"SQ_IsPressJustButton", 2, nullptr},
    {"SQ_GetButtonState", 1, nullptr},
    {"SQ_IsPressJustKey", 1, nullptr},
    {"SQ_IsConnected", 1, nullptr},
    {"SQ_IsKeyboard", 1, nullptr},
    {"SQ_GetLocalPlayerCount", 0, nullptr},
    {"SQ_LoadTexture", 1, nullptr},
    {"SQ_LoadTextureAsync", 1, nullptr},
    {"SQ_IsCompleteLoadTextureAsync", 1, nullptr},
    {"SQ_GetTextureFromRequestId", 1, nullptr},
    {"SQ_ReleaseTexture", 1, nullptr},
    {"SQ_Flush", 0, nullptr},
    {"SQ_IsCompleteFileLoad", 0, nullptr},
    {"SQ_WaitFileLoad", 1, nullptr},
    {"SQ_ClearFileRequest", 0, nullptr},
    {"SQ_ExistsFile", 1, nullptr},
    {"SQ_SaveString", 2, nullptr},
    {"SQ_VersionNumber", 0, nullptr},
    {"SQ_VersionString", 0, nullptr},
    {"SQ_GetPlatform", 0, nullptr},
    {"SQ_TargetMedia", 0, nullptr},
    {"SQ_DecisionButtonType", 0, nullptr},
    {"SQ_GetLocalize", 0, nullptr},
    {"SQ_IsSteam", 0, nullptr},
    {"SQ_GetLanguage", 0, nullptr},
    {"SQ_SetLanguage", 1, nullptr},
    {"SQ_FullScreen", 1, nullptr},
    {"SQ_Resolution", 1, nullptr},
    {"SQ_ScreenShot", 5, nullptr},
    {"SQ_SJIS_Slice", 3, nullptr},
    {"SQ_SJIS_Strlen", 1, nullptr},
    {"SQ_SJIS_StrlenWide", 1, nullptr},
    {"SQ_SJIS_Find", 3, nullptr},
    {"SQ_SJIS_Replace", 3, nullptr},
    {"SQ_SJIS_Compare", 2, nullptr},
    {"SQ_SetCamera", 4, nullptr},
    {"SQ_SetCameraRot", 3, nullptr},
    {"SQ_DebugPrint", 4, nullptr},
    {"SQ_DmgPrint", 4, nullptr},
    {"SQ_DrawSpriteList", 2, nullptr},
    {"SQ_AppendSprite2", 10, nullptr},
    {"SQ_AppendSprite3", 12, nullptr},
    {"SQ_AppendBillboard", 10, nullptr},
    {"SQ_AppendPrim", 9, nullptr},
    {"SQ_AppendLine", 5, nullptr},
    {"SQ_DrawBox", 6, nullptr},
    {"SQ_GetLookAtMatrix", 0, nullptr},
    {"SQ_GetScreenProjMatrix", 1, nullptr},
    {"SQ_EnableShadowGaus", 0, nullptr},
    {"SQ_DisableShadowGaus", 0, nullptr},
    {"SQ_World2ScreenPos", 1, nullptr},
    {"SQ_World2ScreenPos2", 3, nullptr},
    {"SQ_World2ViewPos", 1, nullptr},
    {"SQ_World2ViewPos2", 3, nullptr},
    {"SQ_World2ScreenScale", 1, nullptr},
    {"SQ_World2ScreenScale2", 3, nullptr},
    {"SQ_ViewPosScScale", 3, nullptr},
    {"SQ_Screen2WorldPos0Y", 2, nullptr},
    {"SQ_GetMove25D", 4, nullptr},
    {"SQ_Math_IsHitPointTriangle", 4, nullptr},
    {"SQ_ClearScreen", 1, nullptr},
    {"SQ_ClearTargetFrameBuffer", 2, nullptr},
    {"SQ_SetFrameBufferColor", 5, nullptr},
    {"SQ_EnableYuragi", 0, nullptr},
    {"SQ_DisableYuragi", 0, nullptr},
    {"SQ_SetGreaPow", 1, nullptr},
    {"SQ_SetDisplayBaseScale", 2, nullptr},
    {"SQ_SetDisplayScale", 2, nullptr},
    {"SQ_SetDisplayOfs", 2, nullptr},
    {"SQ_PlaySE", 3, nullptr},
    {"SQ_PlaySE_Channel", 4, nullptr},
    {"SQ_StopSE", 1, nullptr},
    {"SQ_StopAllSE", 0, nullptr},
    {"SQ_PauseSE", 1, nullptr},
    {"SQ_ResumeSE", 1, nullptr},
    {"SQ_IsEndSE", 1, nullptr},
    {"SQ_SetVolumeSE", 1, nullptr},
    {"SQ_ReserveSoundChannel", 1, nullptr},
    {"SQ_ReleaseSoundChannel", 1, nullptr},
    {"SQ_PlayBGMFile", 3, nullptr},
    {"SQ_PlayBGM", 3, nullptr},
    {"SQ_StopBGM", 0, nullptr},
    {"SQ_PauseBGM", 0, nullptr},
    {"SQ_ResumeBGM", 0, nullptr},
    {"SQ_IsEndBGM", 0, nullptr},
    {"SQ_SetVolumeBGM", 1, nullptr},
    {"SQ_LoadWav", 1, nullptr},
    {"SQ_LoadMp3", 1, nullptr},
    {"SQ_PlayMovie", 12, nullptr},
    {"SQ_StopMovie", 0, nullptr},
    {"SQ_GetPlayMovieName", 0, nullptr},
    {"SQ_IsMovieEnable", 0, nullptr},
    {"SQ_IsMoviePlaying", 0, nullptr},
    {"SQ_IsMoviePlayerClosed", 0, nullptr},
    {"SQ_MoviePlayerRestart", 0, nullptr},
    {"SQ_MoviePlayerStop", 0, nullptr},
    {"SQ_BeginKeyboard", 0, nullptr},
    {"SQ_EndKeyboard", 0, nullptr},
    {"SQ_OpenKeyboardDialog", 3, nullptr},
    {"SQ_UpdateKeyboardDialog", 1, nullptr},
    {"SQ_GetKeyboardDialogState", 0, nullptr},
    {"SQ_GetKeyboardDialogEndState", 0, nullptr},
    {"SQ_GetKeyboardDialogText", 0, nullptr},
    {"SQ_CheckSaveDataValid", 1, nullptr},
    {"SQ_AutoSaveStartSave", 1, nullptr},
    {"SQ_AutoSaveStartLoad", 1, nullptr},
    {"SQ_AutoSaveCreateData", 1, nullptr},
    {"SQ_AutoSaveDeleteData", 0, nullptr},
    {"SQ_AutoSaveIsComplete", 0, nullptr},
    {"SQ_AutoSaveIsError", 0, nullptr},
    {"SQ_AutoSaveClearLastError", 0, nullptr},
    {"SQ_AutoSaveGetLastError", 0, nullptr},
    {"SQ_AutoSaveGetNeedSize", 0, nullptr},
    {"SQ_AutoSaveGetSaveDataSizeKB", 0, nullptr},
    {"SQ_SetMaterialInfo", 2, nullptr},
};

const char* const kValueClasses[] = {
    "Vector2",       "Vector3",       "Vector4",     "Color",
    "Matrix",        "QzRandom",      "SQ_SaveData", "ResultViewPosScScale",
    "CQzSpriteList", "SQ_Achievement"};

// The script node classes in registration order with their methods; a base
// names the class they derive from.
struct ExpectedClass {
    const char* name;
    const char* base;
    std::vector<const char*> methods;
    const char* later;  // non-null: bound with the subsystem it needs
};

const ExpectedClass kNodeClasses[] = {
    {"CSqNode",
     nullptr,
     {"GetPos", "GetScale", "GetRotate", "SetPos", "SetScale", "SetRotate", "Draw", "SetAlpha",
      "SetColor", "SetName", "GetName", "PushBack", "Insert", "Remove", "Clear", "Hide", "Show"},
     nullptr},
    {"CSqMaterial",
     nullptr,
     {"SetShaderType",
      "SetTexture",
      "SetBlendMode",
      "EnableDepthTest",
      "DisableDepthTest",
      "EnableDepthMask",
      "DisableDepthMask",
      "EnableAlphaBlend",
      "DisableAlphaBlend",
      "GetName",
      "SetName",
      "SetPaletteIndex",
      "SetTexOffset",
      "SetTex1Offset",
      "SetProjectMapMatrix",
      "SetTextureWrapMode",
      "SetTextureFilter",
      "SetGreaPow",
      "SetGaussianDir",
      "SetYuragiParam",
      "SetZOffset",
      "SetTextureSize",
      "SetTargetFrameBufferId",
      "SetAlphaPriority",
      "SetDeleteRelease",
      "ReleaseTexture"},
     nullptr},
    {"SqMaterialInfo", nullptr, {}, nullptr},
    {"CSqSprite",
     "CSqNode",
     {"Set",         "SetSpriteAtlas", "GetPos",   "GetScale",  "GetRotate", "SetPos",
      "SetScale",    "SetRotate",      "SetColor", "SetAlign",  "SetMargin", "SetMaterial",
      "PushBack",    "Draw",           "Remove",   "Clear",     "SetAlpha",  "SetSprite",
      "GetTexWidth", "GetTexHeight",   "GetWidth", "GetHeight", "Hide",      "Show",
      "GetName",     "SetName",        "SetUV"},
     nullptr},
    {"CSqSpriteBuffer",
     "CSqNode",
     {"Create",   "GetPos",   "GetScale",  "GetRotate",   "SetPos",       "SetScale", "SetRotate",
      "SetColor", "SetAlign", "SetMargin", "SetMaterial", "PushBack",     "Draw",     "Remove",
      "Clear",    "SetAlpha", "SetSprite", "GetTexWidth", "GetTexHeight", "GetWidth", "GetHeight",
      "Hide",     "Show",     "GetName",   "SetName"},
     nullptr},
    {"CSqFont",
     "CSqNode",
     {"SetPos",
      "SetScale",
      "SetRotate",
      "SetText",
      "SetAlign",
      "SetAlignY",
      "SetLimitLength",
      "SetFontHeight",
      "Draw",
      "Remove",
      "Clear",
      "SetAlpha",
      "SetColor",
      "GetName",
      "SetName",
      "Hide",
      "Show",
      "PushBack",
      "SetTargetFrameBufferId",
      "LoadFont",
      "IsHide",
      "GetAlpha",
      "GetTextWidth",
      "SetPanePos",
      "SetPaneSize",
      "SetPaneScale",
      "SetTextBoxSize",
      "UpdateOption"},
     nullptr},
    {"CSqMesh",
     "CSqNode",
     {"SetPos", "SetScale", "SetRotate", "Draw", "SetAlpha", "SetColor", "PushBack", "SetMaterial",
      "Clear", "Remove", "AppendVertex", "AppendColor", "AppendTexCoord", "AppendNormal",
      "AppendIndex", "AppendPrim", "AppendSprite"},
     nullptr},
    {"CSqMeshModel",
     "CSqNode",
     {"Load",
      "LoadBin",
      "LoadBinAsync",
      "UpdateLoadBinAsync",
      "SetPos",
      "SetScale",
      "SetRotate",
      "SetName",
      "GetName",
      "Update",
      "Draw",
      "Remove",
      "Clear",
      "SetAlpha",
      "SetColor",
      "PushBack",
      "GetGroundHight",
      "GetGroundInfo",
      "GetGroundInfo2",
      "GetGroundInfoXY",
      "GetGroundInfoXY2",
      "PlayMeshAnim",
      "PlaySkinAnim",
      "SetAnimSpeed",
      "GetMaterial",
      "IsEndAnim",
      "SetMeshMaterial_TexOffset",
      "SetMeshMaterial_Tex1Offset",
      "SetMeshMaterial_SetYuragiParam",
      "SetMeshMaterial_ProjectMapMatrix",
      "SetAnimFrame",
      "GetAnimFrame",
      "ReleaseResource",
      "SetLoop",
      "CalcBoundBox",
      "SetColActive"},
     nullptr},
    {"SqBoundBox", nullptr, {"GetMin", "GetMax"}, nullptr},
    {"QzHitMeshInfo", nullptr, {}, nullptr},
    {"SqHitMeshInfo", nullptr, {}, nullptr},
};

// [SECTION] Fixture
// Pad 0 holds A and B, B just pressed; the keyboard's first key set (player
// 1) holds W and U, U just pressed; player 2's key set is idle. Network entry 2 holds 0x0101 after
// 0x0001.
class ScriptApiTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::debug::set_sink([this](const std::string& s) {
            std::string shown;
            for (char c : s) {
                shown += c == '\n' ? std::string("\\n") : std::string(1, c);
            }
            log.push_back("Debug(" + shown + ")");
        });
        QZW::Win::CQzWindowManager::GetInstance().windows.clear();
        ASSERT_TRUE(window.Register(nullptr));
        ASSERT_NE(nullptr, window.client.Create(nullptr, "QZ_WC", "Vornakle", 1280, 720));

        PadState pad;
        pad.wButtons = platform::input::XINPUT_GAMEPAD_A;
        input.set_pad(0, pad);
        ASSERT_TRUE(reader.Initialize());
        input.set_key('W', true);
        reader.Update();
        pad.wButtons |= platform::input::XINPUT_GAMEPAD_B;
        input.set_pad(0, pad);
        input.set_key('U', true);
        reader.Update();

        Sample::ClearNetKeyBuffer();
        *Sample::GetNetKeyEntry(2) = Sample::NetKeyEntry{0x0101, 0x0001};

        v = sq_open(1024);
        Sample::SetSquirrelVM(v);
        sq_pushroottable(v);
        Sample::RegisterScriptApi(&manager, &control);
        log.clear();
    }
    void TearDown() override {
        sq_pop(v, 1);
        Sample::SqBind::ForgetClasses();
        sq_close(v);
        Sample::SetSquirrelVM(nullptr);
        Sample::SetScriptServices(nullptr, nullptr);
        Sample::SetNetKeyOnline(false);
        Sample::ClearNetKeyBuffer();
        QZW::Win::CQzWindowManager::GetInstance().windows.clear();
        platform::debug::set_sink({});
    }
    std::string WindowState() const {
        return "Window(" + std::to_string(window.client.width) + "x" +
               std::to_string(window.client.height) +
               (window.client.windowed ? " windowed)" : " full)");
    }

    CallLog log;
    platform::window::NullBackend desk;
    platform::window::ScopedBackend deskScope{desk};
    QZW::Win::CQzWindow window;
    platform::input::ScriptedInput input;
    platform::input::ScopedInput inputScope{input};
    QZW::Win::CQzPadReader reader;
    FakeGameManager manager{log, &reader};
    FakeGameControl control{log};
    HSQUIRRELVM v = nullptr;
};

TEST_F(ScriptApiTest, RegistersTheTablesNamesAndParameterCountsInOrder) {
    std::vector<std::string> want, got;
    for (const Expected& e : kManifest) {
        if (!e.later) {
            want.push_back(std::string(e.name) + "/" + std::to_string(e.parameters));
        }
    }
    for (const Sample::ScriptFunction& f : Sample::ScriptApiFunctions()) {
        got.push_back(std::string(f.name) + "/" + std::to_string(f.parameters));
    }
    EXPECT_EQ(want, got);

    // What the VM holds: each bound name declares its count (plus `this`)
    // and refuses one argument too many; the later ones are absent.
    std::map<std::string, const Expected*> byName;
    for (const Expected& e : kManifest) {
        SCOPED_TRACE(e.name);
        byName[e.name] = &e;
        sq_pushstring(v, e.name, -1);
        if (e.later) {
            EXPECT_TRUE(SQ_FAILED(sq_get(v, -2))) << "now bound: update the manifest";
            continue;
        }
        ASSERT_TRUE(SQ_SUCCEEDED(sq_get(v, -2)));
        ASSERT_EQ(OT_NATIVECLOSURE, sq_gettype(v, -1));
        SQUnsignedInteger params = 0, free = 0;
        ASSERT_TRUE(SQ_SUCCEEDED(sq_getclosureinfo(v, -1, &params, &free)));
        EXPECT_EQ(static_cast<SQUnsignedInteger>(e.parameters + 1), params);
        sq_pop(v, 1);
        std::string call = std::string("return ") + e.name + "(";
        for (SQInteger i = 0; i <= e.parameters; ++i) {
            call += i ? ", null" : "null";
        }
        script_test::SnippetResult r = script_test::RunSnippet(v, (call + ")").c_str());
        EXPECT_FALSE(r.ok);
        EXPECT_EQ("wrong number of parameters", r.text);
    }
    EXPECT_TRUE(log.empty()) << "a refused call reached a service";

    // No global function beyond the manifest, and every value class.
    std::set<std::string> classes;
    sq_pushnull(v);
    while (SQ_SUCCEEDED(sq_next(v, -2))) {
        const SQChar* key = nullptr;
        sq_getstring(v, -2, &key);
        if (sq_gettype(v, -1) == OT_NATIVECLOSURE && std::string(key).rfind("SQ_", 0) == 0) {
            EXPECT_TRUE(byName.count(key)) << key << " is bound but not in the manifest";
        }
        if (sq_gettype(v, -1) == OT_CLASS) {
            classes.insert(key);
        }
        sq_pop(v, 2);
    }
    sq_pop(v, 1);
    for (const char* c : kValueClasses) {
        EXPECT_TRUE(classes.count(c)) << c;
    }
}

TEST_F(ScriptApiTest, RegistersEveryNodeClassWithItsMethodsAndBase) {
    for (const ExpectedClass& e : kNodeClasses) {
        SCOPED_TRACE(e.name);
        sq_pushstring(v, e.name, -1);
        if (e.later) {
            EXPECT_TRUE(SQ_FAILED(sq_get(v, -2))) << "now bound: update the manifest";
            continue;
        }
        ASSERT_TRUE(SQ_SUCCEEDED(sq_get(v, -2)));
        ASSERT_EQ(OT_CLASS, sq_gettype(v, -1));
        for (const char* m : e.methods) {
            sq_pushstring(v, m, -1);
            ASSERT_TRUE(SQ_SUCCEEDED(sq_get(v, -2))) << m;
            EXPECT_EQ(OT_NATIVECLOSURE, sq_gettype(v, -1)) << m;
            sq_pop(v, 1);
        }
        // The base: the class itself gives its base class, whose name is
        // checked through the root table.
        sq_getbase(v, -1);
        if (e.base) {
            ASSERT_EQ(OT_CLASS, sq_gettype(v, -1));
            HSQOBJECT base;
            sq_getstackobj(v, -1, &base);
            sq_pushstring(v, e.base, -1);
            ASSERT_TRUE(SQ_SUCCEEDED(sq_get(v, -4)));
            HSQOBJECT named;
            sq_getstackobj(v, -1, &named);
            EXPECT_EQ(base._unVal.pClass, named._unVal.pClass);
            sq_pop(v, 1);
        } else {
            EXPECT_EQ(OT_NULL, sq_gettype(v, -1));
        }
        sq_pop(v, 2);
    }
    // Construction and clones: a plain node and a material clone into a copy
    // of their own; the other node classes own what a copy would share, so
    // their clone is refused, naming the class.
    for (const char* owner : {"CSqNode", "CSqMaterial"}) {
        EXPECT_EQ("x",
                  script_test::RunSnippet(v, (std::string("local n = ") + owner +
                                              "(); n.SetName(\"x\"); return (clone n).GetName()")
                                                 .c_str())
                      .text)
            << owner;
    }
    for (const char* owner :
         {"CSqSprite", "CSqSpriteBuffer", "CSqFont", "CSqMesh", "CSqMeshModel"}) {
        EXPECT_EQ(std::string(owner) + " instances cannot be cloned",
                  script_test::RunSnippet(v, (std::string("local n = ") + owner +
                                              "(); n.SetName(\"x\"); return clone n")
                                                 .c_str())
                      .text)
            << owner;
    }
    EXPECT_EQ("2",
              script_test::RunSnippet(
                  v, "local i = SqMaterialInfo(); i.shaderType = 2; return (clone i).shaderType")
                  .text);
}

// [SECTION] Forwarders
struct Case {
    const char* script;
    const char* calls;  // the log entries, space-separated
    const char* result;
    bool online = false;
};

const Case kCases[] = {
    // System and debug.
    {"return SQ_Hook()", "", "null"},
    {"return SQ_Exit()", "Control.Exit()", "null"},
    {"SQ_Abort(); SQ_MemDump(true); return SQ_DrawTaskDump()", "", "null"},
    {"return SQ_IsForceExit() || SQ_IsUseArcive()", "", "false"},
    {"return SQ_PrintString(\"score 10\")", "Debug(score 10) Debug(\\n)", "null"},
    {"return SQ_PrintString(3)", "", "wrong argument type, expected 'string' got 'integer'"},
    // Counted from the program's start: this test runs well within an hour.
    {"local t = SQ_GetSystemTime(); return t >= 0 && t < 36000000", "", "true"},
    {"return SQ_Include(\"none.nut\")", "", "false"},
    // Pads: 99 and up read 0; offline, a negative pad reads player 0.
    {"return SQ_GetPressButtonState(0)", "", "48"},
    {"return SQ_GetPressButtonState(-1)", "", "48"},
    {"return SQ_GetPressButtonState(99)", "", "0"},
    {"return SQ_GetPressButtonState(1)", "", "20"},
    {"return SQ_GetPressButtonState(2)", "", "0"},
    {"return SQ_GetButtonState(0) + SQ_GetButtonState(1000)", "", "48"},
    {"return SQ_GetPressJustButtonState(0)", "", "32"},
    {"return SQ_GetPressJustButtonState(1)", "", "16"},
    {"return SQ_GetPressJustButtonState(99)", "", "0"},
    {"return SQ_IsPressButton(0, 0x10) && !SQ_IsPressButton(0, 0x40)", "", "true"},
    {"return SQ_IsPressJustButton(0, 0x20) && !SQ_IsPressJustButton(0, 0x10)", "", "true"},
    {"return SQ_IsPressButton(\"0\", 1)", "",
     "wrong argument type, expected 'integer' got 'string'"},
    // Online: pads 0..3 read the network entries, others 0, a negative pad
    // still the local player 0.
    {"return SQ_GetPressButtonState(2)", "", "257", true},
    {"return SQ_GetPressJustButtonState(2)", "", "256", true},
    {"return SQ_IsPressJustButton(2, 0x100) && !SQ_IsPressJustButton(2, 1)", "", "true", true},
    {"return SQ_GetPressButtonState(0)", "", "0", true},
    {"return SQ_GetPressButtonState(4) + SQ_GetPressJustButtonState(98)", "", "0", true},
    {"return SQ_GetPressButtonState(99)", "", "0", true},
    {"return SQ_GetPressButtonState(-1)", "", "48", true},
    // Keys: only 0..255, just pressed (not held).
    {"return SQ_IsPressJustKey(0x55)", "", "true"},
    {"return SQ_IsPressJustKey(0x57)", "", "false"},
    {"return SQ_IsPressJustKey(0x155) || SQ_IsPressJustKey(256) || SQ_IsPressJustKey(-1)", "",
     "false"},
    {"return [SQ_IsConnected(0), SQ_IsConnected(1), SQ_IsConnected(4), SQ_IsConnected(-1)]"
     ".map(@(b) b ? 1 : 0).reduce(@(a, b) a * 10 + b)",
     "", "1000"},
    {"return [SQ_IsKeyboard(0), SQ_IsKeyboard(1), SQ_IsKeyboard(2), SQ_IsKeyboard(9)]"
     ".map(@(b) b ? 1 : 0).reduce(@(a, b) a * 10 + b)",
     "", "110"},
    {"return SQ_GetLocalPlayerCount()", "", "3"},
    // Files and the renderer.
    {"return SQ_IsCompleteLoadTextureAsync(7)", "Files.IsRequestFinished(7)", "true"},
    {"return SQ_IsCompleteLoadTextureAsync(8)", "Files.IsRequestFinished(8)", "false"},
    {"return SQ_Flush()", "Graphics.Flush()", "null"},
    {"return SQ_IsCompleteFileLoad()", "Files.IsIdle()", "false"},
    {"return SQ_WaitFileLoad(3)", "Files.UpdateUntilIdle(3)", "null"},
    {"return SQ_ClearFileRequest()", "Files.ClearRequests()", "null"},
    {"return SQ_ExistsFile(\"a/b.txt\")", "Files.ExistsFile(a/b.txt)", "true"},
    {"return SQ_ExistsFile(\"b.txt\")", "Files.ExistsFile(b.txt)", "false"},
    {"return SQ_SaveString(\"out.txt\", \"h\\xc3\\xa9!\")",
     "Files.WriteFile(out.txt, h\xc3\xa9!, 4)", "true"},
    // Version, platform and settings.
    {"return SQ_VersionNumber()", "", "4096"},
    {"return SQ_VersionString()", "", "2016101502"},
    {"return SQ_GetPlatform()", "", "WIN32"},
    {"return SQ_TargetMedia() * 100 + SQ_DecisionButtonType() * 10 + SQ_GetLocalize()", "", "111"},
    {"return SQ_IsSteam()", "", "true"},
    {"return SQ_SetLanguage(3)", "Manager.SetLanguage(3)", "null"},
    {"return SQ_Resolution(1)", "Window(1366x768 windowed)", "null"},
    {"SQ_Resolution(6); return SQ_Resolution(-1)", "", "null"},
    {"return SQ_Resolution(5)", "Window(640x480 windowed)", "null"},
    {"return SQ_FullScreen(true)", "Window(640x480 full)", "null"},
    {"return SQ_FullScreen(false)", "Window(640x480 windowed)", "null"},
    // Without the renderer's context there is no window to read.
    {"return SQ_ScreenShot(\"shot.bmp\", 4, 4, 0, 0)", "", "null"},
    // Sound: one call each; PlaySE_Channel answers its channel, the channel
    // reservations do nothing.
    {"return SQ_PlaySE(5, 1, 0.5)", "Sound.PlaySE(5, 1, 0.5)", "45"},
    {"return SQ_PlaySE_Channel(3, 5, 0, 1.0)", "Sound.PlaySEChannel(3, 5, 0, 1)", "3"},
    {"SQ_StopSE(70000); SQ_StopAllSE(); SQ_PauseSE(2); return SQ_ResumeSE(2)",
     "Sound.StopSE(70000) Sound.StopAllSE() Sound.PauseSE(2) Sound.ResumeSE(2)", "null"},
    {"return SQ_IsEndSE(9) && !SQ_IsEndSE(8)", "Sound.IsEndSE(9) Sound.IsEndSE(8)", "true"},
    {"SQ_SetVolumeSE(0.5); return SQ_SetVolumeBGM(0.25)",
     "Sound.SetSEVolume(0.5) Sound.SetBGMVolume(0.25)", "null"},
    {"SQ_ReserveSoundChannel(1); return SQ_ReleaseSoundChannel(1)", "", "null"},
    {"return SQ_PlayBGMFile(\"bgm/town.wav\", 1, 0.5)", "Sound.PlayBGMFile(bgm/town.wav, 1, 0.5)",
     "0"},
    {"return SQ_PlayBGM(4, 2, 1.0)", "Sound.PlayBGM(4, 2, 1)", "null"},
    {"SQ_StopBGM(); SQ_PauseBGM(); SQ_ResumeBGM(); return SQ_IsEndBGM()",
     "Sound.StopBGM() Sound.PauseBGM() Sound.ResumeBGM() Sound.IsEndBGM()", "true"},
    {"return SQ_LoadWav(\"se/hit01.wav\") * 10 + SQ_LoadMp3(\"a.mp3\")",
     "Sound.LoadWav(se/hit01.wav) Sound.LoadMp3(a.mp3)", "120"},
    {"return SQ_PlaySE(\"5\", 0, 1.0)", "", "wrong argument type, expected 'integer' got 'string'"},
    // Text: bounded indices, byte counts, two per character.
    {"return SQ_SJIS_Slice(\"abcdef\", 2, 3)", "", "cde"},
    {"return SQ_SJIS_Slice(\"abc\", 1, 0x7fffffff)", "", "bc"},
    {"return SQ_SJIS_Slice(\"abc\", -1, 2) + SQ_SJIS_Slice(\"abc\", 4, 1) + "
     "SQ_SJIS_Slice(\"abc\", 1, -2) + SQ_SJIS_Slice(null, 0, 2)",
     "", ""},
    {"return SQ_SJIS_Strlen(\"h\\xc3\\xa9llo\")", "", "6"},
    {"return SQ_SJIS_StrlenWide(\"h\\xc3\\xa9llo\")", "", "10"},
    {"return SQ_SJIS_Find(\"abcabc\", 2, \"bc\")", "", "4"},
    {"return SQ_SJIS_Find(\"abc\", 9, \"a\") + SQ_SJIS_Find(\"abc\", -3, \"a\")", "", "-2"},
    {"return SQ_SJIS_Replace(\"a-b-c\", \"-\", \"+=\")", "", "a+=b+=c"},
    {"return SQ_SJIS_Compare(\"ab\", \"abc\")", "", "-1"},
    {"return SQ_SJIS_Compare(\"abc\", \"ab\")", "", "1"},
    {"return SQ_SJIS_Compare(\"abd\", \"abc\") * 10 + SQ_SJIS_Compare(\"ab\", \"ab\")", "", "10"},
    {"return SQ_SJIS_Compare(\"\\xc3\\xa9\", \"e\")", "", "1"},
    {"return SQ_SJIS_Compare(null, \"a\") * 10 + SQ_SJIS_Compare(\"\", null)", "", "0"},
    // Software keyboard: forwarders to the system utilities.
    {"SQ_BeginKeyboard(); SQ_OpenKeyboardDialog(\"Name\", \"Ann\", 12); "
     "SQ_UpdateKeyboardDialog(3); return SQ_EndKeyboard()",
     "Util.BeginKeyboard() Util.OpenKeyboardDialog(Name, Ann, 12) Util.UpdateKeyboardDialog(3) "
     "Util.EndKeyboard()",
     "null"},
    {"return SQ_GetKeyboardDialogState() * 10 + SQ_GetKeyboardDialogEndState()", "", "12"},
    {"return SQ_GetKeyboardDialogText()", "", "typed"},
    {"return SQ_OpenKeyboardDialog(1, \"a\", 2)", "",
     "wrong argument type, expected 'string' got 'integer'"},
    // The save functions take only a save record.
    {"return SQ_CheckSaveDataValid(Vector2())", "",
     "wrong argument type, expected 'SQ_SaveData' got 'Vector2'"},
    {"return SQ_AutoSaveStartSave({})", "",
     "wrong argument type, expected 'SQ_SaveData' got 'table'"},
    {"return SQ_AutoSaveStartLoad(null)", "",
     "wrong argument type, expected 'SQ_SaveData' got 'null'"},
    {"return SQ_AutoSaveCreateData(QzRandom())", "",
     "wrong argument type, expected 'SQ_SaveData' got 'QzRandom'"},
};

TEST_F(ScriptApiTest, ForwardersCallTheirServiceAndAnswer) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.script);
        Sample::SetNetKeyOnline(c.online);
        const std::string windowBefore = WindowState();
        log.clear();
        script_test::SnippetResult r = script_test::RunSnippet(v, c.script);
        manager.MoveGraphicsCalls();
        if (WindowState() != windowBefore) {
            log.push_back(WindowState());
        }
        std::string calls;
        for (const std::string& s : log) {
            calls += (calls.empty() ? "" : " ") + s;
        }
        EXPECT_EQ(c.calls, calls);
        EXPECT_EQ(c.result, r.text);
        EXPECT_EQ(1, sq_gettop(v));
    }
}

// A texture the draw task's list owns once listed; its device id is what
// the scripts see.
class IdTexture : public QZW::IQzTexture {
public:
    explicit IdTexture(std::uint32_t id) : id(id) {}
    std::int32_t GetWidth() override { return 8; }
    std::int32_t GetHeight() override { return 8; }
    std::string GetName() override { return "id"; }
    void SetName(const std::string&) override {}
    std::uint32_t GetTextureId() override { return id; }
    void SetWrap(bool) override {}
    void SetFilter(bool, bool) override {}

private:
    std::uint32_t id;
};

struct Step {
    const char* script;
    const char* calls;
    const char* result;
};

// One ordered run: each step sees the texture list the steps before it left.
TEST_F(ScriptApiTest, TextureFunctionsGoThroughTheDrawTasksList) {
    const auto run = [this](std::initializer_list<Step> steps) {
        for (const Step& step : steps) {
            SCOPED_TRACE(step.script);
            log.clear();
            script_test::SnippetResult r = script_test::RunSnippet(v, step.script);
            manager.MoveGraphicsCalls();
            std::string calls;
            for (const std::string& s : log) {
                calls += (calls.empty() ? "" : " ") + s;
            }
            EXPECT_EQ(step.calls, calls);
            EXPECT_EQ(step.result, r.text);
        }
    };
    // Without an engine draw task there is no texture to name.
    run({
        {"return SQ_LoadTexture(\"a.tga\")", "Graphics.Flush()", "-1"},
        {"return SQ_LoadTextureAsync(\"a.tga\") + SQ_GetTextureFromRequestId(7)", "", "-2"},
        {"return SQ_ReleaseTexture(\"a.tga\")", "Graphics.Flush()", "null"},
    });

    manager.recording.textures["a.tga"] = new IdTexture(42);
    QZW::CQzDrawTask task(&manager);
    manager.drawTask = &task;
    run({
        {"return SQ_LoadTexture(\"a.tga\")", "Graphics.Flush() Graphics.LoadTexture()", "42"},
        {"return SQ_LoadTexture(\"a.tga\")", "Graphics.Flush()", "42"},
        {"return SQ_LoadTexture(\"gone.tga\")", "Graphics.Flush() Graphics.LoadTexture()", "-1"},
        // A listed name needs no read; another starts one.
        {"return SQ_LoadTextureAsync(\"a.tga\")", "", "-1"},
        {"return SQ_LoadTextureAsync(\"b.tga\")", "Files.LoadFileAsync(b.tga)", "9"},
        {"return SQ_GetTextureFromRequestId(7)", "Files.GetRequestPath(7)", "42"},
        {"return SQ_GetTextureFromRequestId(9)", "Files.GetRequestPath(9)", "-1"},
        {"return SQ_GetTextureFromRequestId(-5)", "", "-1"},
        // A failed name is not a texture to release; a loaded one leaves the
        // list, so asking for it again starts a new read.
        {"return SQ_ReleaseTexture(\"gone.tga\")", "Graphics.Flush()", "null"},
        {"return SQ_ReleaseTexture(\"a.tga\")", "Graphics.Flush()", "null"},
        {"return SQ_LoadTextureAsync(\"a.tga\")", "Files.LoadFileAsync(a.tga)", "10"},
        {"return SQ_LoadTexture(3)", "", "wrong argument type, expected 'string' got 'integer'"},
    });
    EXPECT_EQ(1u, task.GetTextureCount()) << "only the failed name stays listed";
    manager.drawTask = nullptr;
}

TEST(ScriptSystemTime, TenthsOfAMillisecondThenTheLowestInteger) {
    // Expected values are trunc(ms / 1000.0 * 10000.0) in double precision.
    const struct {
        std::uint32_t ms;
        std::int32_t tenths;
    } cases[] = {
        {0, 0},
        {1, 10},
        {999, 9990},
        {214748364, 2147483640},
        {214748365, INT32_MIN},
        {0xFFFFFFFFu, INT32_MIN},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.tenths, Sample::ScriptSystemTime(c.ms)) << c.ms;
    }
}

}  // namespace
