// The script value classes in a real VM: defaults, chaining on the same
// instance, the engine operations, clones that own their value, and
// arguments of the wrong class refused with the binding layer's message.
#include <gtest/gtest.h>
#include <squirrel.h>

#include "proj/script/script_api.h"
#include "proj/script/sq_bind.h"
#include "qzware/scene/qz_sprite_list.h"
#include "tests/proj/script/script_snippet.h"

namespace {

struct Case {
    const char* script;
    const char* result;  // the result as text, or the error message
    bool error = false;
};

const Case kCases[] = {
    // Defaults.
    {"local v = Vector2(); return v.x + v.y", "0"},
    {"local v = Vector4(); return v.x + v.y + v.z + v.w", "0"},
    {"local c = Color(); return c.r + c.g + c.b + c.a", "1020"},
    {"local r = ResultViewPosScScale(); return r.x + r.y + r.z + r.scale", "0"},
    {"return Vector3().Transform(Matrix()).x", "0"},
    // Mutators answer the instance itself.
    {"local a = Vector2(); return a.Set(1, 2) == a", "true"},
    {"local a = Vector2().Set(1, 2).Add(Vector2().Set(3, 5)).Scale(2); return a.x * 100 + a.y",
     "814"},
    {"local a = Vector2().Set(5, 9).Sub(Vector2().Set(1, 2)).Mul(Vector2().Set(3, 4));"
     "return a.x * 100 + a.y",
     "1228"},
    {"return Vector2().Set(3, 4).Length() * 100 + Vector2().Set(3, 4).Length2()", "525"},
    {"local a = Vector3(); return a.Set(1, 2, 3) == a && a.Add(a) == a", "true"},
    {"local a = Vector3().Set(1, 2, 3).Sub(Vector3().Set(1, 1, 1)).Mul(Vector3().Set(2, 2, 2))"
     ".Scale(3); return a.x * 100 + a.y * 10 + a.z",
     "72"},
    {"local c = Color(); return c.Set(1, 2, 3, 4) == c", "true"},
    // The engine operations.
    {"return Vector3().Set(1, 2, 3).Dot(Vector3().Set(4, 5, 6))", "32"},
    {"return Vector3().Set(1, 0, 0).Cross(Vector3().Set(0, 1, 0)).z", "1"},
    {"return Vector3().Set(0, 3, 4).Normalize().y", "0.600000024"},
    {"local a = Vector3().Set(0, 3, 4); a.Normalize(); return a.y", "3"},
    {"return Vector3().Dist(Vector3().Set(3, 4, 0)) * 100 + Vector3().Dist2(Vector3().Set(1, 2, "
     "2))",
     "509"},
    {"return Vector3().Set(2, 3, 6).Length() * 100 + Vector3().Set(1, 1, 1).Length2()", "703"},
    {"local m = Matrix(); m.TransrateMatrix(1, 2, 3); return Vector3().Set(1, 1, 1).Transform(m).z",
     "4"},
    {"local m = Matrix(); m.ScaleMatrix(2, 3, 4); m.TransrateMatrix(1, 0, 0);"
     "return Vector3().Set(1, 1, 1).Transform(m).x",
     "4"},
    {"local m = Matrix(); m.RotateMatrixZ(90); return Vector3().Set(1, 0, 0).Transform(m).y", "1"},
    {"local m = Matrix(); m.TransrateMatrix(5, 6, 7); local t = Matrix(); m.TransposeMatrix(t);"
     "t.ResetMatrix(); return Vector3().Transform(t).x + Vector3().Transform(m).y",
     "6"},
    {"local m = Matrix(); m.TransrateMatrix(5, 6, 7); local t = Matrix(); m.TransposeMatrix(t);"
     "return Vector3().Set(0, 0, 0).Transform(t).x + Vector3().Set(1, 0, 0).Transform(t).x",
     "1"},
    // Properties: colour channels keep the low byte.
    {"local c = Color(); c.r = 257; c.g = -1; return c.r * 1000 + c.g", "1255"},
    {"return Color().Set(1, 2, 3, 260).a", "4"},
    {"local v = Vector4(); v.w = 2.5; v.y = 1; return v.y + v.w", "3.5"},
    {"local r = ResultViewPosScScale(); r.z = 2; r.scale = 0.5; return r.z * r.scale + r.x", "1"},
    // QzRandom from its default state and reseeded.
    {"return QzRandom().Next()", "597902826"},
    {"local r = QzRandom(); r.ReInit(1); return r.Next()", "1039840283"},
    {"local r = QzRandom(); r.SetSeed(1); r.Next(); r.Init(); return r.Next()", "1039840283"},
    {"return QzRandom().RangeInt(-10, 10)", "-7"},
    {"return QzRandom().RangeInt(-2147483648, 2147483647)", "-1549580822"},
    {"return QzRandom().NextFloat()", "0.27842021"},
    {"return QzRandom().RangeFloat(2, 6) == QzRandom().NextFloat() * 4 + 2", "true"},
    // Clones own their value: changing one leaves the other, and a clone
    // outlives its original (the address sanitizer watches the read).
    {"local a = Vector2().Set(1, 2); local b = clone a; b.x = 7; return a.x * 10 + b.x", "17"},
    {"local b = clone Vector3().Set(3, 4, 0); collectgarbage(); return b.Length()", "5"},
    {"local a = Color(); local b = clone a; a.r = 0; return b.r", "255"},
    {"local m = Matrix(); m.TransrateMatrix(1, 0, 0); local n = clone m; m.ResetMatrix();"
     "return Vector3().Transform(n).x",
     "1"},
    {"local r = QzRandom(); r.Next(); local s = clone r; r = null; collectgarbage();"
     "return s.Next()",
     "458295558"},
    {"local a = ResultViewPosScScale(); a.scale = 2; local b = clone a; a.scale = 3; return "
     "b.scale",
     "2"},
    {"local a = Vector4(); local b = clone a; b.z = 1; return a.z", "0"},
    // A script-made sprite list has no room: appends are dropped, not written
    // past its empty arrays (the address sanitizer watches), and Clear is safe.
    {"local l = CQzSpriteList(); l.AppendSprite2(100, 100, 0, 10, 7, 0, 0, 1, 1, 4); l.Clear();"
     "l.AppendSprite2(0.5, 1.5, 2, 8, 8, 16, 16, -1, 2, 8); return typeof (clone l)",
     "instance"},
    {"return CQzSpriteList().AppendSprite2(1, 2, 3, 4, 5, 6, 7, 8, 9)",
     "wrong number of parameters", true},
    {"return CQzSpriteList().AppendSprite2(1, 2, 3, 4, 5, 6, 7, 8, 9, \"x\")",
     "wrong argument type, expected 'integer' got 'string'", true},
    {"return CQzSpriteList().Clear(1)", "wrong number of parameters", true},
    // A script's sprite list has the default constructor's (empty) arrays:
    // appends are dropped, never written past them.
    {"local l = CQzSpriteList(); l.AppendSprite2(100, 100, 0, 10, 7, 0, 0, 1, 1, 4);"
     "local c = clone l; c.AppendSprite2(1, 1, 0, 4, 4, 0, 0, 1, 1, 0); return l.Clear()",
     "null"},
    // Wrong classes, types and counts.
    {"return Vector2().Add(Vector3())", "wrong argument type, expected 'Vector2' got 'Vector3'",
     true},
    {"return Vector3().Transform(Vector3())",
     "wrong argument type, expected 'Matrix' got 'Vector3'", true},
    {"return Vector3().Dot(null)", "wrong argument type, expected 'Vector3' got 'null'", true},
    {"return Matrix().TransposeMatrix(Color())",
     "wrong argument type, expected 'Matrix' got 'Color'", true},
    {"return Vector3().Cross(ResultViewPosScScale())",
     "wrong argument type, expected 'Vector3' got 'ResultViewPosScScale'", true},
    {"return Vector2.Length.call(Vector3())",
     "wrong argument type, expected 'Vector2' got 'Vector3'", true},
    {"return Color().Set(1, 2, 3, \"x\")", "wrong argument type, expected 'integer' got 'string'",
     true},
    {"return Vector2().Set(1)", "wrong number of parameters", true},
    {"return QzRandom().RangeInt(1)", "wrong number of parameters", true},
    {"return CQzSpriteList().AppendSprite2(1, 2, 3)", "wrong number of parameters", true},
    {"return CQzSpriteList.Clear.call(Vector2())",
     "wrong argument type, expected 'CQzSpriteList' got 'Vector2'", true},
};

TEST(ScriptValueClasses, SnippetsGiveTheirResultOrError) {
    HSQUIRRELVM v = sq_open(1024);
    sq_pushroottable(v);
    Sample::RegisterValueClasses(v);
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.script);
        script_test::SnippetResult r = script_test::RunSnippet(v, c.script);
        EXPECT_EQ(!c.error, r.ok);
        EXPECT_EQ(c.result, r.text);
    }
    sq_pop(v, 1);
    Sample::SqBind::ForgetClasses();
    sq_close(v);
}

// A list with room, lent to the script as a root slot: the script's append
// lands in it (anchor 4 centres the 10 x 7 quad, halves truncated), a clone
// appends to its own arrays, and Clear empties the list.
TEST(ScriptValueClasses, SpriteListMethodsReachTheEngineList) {
    HSQUIRRELVM v = sq_open(1024);
    sq_pushroottable(v);
    Sample::RegisterValueClasses(v);
    QZW::CQzSpriteList list(4, nullptr);
    sq_pushstring(v, "list", -1);
    ASSERT_EQ(1, Sample::SqBind::PushInstance(v, Sample::SqBind::InfoOf<QZW::CQzSpriteList>(),
                                              &list, nullptr));
    sq_newslot(v, -3, SQFalse);

    script_test::SnippetResult r = script_test::RunSnippet(
        v,
        "list.AppendSprite2(100, 100, 0, 10, 7, 0, 0, 1, 1, 4);"
        "local c = clone list; c.AppendSprite2(0, 0, 0, 2, 2, 0, 0, 1, 1, 0);"
        "c.AppendSprite2(0, 0, 0, 2, 2, 0, 0, 1, 1, 0)");
    ASSERT_TRUE(r.ok) << r.text;
    ASSERT_EQ(4u, list.GetVertexCount());
    EXPECT_EQ(QZW::Vector3(95, 97, 0), list.GetPositions()[0]);
    EXPECT_EQ(QZW::Vector3(105, 104, 0), list.GetPositions()[2]);
    EXPECT_EQ(0xFFFFFFFFu, list.GetColors()[3]);

    r = script_test::RunSnippet(v, "return list.Clear()");
    EXPECT_EQ("null", r.text);
    EXPECT_EQ(0u, list.GetVertexCount());

    sq_pop(v, 1);
    Sample::SqBind::ForgetClasses();
    sq_close(v);
}

}  // namespace
