#include "proj/win/text_entry_overlay.h"

#include <string>

#include "platform/textprompt/textprompt.h"
#include "proj/game/game_draw_task.h"
#include "proj/win/system_util.h"
#include "proj/win/text_entry_window.h"
#include "qzware/scene/qz_material.h"
#include "qzware/win/qz_string_util.h"

namespace Sample::Win {
namespace {

constexpr int kPad = 8;
constexpr int kLineHeight = 10;
const QZW::Color kBoxColour(16, 16, 48, 230);
const QZW::Color kTextColour(255, 255, 255, 255);

QZW::CQzMaterial& BoxMaterial() {
    // The untextured box of the debug overlay: vertex colour, alpha blend,
    // drawn into the debug layer's target.
    static QZW::CQzMaterial material = [] {
        QZW::CQzMaterial m;
        m.SetName("prim");
        m.shaderType = 5;
        m.blendMode = 0;
        m.frameBufferId = 12;
        return m;
    }();
    return material;
}

void AppendBox(CGameDrawTask& draw, float left, float top, float right, float bottom) {
    const QZW::Matrix identity;
    const int layer = CGameDrawTask::kDebugLayer;
    draw.AppendPrim(identity, QZW::Vector3(left, top, 0.0f), QZW::Vector3(right, top, 0.0f),
                    QZW::Vector3(right, bottom, 0.0f), kBoxColour, kBoxColour, kBoxColour, layer,
                    &BoxMaterial());
    draw.AppendPrim(identity, QZW::Vector3(left, top, 0.0f), QZW::Vector3(right, bottom, 0.0f),
                    QZW::Vector3(left, bottom, 0.0f), kBoxColour, kBoxColour, kBoxColour, layer,
                    &BoxMaterial());
}

// The 8x8 font has cells for ASCII only: anything else shows as one "?" per
// character (a surrogate pair is one character).
std::string AsciiLine(const std::u16string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t u = text[i];
        if (u >= 0x20 && u < 0x7F) {
            out.push_back(char(u));
            continue;
        }
        out.push_back('?');
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            ++i;
        }
    }
    return out;
}

}  // namespace

void DrawTextEntryPrompt(CGameDrawTask& draw) {
    const CTextEntryWindow* prompt = CSystemUtil::GetInstance().GetDialogWindow();
    if (prompt == nullptr) {
        return;
    }
    const int left = prompt->GetLeft();
    const int top = prompt->GetTop();
    AppendBox(draw, float(left), float(top), float(left + CTextEntryWindow::kWidth),
              float(top + CTextEntryWindow::kHeight));

    const std::u16string& text = prompt->GetEditText();
    std::string line = AsciiLine(text.substr(0, prompt->GetCaret()));
    const std::string composing = platform::textprompt::current().composition();
    if (!composing.empty()) {
        line += "[" + AsciiLine(QzUtf8ToUtf16(composing)) + "]";
    }
    line += "_" + AsciiLine(text.substr(prompt->GetCaret()));

    draw.DebugPrint(left + kPad, top + kPad, AsciiLine(GetTextEntryGlobals().title).c_str(),
                    kTextColour);
    draw.DebugPrint(left + kPad, top + kPad + 3 * kLineHeight, line.c_str(), kTextColour);
}

}  // namespace Sample::Win
