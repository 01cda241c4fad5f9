// Scancode to VK table: the keys the engine's key tables use, ranges at their
// ends, and codes that have no key.
#include "platform/input/scancode_vk.h"

#include <gtest/gtest.h>

#include "platform/win32/win32_types.h"

namespace {

using namespace platform::win32;

TEST(ScancodeVk, MapsKeysByPosition) {
    struct Row {
        int scancode;
        int vk;
    };
    // Scancodes are USB HID usages.
    const Row rows[] = {
        {4, 'A'},         {26, 'W'},          {29, 'Z'},
        {30, '1'},        {38, '9'},          {39, '0'},
        {40, VK_RETURN},  {41, VK_ESCAPE},    {42, VK_BACK},
        {43, VK_TAB},     {44, VK_SPACE},     {58, VK_F1},
        {69, VK_F12},     {76, VK_DELETE},    {79, VK_RIGHT},
        {80, VK_LEFT},    {81, VK_DOWN},      {82, VK_UP},
        {84, VK_DIVIDE},  {88, VK_RETURN},    {89, VK_NUMPAD1},
        {92, VK_NUMPAD4}, {97, VK_NUMPAD9},   {98, VK_NUMPAD0},
        {99, VK_DECIMAL}, {224, VK_LCONTROL}, {225, VK_LSHIFT},
        {229, VK_RSHIFT}, {230, VK_RMENU},    {0, 0},
        {3, 0},           {232, 0},           {511, 0},
        {-1, 0},          {1 << 30, 0},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(platform::input::vk_from_scancode(r.scancode), r.vk) << "scancode " << r.scancode;
    }
}

TEST(ScancodeVk, EveryAnswerFitsAKeyStateByte) {
    for (int sc = -4; sc < 600; ++sc) {
        const int vk = platform::input::vk_from_scancode(sc);
        ASSERT_GE(vk, 0) << sc;
        ASSERT_LT(vk, 255) << sc;
    }
}

}  // namespace
