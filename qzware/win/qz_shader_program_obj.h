// QZW::IQzShaderProgramObj over OpenGL 2.0: a program with one vertex and one
// fragment stage, each attached at most once. Uniform setters make the
// program current first, so a uniform always lands in the program it names.
// Info logs of failed compiles and links are kept (GetInfoLog), not printed.
#pragma once

#include <GL/glew.h>

#include <string>

#include "qzware/scene/iqz_shader_program_obj.h"
#include "qzware/win/qz_shader.h"

namespace QZW::Win {

class CQzShaderProgramObj : public IQzShaderProgramObj {
public:
    CQzShaderProgramObj();
    ~CQzShaderProgramObj() override;
    CQzShaderProgramObj(const CQzShaderProgramObj&) = delete;
    CQzShaderProgramObj& operator=(const CQzShaderProgramObj&) = delete;

    bool AttachVertexShader(const char* source) override;
    bool AttachFragmentShader(const char* source) override;
    bool Link() override;
    void Use() override;
    void Unuse() override;
    void BindAttribLocation(int index, const char* name) override;

    void SetUniform1i(int location, int value) override;
    void SetUniform1iByName(const char* name, int value) override;
    void SetUniform1f(int location, float value) override;
    void SetUniform1fByName(const char* name, float value) override;
    void SetUniform2f(int location, float x, float y) override;
    void SetUniform2fByName(const char* name, float x, float y) override;
    void SetUniform2fv(int location, int count, const float* values) override;
    void SetUniform2fvByName(const char* name, int count, const float* values) override;
    void SetUniform3i(int location, int a, int b, int c) override;
    void SetUniform3iByName(const char* name, int a, int b, int c) override;
    void SetUniform3f(int location, float x, float y, float z) override;
    void SetUniform3fByName(const char* name, float x, float y, float z) override;
    void SetUniform3fv(int location, int count, const float* values) override;
    void SetUniform3fvByName(const char* name, int count, const float* values) override;
    void SetUniform4f(int location, float x, float y, float z, float w) override;
    void SetUniform4fByName(const char* name, float x, float y, float z, float w) override;
    void SetUniform4fv(int location, int count, const float* values) override;
    void SetUniform4fvByName(const char* name, int count, const float* values) override;
    void SetUniformMatrix4fv(int location, const float* m) override;
    void SetUniformMatrix4fvByName(const char* name, const float* m) override;
    void SetUniformMatrix4fvArray(int location, int count, const float* m) override;
    void SetUniformMatrix4fvArrayByName(const char* name, int count, const float* m) override;

    int GetUniformLocation(const char* name) override;
    int GetAttribLocation(const char* name) override;
    bool IsLinked() override { return linked; }

    GLuint GetProgram() const { return program; }
    // The compile log of the last stage that failed, or the link log.
    const std::string& GetInfoLog() const { return infoLog; }

    // The program this class last made current. A new GL context starts with
    // none; the renderer forgets the old one when it creates its context.
    static void ForgetProgramInUse();

private:
    bool Attach(CQzShader*& stage, const char* source);
    // Makes this program current for a uniform update; false when it has no
    // linked program (the update is then dropped).
    bool Prepare(int location);
    int Locate(const char* name);

    CQzVertexShader* vertexShader = nullptr;
    CQzFragmentShader* fragmentShader = nullptr;
    GLuint program = 0;
    bool linked = false;
    std::string infoLog;
};

}  // namespace QZW::Win
