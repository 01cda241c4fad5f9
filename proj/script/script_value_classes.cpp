// The script value classes: each instance owns one engine value, starts at
// its default, and `clone` gives an independent copy. Mutating methods hand
// back the instance itself so that calls chain. Arguments of another class
// are refused by the binding layer's wrong-type error.
#include <cstdint>

#include "proj/game/game_draw_task.h"
#include "proj/script/script_api.h"
#include "proj/script/sq_bind.h"
#include "qzware/scene/qz_color.h"
#include "qzware/scene/qz_matrix.h"
#include "qzware/scene/qz_random.h"
#include "qzware/scene/qz_sprite_list.h"
#include "qzware/scene/qz_vector.h"
#include "qzware/scene/qz_view_pos.h"

namespace Sample {

namespace {

using SqBind::Class;
using SqBind::Ctor;

// [SECTION] Binding helpers
// A void method whose script result is the instance it was called on (not a
// second instance borrowing its value, which would outlive the owner).
template <auto F>
SQInteger ChainThunk(HSQUIRRELVM v) {
    SQInteger r = SqBind::MethodThunk<F>(v);
    if (r != 0) {
        return r;
    }
    sq_push(v, 1);
    return 1;
}

template <auto F, class T>
void Chain(HSQUIRRELVM v, const char* name) {
    static_assert(std::is_same_v<typename SqBind::MethodTraits<decltype(F)>::Class, T>);
    SqBind::NewSlot(v, name, &ChainThunk<F>, false);
}

// `clone` copies the instance's pointer only; the copy gets its own value.
template <class T>
SQInteger ClonedThunk(HSQUIRRELVM v) {
    void* original = nullptr;
    if (SQInteger r = SqBind::FetchObject(v, 2, &SqBind::InfoOf<T>(), false, &original); r != 0) {
        return r;
    }
    sq_setinstanceup(v, 1, new T(*static_cast<T*>(original)));
    sq_setreleasehook(v, 1, &SqBind::ReleaseObject<T>);
    return 0;
}

template <class T>
void Cloned(HSQUIRRELVM v) {
    SqBind::NewSlot(v, "_cloned", &ClonedThunk<T>, false);
}

// [SECTION] Vector2, Vector3, Vector4
void V2Set(QZW::Vector2& a, float x, float y) {
    a = QZW::Vector2(x, y);
}
void V2Add(QZW::Vector2& a, const QZW::Vector2& b) {
    a.x += b.x;
    a.y += b.y;
}
void V2Sub(QZW::Vector2& a, const QZW::Vector2& b) {
    a.x -= b.x;
    a.y -= b.y;
}
void V2Mul(QZW::Vector2& a, const QZW::Vector2& b) {
    a.x *= b.x;
    a.y *= b.y;
}
void V2Scale(QZW::Vector2& a, float s) {
    a.x *= s;
    a.y *= s;
}

void V3Set(QZW::Vector3& a, float x, float y, float z) {
    a = QZW::Vector3(x, y, z);
}
void V3Add(QZW::Vector3& a, const QZW::Vector3& b) {
    a = a + b;
}
void V3Sub(QZW::Vector3& a, const QZW::Vector3& b) {
    a = a - b;
}
void V3Mul(QZW::Vector3& a, const QZW::Vector3& b) {
    a = QZW::Vector3(a.x * b.x, a.y * b.y, a.z * b.z);
}
void V3Scale(QZW::Vector3& a, float s) {
    a = a * s;
}

void RegisterVectors(HSQUIRRELVM v) {
    {
        Class<QZW::Vector2> c(v, "Vector2");
        c.Ctors<Ctor<>>().Var<&QZW::Vector2::x>("x").Var<&QZW::Vector2::y>("y");
        Cloned<QZW::Vector2>(v);
        Chain<&V2Set, QZW::Vector2>(v, "Set");
        Chain<&V2Add, QZW::Vector2>(v, "Add");
        Chain<&V2Sub, QZW::Vector2>(v, "Sub");
        Chain<&V2Mul, QZW::Vector2>(v, "Mul");
        Chain<&V2Scale, QZW::Vector2>(v, "Scale");
        c.Method<&QZW::Vector2::Length>("Length").Method<&QZW::Vector2::Length2>("Length2");
    }
    {
        Class<QZW::Vector3> c(v, "Vector3");
        c.Ctors<Ctor<>>()
            .Var<&QZW::Vector3::x>("x")
            .Var<&QZW::Vector3::y>("y")
            .Var<&QZW::Vector3::z>("z");
        Cloned<QZW::Vector3>(v);
        Chain<&V3Set, QZW::Vector3>(v, "Set");
        Chain<&V3Add, QZW::Vector3>(v, "Add");
        Chain<&V3Sub, QZW::Vector3>(v, "Sub");
        Chain<&V3Mul, QZW::Vector3>(v, "Mul");
        Chain<&V3Scale, QZW::Vector3>(v, "Scale");
        c.Method<&QZW::Vector3::Length>("Length")
            .Method<&QZW::Vector3::Length2>("Length2")
            .Method<&QZW::Vector3::Normalize>("Normalize")
            .Method<&QZW::Vector3::Transform>("Transform")
            .Method<&QZW::Vector3::Cross>("Cross")
            .Method<&QZW::Vector3::Dot>("Dot")
            .Method<&QZW::Vector3::Dist>("Dist")
            .Method<&QZW::Vector3::Dist2>("Dist2");
    }
    {
        Class<QZW::Vector4> c(v, "Vector4");
        c.Ctors<Ctor<>>()
            .Var<&QZW::Vector4::x>("x")
            .Var<&QZW::Vector4::y>("y")
            .Var<&QZW::Vector4::z>("z")
            .Var<&QZW::Vector4::w>("w");
        Cloned<QZW::Vector4>(v);
    }
}

// [SECTION] Color, Matrix, ResultViewPosScScale
// Each channel keeps the low byte of the script integer.
void ColorSet(QZW::Color& c, std::int32_t r, std::int32_t g, std::int32_t b, std::int32_t a) {
    c = QZW::Color(std::uint8_t(r), std::uint8_t(g), std::uint8_t(b), std::uint8_t(a));
}

float ViewX(const QZW::ResultViewPosScScale& p) {
    return p.x;
}
float ViewY(const QZW::ResultViewPosScScale& p) {
    return p.y;
}
float ViewZ(const QZW::ResultViewPosScScale& p) {
    return p.z;
}
void SetViewX(QZW::ResultViewPosScScale& p, float value) {
    p.x = value;
}
void SetViewY(QZW::ResultViewPosScScale& p, float value) {
    p.y = value;
}
void SetViewZ(QZW::ResultViewPosScScale& p, float value) {
    p.z = value;
}

void RegisterColorMatrixView(HSQUIRRELVM v) {
    {
        Class<QZW::Color> c(v, "Color");
        c.Ctors<Ctor<>>()
            .Var<&QZW::Color::r>("r")
            .Var<&QZW::Color::g>("g")
            .Var<&QZW::Color::b>("b")
            .Var<&QZW::Color::a>("a");
        Cloned<QZW::Color>(v);
        Chain<&ColorSet, QZW::Color>(v, "Set");
    }
    {
        Class<QZW::Matrix> c(v, "Matrix");
        c.Ctors<Ctor<>>()
            .Method<&QZW::Matrix::ResetMatrix>("ResetMatrix")
            .Method<&QZW::Matrix::RotateMatrixX>("RotateMatrixX")
            .Method<&QZW::Matrix::RotateMatrixY>("RotateMatrixY")
            .Method<&QZW::Matrix::RotateMatrixZ>("RotateMatrixZ")
            .Method<&QZW::Matrix::TransrateMatrix>("TransrateMatrix")
            .Method<&QZW::Matrix::ScaleMatrix>("ScaleMatrix")
            .Method<&QZW::Matrix::TransposeMatrix>("TransposeMatrix");
        Cloned<QZW::Matrix>(v);
    }
    {
        Class<QZW::ResultViewPosScScale> c(v, "ResultViewPosScScale");
        c.Ctors<Ctor<>>()
            .Prop<&ViewX, &SetViewX>("x")
            .Prop<&ViewY, &SetViewY>("y")
            .Prop<&ViewZ, &SetViewZ>("z")
            .Var<&QZW::ResultViewPosScScale::scale>("scale");
        Cloned<QZW::ResultViewPosScScale>(v);
    }
}

// [SECTION] QzRandom
void RegisterRandom(HSQUIRRELVM v) {
    Class<QZW::QzRandom> c(v, "QzRandom");
    c.Ctors<Ctor<>>()
        .Method<&QZW::QzRandom::SetSeed>("SetSeed")
        .Method<&QZW::QzRandom::Init>("Init")
        .Method<&QZW::QzRandom::ReInit>("ReInit")
        .Method<&QZW::QzRandom::Next>("Next")
        .Method<&QZW::QzRandom::NextFloat>("NextFloat")
        .Method<&QZW::QzRandom::RangeFloat>("RangeFloat")
        .Method<&QZW::QzRandom::RangeInt>("RangeInt");
    Cloned<QZW::QzRandom>(v);
}

// [SECTION] CQzSpriteList
// A script-made list has the default constructor's capacity (none), so its
// appends are dropped; the game hands scripts lists it sized itself.
// A list the scripts let go of may still be queued in a layer for the frame
// being built: the game draw task keeps it until that frame was drawn.
SQInteger ReleaseSpriteList(SQUserPointer p, SQInteger) {
    auto* list = static_cast<QZW::CQzSpriteList*>(p);
    if (CGameDrawTask* draw = GetGameDrawTask()) {
        draw->ReleaseAfterDraw(list);
    } else {
        delete list;
    }
    return 1;
}

// Sets `list` as the instance's object, releasing one a second constructor
// call replaces.
void AdoptSpriteList(HSQUIRRELVM v, QZW::CQzSpriteList* list) {
    SQUserPointer old = nullptr;
    if (SQ_SUCCEEDED(sq_getinstanceup(v, 1, &old, nullptr)) && old &&
        sq_getreleasehook(v, 1) == &ReleaseSpriteList) {
        ReleaseSpriteList(old, 0);
    }
    sq_setinstanceup(v, 1, list);
    sq_setreleasehook(v, 1, &ReleaseSpriteList);
}

SQInteger NewSpriteList(HSQUIRRELVM v) {
    if (sq_gettype(v, 1) != OT_INSTANCE) {
        return sq_throwerror(v, SqBind::kNotInstance);
    }
    if (sq_gettop(v) != 1) {
        return sq_throwerror(v, SqBind::kWrongParamCount);
    }
    AdoptSpriteList(v, new QZW::CQzSpriteList());
    return 0;
}

SQInteger CloneSpriteList(HSQUIRRELVM v) {
    void* original = nullptr;
    const SqBind::ClassInfo* info = &SqBind::InfoOf<QZW::CQzSpriteList>();
    if (SQInteger r = SqBind::FetchObject(v, 2, info, false, &original); r != 0) {
        return r;
    }
    // The clone starts with the original's pointer, which stays the original's.
    sq_setinstanceup(v, 1, new QZW::CQzSpriteList(*static_cast<QZW::CQzSpriteList*>(original)));
    sq_setreleasehook(v, 1, &ReleaseSpriteList);
    return 0;
}

void RegisterSpriteList(HSQUIRRELVM v) {
    Class<QZW::CQzSpriteList> c(v, "CQzSpriteList");
    SqBind::NewSlot(v, "constructor", &NewSpriteList, false);
    SqBind::NewSlot(v, "_cloned", &CloneSpriteList, false);
    c.Method<&QZW::CQzSpriteList::AppendSprite2>("AppendSprite2")
        .Method<&QZW::CQzSpriteList::Clear>("Clear");
}

}  // namespace

void RegisterValueClasses(HSQUIRRELVM v) {
    RegisterVectors(v);
    RegisterColorMatrixView(v);
    RegisterRandom(v);
    RegisterSpriteList(v);
}

}  // namespace Sample
