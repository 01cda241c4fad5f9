// One GLSL shader object (vertex or fragment) over OpenGL 2.0 through GLEW.
// Compile failures keep the info log for diagnostics; the name is released
// at once so a later delete never hits a name the driver has reused.
#pragma once

#include <GL/glew.h>

#include <string>

namespace QZW::Win {

class CQzShader {
public:
    virtual ~CQzShader();
    CQzShader(const CQzShader&) = delete;
    CQzShader& operator=(const CQzShader&) = delete;

    // True when the source compiled. On failure the shader is deleted.
    virtual bool Compile(const char* source);

    GLuint GetShader() const { return shader; }
    const std::string& GetInfoLog() const { return infoLog; }

protected:
    explicit CQzShader(GLenum type);

    GLuint shader = 0;
    std::string infoLog;
};

class CQzVertexShader : public CQzShader {
public:
    CQzVertexShader() : CQzShader(GL_VERTEX_SHADER) {}
};

class CQzFragmentShader : public CQzShader {
public:
    CQzFragmentShader() : CQzShader(GL_FRAGMENT_SHADER) {}
};

}  // namespace QZW::Win
