// A linked GLSL program as the renderer addresses it: attach both stages,
// bind attribute locations, link, make current and set uniforms by location
// or by name. Implemented over OpenGL 2.0 by QZW::Win::CQzShaderProgramObj.
#pragma once

namespace QZW {

class IQzShaderProgramObj {
public:
    virtual ~IQzShaderProgramObj() = default;

    // Compiles the source and attaches it; false (nothing attached) when it
    // does not compile or the stage was attached already.
    virtual bool AttachVertexShader(const char* source) = 0;
    virtual bool AttachFragmentShader(const char* source) = 0;
    virtual bool Link() = 0;
    virtual void Use() = 0;
    virtual void Unuse() = 0;
    virtual void BindAttribLocation(int index, const char* name) = 0;

    // Uniform setters; a location of -1 or a name the program lacks is ignored.
    virtual void SetUniform1i(int location, int value) = 0;
    virtual void SetUniform1iByName(const char* name, int value) = 0;
    virtual void SetUniform1f(int location, float value) = 0;
    virtual void SetUniform1fByName(const char* name, float value) = 0;
    virtual void SetUniform2f(int location, float x, float y) = 0;
    virtual void SetUniform2fByName(const char* name, float x, float y) = 0;
    virtual void SetUniform2fv(int location, int count, const float* values) = 0;
    virtual void SetUniform2fvByName(const char* name, int count, const float* values) = 0;
    virtual void SetUniform3i(int location, int a, int b, int c) = 0;
    virtual void SetUniform3iByName(const char* name, int a, int b, int c) = 0;
    virtual void SetUniform3f(int location, float x, float y, float z) = 0;
    virtual void SetUniform3fByName(const char* name, float x, float y, float z) = 0;
    virtual void SetUniform3fv(int location, int count, const float* values) = 0;
    virtual void SetUniform3fvByName(const char* name, int count, const float* values) = 0;
    virtual void SetUniform4f(int location, float x, float y, float z, float w) = 0;
    virtual void SetUniform4fByName(const char* name, float x, float y, float z, float w) = 0;
    virtual void SetUniform4fv(int location, int count, const float* values) = 0;
    virtual void SetUniform4fvByName(const char* name, int count, const float* values) = 0;
    // Engine matrices go up untransposed: matrix x vector in GLSL equals the
    // engine's vector x matrix.
    virtual void SetUniformMatrix4fv(int location, const float* m) = 0;
    virtual void SetUniformMatrix4fvByName(const char* name, const float* m) = 0;
    virtual void SetUniformMatrix4fvArray(int location, int count, const float* m) = 0;
    virtual void SetUniformMatrix4fvArrayByName(const char* name, int count, const float* m) = 0;

    virtual int GetUniformLocation(const char* name) = 0;
    virtual int GetAttribLocation(const char* name) = 0;

    // True once Link succeeded; the renderer draws nothing with a program
    // that failed to build.
    virtual bool IsLinked() = 0;
};

}  // namespace QZW
