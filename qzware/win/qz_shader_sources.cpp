// The built-in programs' GLSL 1.10 texts. Seven vertex stages are shared by
// the fourteen programs; each program's fragment stage follows its index.
// Colours arrive as unnormalised bytes (0-255), so vertex stages divide by 255.
#include "qzware/win/qz_shader_sources.h"

namespace QZW::Win {
namespace {

// [SECTION] Vertex stages

// Textured, scrolled texture coordinates.
const char* const kVertexA = R"(
attribute vec4 a_position;
attribute vec2 a_texcoord;
attribute vec3 a_normal;
uniform mat4 u_mvp_matrix;
uniform vec2 u_tex_ofs;
varying vec2 v_texcoord;
void main()
{
    gl_Position = u_mvp_matrix * a_position;
    v_texcoord = a_texcoord + u_tex_ofs;
}
)";

// Textured and tinted, with a clip-space depth bias.
const char* const kVertexB = R"(
attribute vec4 a_position;
attribute vec4 a_color;
attribute vec2 a_texcoord;
uniform mat4 u_mvp_matrix;
uniform float u_ofsz;
uniform vec2 u_tex_ofs;
varying vec2 v_texcoord;
varying vec4 v_color;
void main()
{
    gl_Position = u_mvp_matrix * a_position;
    gl_Position.z += u_ofsz;
    v_texcoord = a_texcoord + u_tex_ofs;
    v_color = a_color / 255.0;
}
)";

// Flat vertex colour.
const char* const kVertexC = R"(
attribute vec4 a_position;
attribute vec4 a_color;
uniform mat4 u_mvp_matrix;
varying vec4 v_color;
void main()
{
    gl_Position = u_mvp_matrix * a_position;
    v_color = a_color / 255.0;
}
)";

// As the tinted stage, without the texture offset (palette lookups).
const char* const kVertexD = R"(
attribute vec4 a_position;
attribute vec4 a_color;
attribute vec2 a_texcoord;
uniform mat4 u_mvp_matrix;
uniform float u_ofsz;
varying vec2 v_texcoord;
varying vec4 v_color;
void main()
{
    gl_Position = u_mvp_matrix * a_position;
    gl_Position.z += u_ofsz;
    v_texcoord = a_texcoord;
    v_color = a_color / 255.0;
}
)";

// Light-mapped: the light map is addressed through the light's view-projection.
const char* const kVertexE = R"(
attribute vec4 a_position;
attribute vec2 a_texcoord;
attribute vec3 a_normal;
uniform mat4 u_mvp_matrix;
uniform mat4 u_lvp_matrix;
uniform vec2 u_tex_ofs;
uniform vec2 u_tex1_ofs;
varying vec2 v_texcoord;
varying vec2 v_lighttexcoord;
void main()
{
    gl_Position = u_mvp_matrix * a_position;
    v_texcoord = a_texcoord + u_tex_ofs;
    v_lighttexcoord = (u_lvp_matrix * a_position).xy + u_tex1_ofs;
}
)";

// Skinned by up to four of the mesh palette's sixteen bones. Bone indices are
// clamped to the array so a bad model index never reads outside it.
const char* const kVertexF = R"(
attribute vec4 a_position;
attribute vec2 a_texcoord;
attribute vec3 a_normal;
attribute vec4 a_boneIndex;
attribute vec4 a_weight;
uniform mat4 u_mvp_matrix;
uniform mat4 u_bone_matrixs[16];
varying vec4 v_position;
varying vec2 v_texcoord;
varying vec3 v_normal;
void main()
{
    vec4 index = a_boneIndex;
    vec4 weight = a_weight;
    vec4 p = vec4(0.0, 0.0, 0.0, 0.0);
    for (int i = 0; i < 4; ++i) {
        int bone = int(clamp(index.x, 0.0, 15.0));
        p += weight.x * (u_bone_matrixs[bone] * a_position);
        index = index.yzwx;
        weight = weight.yzwx;
    }
    v_position = p;
    v_texcoord = a_texcoord;
    v_normal = a_normal;
    gl_Position = u_mvp_matrix * p;
}
)";

// Waver: a second, scrolled coordinate set addresses the displacement map.
const char* const kVertexG = R"(
attribute vec4 a_position;
attribute vec4 a_color;
attribute vec2 a_texcoord;
uniform mat4 u_mvp_matrix;
uniform vec2 u_tex_ofs;
uniform vec3 u_yuragi_param;
varying vec2 v_texcoord;
varying vec2 v_yuragitexcoord;
varying float v_yuragipow;
varying vec4 v_color;
void main()
{
    gl_Position = u_mvp_matrix * a_position;
    v_texcoord = a_texcoord + u_tex_ofs;
    v_yuragitexcoord = a_texcoord + u_yuragi_param.xy;
    v_yuragipow = u_yuragi_param.z;
    v_color = a_color / 255.0;
}
)";

// [SECTION] Fragment stages

const char* const kFragmentTextured = R"(
uniform sampler2D texture;
varying vec2 v_texcoord;
void main()
{
    vec4 tex = texture2D(texture, v_texcoord);
    if (tex.a <= 0.0)
        discard;
    gl_FragColor = tex;
}
)";

const char* const kFragmentTinted = R"(
uniform sampler2D texture;
varying vec2 v_texcoord;
varying vec4 v_color;
void main()
{
    vec4 tex = texture2D(texture, v_texcoord);
    if (tex.a <= 0.0)
        discard;
    gl_FragColor = v_color * tex;
}
)";

const char* const kFragmentTintedOpaque = R"(
uniform sampler2D texture;
varying vec2 v_texcoord;
varying vec4 v_color;
void main()
{
    vec4 tex = texture2D(texture, v_texcoord);
    if (tex.a <= 0.0)
        discard;
    gl_FragColor = v_color * vec4(tex.rgb, 1.0);
}
)";

// 13 taps along u_gaussian_dir. The texel height is 1/760 by design of the
// blur's look; GLSL 1.10 has no array initialisers, hence the unrolled taps.
const char* const kFragmentGaussian = R"(
uniform sampler2D texture;
uniform vec2 u_gaussian_dir;
varying vec2 v_texcoord;
vec4 tap(float k, float w)
{
    vec2 texel = vec2(1.0 / 1280.0, 1.0 / 760.0);
    return texture2D(texture, v_texcoord + vec2(k, k) * u_gaussian_dir * texel) * w;
}
void main()
{
    vec4 sum = vec4(0.0, 0.0, 0.0, 1.0);
    sum += tap(-6.0, 0.002216);
    sum += tap(-5.0, 0.008764);
    sum += tap(-4.0, 0.026995);
    sum += tap(-3.0, 0.064759);
    sum += tap(-2.0, 0.120985);
    sum += tap(-1.0, 0.176033);
    sum += tap(0.0, 0.199471);
    sum += tap(1.0, 0.176033);
    sum += tap(2.0, 0.120985);
    sum += tap(3.0, 0.064759);
    sum += tap(4.0, 0.026995);
    sum += tap(5.0, 0.008764);
    sum += tap(6.0, 0.002216);
    gl_FragColor = sum;
}
)";

const char* const kFragmentFlat = R"(
varying vec4 v_color;
void main()
{
    gl_FragColor = v_color;
}
)";

// The colour texture's alpha holds the palette index; one palette per row
// of the 256-row palette texture on unit 1.
const char* const kFragmentPalette = R"(
uniform sampler2D texture;
uniform sampler2D texture1;
uniform float paletteIndex;
varying vec2 v_texcoord;
varying vec4 v_color;
void main()
{
    vec4 tex = texture2D(texture, v_texcoord);
    float i = tex.a;
    vec4 palcol = texture2D(texture1, vec2(i, (paletteIndex + 0.5) / 256.0));
    if (palcol.a <= 0.0)
        discard;
    gl_FragColor = palcol * v_color;
}
)";

const char* const kFragmentLightMap = R"(
uniform sampler2D texture;
uniform sampler2D texture1;
varying vec2 v_texcoord;
varying vec2 v_lighttexcoord;
void main()
{
    vec4 tex = texture2D(texture, v_texcoord);
    if (tex.a <= 0.0)
        discard;
    vec4 light = texture2D(texture1, v_lighttexcoord);
    gl_FragColor = vec4((tex * light).rgb, 1.0);
}
)";

const char* const kFragmentLighting = R"(
uniform sampler2D texture;
uniform vec3 lightPos;
uniform vec3 lightCol;
uniform vec3 ambient;
uniform vec3 eyePosLocal;
varying vec4 v_position;
varying vec2 v_texcoord;
varying vec3 v_normal;
void main()
{
    const float shininess = 17.8954;
    vec3 n = normalize(v_normal);
    vec3 l = normalize(lightPos - v_position.xyz);
    float diffuse = max(dot(n, l), 0.0);
    vec3 e = normalize(eyePosLocal - v_position.xyz);
    vec3 h = normalize(l + e);
    float specular = pow(max(dot(h, n), 0.0), shininess);
    if (diffuse <= 0.0)
        specular = 0.0;
    vec4 t = texture2D(texture, v_texcoord);
    if (t.a <= 0.3)
        discard;
    gl_FragColor = vec4(t.rgb * (diffuse + ambient) + specular, t.a);
}
)";

const char* const kFragmentLuminancePower = R"(
uniform sampler2D texture;
uniform float u_grea_pow;
varying vec2 v_texcoord;
void main()
{
    vec4 tex = texture2D(texture, v_texcoord);
    float y = 0.299 * tex.r + 0.587 * tex.g + 0.114 * tex.b;
    gl_FragColor = vec4(tex.rgb * y * y * u_grea_pow, 1.0);
}
)";

// The displacement map on unit 2 moves the lookup by whole texels of the
// size given in u_tex_size, scaled by the waver strength.
const char* const kFragmentWaver = R"(
uniform sampler2D texture;
uniform sampler2D texture2;
uniform vec2 u_tex_size;
varying vec2 v_texcoord;
varying vec2 v_yuragitexcoord;
varying float v_yuragipow;
void main()
{
    float width = 1.0 / u_tex_size.x;
    float height = 1.0 / u_tex_size.y;
    vec4 d = texture2D(texture2, v_yuragitexcoord);
    vec2 uv = vec2(v_texcoord.x + width * d.x * v_yuragipow,
                   v_texcoord.y + height * d.y * v_yuragipow);
    gl_FragColor = vec4(texture2D(texture, uv).rgb, 1.0);
}
)";

const char* const kFragmentChannelRotation = R"(
uniform sampler2D texture;
varying vec2 v_texcoord;
varying vec4 v_color;
void main()
{
    vec4 tex = texture2D(texture, v_texcoord);
    if (tex.a <= 0.0)
        discard;
    vec4 c = v_color * tex;
    gl_FragColor = vec4(c.b, c.r, c.g, c.a);
}
)";

const char* const kFragmentBiasedLightMap = R"(
uniform sampler2D texture;
uniform sampler2D texture1;
varying vec2 v_texcoord;
varying vec2 v_lighttexcoord;
void main()
{
    vec4 tex = texture2D(texture, v_texcoord);
    if (tex.a <= 0.0)
        discard;
    vec4 light = texture2D(texture1, v_lighttexcoord);
    light.rgb = clamp(light.rgb + 0.5, 0.0, 1.0);
    gl_FragColor = vec4((tex * light).rgb, 1.0);
}
)";

const char* const kFragmentLuminanceToAlpha = R"(
uniform sampler2D texture;
varying vec2 v_texcoord;
void main()
{
    vec4 tex = texture2D(texture, v_texcoord);
    float y = 0.299 * tex.r + 0.587 * tex.g + 0.114 * tex.b;
    gl_FragColor = vec4(0.0, 0.0, 0.0, y);
}
)";

// The end-of-frame chain in one draw (see qz_composition_fold.h): the
// bytes a tinted texel leaves in target 13 cleared to zero, written to the
// window where the copy of 13 would write them. Every step works on whole
// bytes, as the blender does (its product of bytes t is
// (t + (t >> 8) + 128) >> 8), so the stored byte is an exact k / 255 and no
// rounding of the conversion to the window can move it. u_fold_kind is 1
// for (c * a, a * a), otherwise the tinted texel itself.
const char* const kFragmentCompositionFold = R"(
uniform sampler2D texture;
uniform int u_fold_kind;
varying vec2 v_texcoord;
varying vec4 v_color;
void main()
{
    vec4 tex = texture2D(texture, v_texcoord);
    if (tex.a <= 0.0)
        discard;
    vec4 s = floor(v_color * tex * 255.0 + 0.5);
    vec4 bytes = s;
    if (u_fold_kind == 1)
    {
        vec4 t = s * s.a;
        bytes = floor((t + floor(t / 256.0) + 128.0) / 256.0);
    }
    if (bytes.a < 0.5)
        discard;
    gl_FragColor = bytes / 255.0;
}
)";

}  // namespace

// [SECTION] Tables

const QzShaderSource kQzShaderSources[kQzBuiltinProgramCount] = {
    {kVertexA, kFragmentTextured},          // 0
    {kVertexB, kFragmentTinted},            // 1
    {kVertexB, kFragmentTinted},            // 2
    {kVertexB, kFragmentTintedOpaque},      // 3
    {kVertexA, kFragmentGaussian},          // 4
    {kVertexC, kFragmentFlat},              // 5
    {kVertexD, kFragmentPalette},           // 6
    {kVertexE, kFragmentLightMap},          // 7
    {kVertexF, kFragmentLighting},          // 8
    {kVertexA, kFragmentLuminancePower},    // 9
    {kVertexG, kFragmentWaver},             // 10
    {kVertexB, kFragmentChannelRotation},   // 11
    {kVertexE, kFragmentBiasedLightMap},    // 12
    {kVertexB, kFragmentLuminanceToAlpha},  // 13
};

const QzShaderSource kQzCompositionFoldSource = {kVertexB, kFragmentCompositionFold};

const char* const kQzAttribNames[kQzAttribCount] = {
    "a_position", "a_color", "a_texcoord", "a_normal", "a_boneIndex", "a_weight",
};

const char* const kQzSamplerNames[kQzSamplerUnitCount] = {
    "texture", "texture1", "texture2", "texture3", "texture4", "texture5", "texture6", "texture7",
};

}  // namespace QZW::Win
