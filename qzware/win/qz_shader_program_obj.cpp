// Program objects: attach, link, current program tracking and uniform setters.
#include "qzware/win/qz_shader_program_obj.h"

#include <vector>

namespace QZW::Win {
namespace {

GLuint g_programInUse = 0;

}  // namespace

void CQzShaderProgramObj::ForgetProgramInUse() {
    g_programInUse = 0;
}

CQzShaderProgramObj::CQzShaderProgramObj() {
    program = glCreateProgram();
    vertexShader = new CQzVertexShader();
    fragmentShader = new CQzFragmentShader();
}

CQzShaderProgramObj::~CQzShaderProgramObj() {
    delete vertexShader;
    delete fragmentShader;
    if (program != 0) {
        if (g_programInUse == program) {
            g_programInUse = 0;
        }
        glDeleteProgram(program);
    }
}

// [SECTION] Building

bool CQzShaderProgramObj::Attach(CQzShader*& stage, const char* source) {
    if (stage == nullptr || program == 0) {
        return false;
    }
    if (!stage->Compile(source)) {
        infoLog = stage->GetInfoLog();
        return false;
    }
    glAttachShader(program, stage->GetShader());
    // Deleting an attached shader only flags it; the program keeps it.
    delete stage;
    stage = nullptr;
    return true;
}

bool CQzShaderProgramObj::AttachVertexShader(const char* source) {
    CQzShader* stage = vertexShader;
    bool ok = Attach(stage, source);
    vertexShader = static_cast<CQzVertexShader*>(stage);
    return ok;
}

bool CQzShaderProgramObj::AttachFragmentShader(const char* source) {
    CQzShader* stage = fragmentShader;
    bool ok = Attach(stage, source);
    fragmentShader = static_cast<CQzFragmentShader*>(stage);
    return ok;
}

bool CQzShaderProgramObj::Link() {
    if (program == 0) {
        return false;
    }
    // A compatibility context links a program without a vertex or fragment
    // stage (fixed function fills in); a stage that failed must not draw.
    const bool complete = vertexShader == nullptr && fragmentShader == nullptr;
    GLint status = GL_FALSE;
    if (complete) {
        glLinkProgram(program);
        glGetProgramiv(program, GL_LINK_STATUS, &status);
    } else if (infoLog.empty()) {
        infoLog = "a stage was not attached";
    }
    if (status == GL_TRUE) {
        linked = true;
        return true;
    }
    GLint length = 0;
    glGetProgramiv(program, GL_INFO_LOG_LENGTH, &length);
    std::vector<char> log(static_cast<size_t>(length > 0 ? length : 1), '\0');
    glGetProgramInfoLog(program, static_cast<GLsizei>(log.size()), nullptr, log.data());
    if (log[0] != '\0') {
        infoLog = log.data();
    }
    if (g_programInUse == program) {
        g_programInUse = 0;
    }
    glDeleteProgram(program);
    // Forget the name so no later call reaches a name the driver reuses.
    program = 0;
    linked = false;
    return false;
}

void CQzShaderProgramObj::Use() {
    glUseProgram(linked ? program : 0);
    g_programInUse = linked ? program : 0;
}

void CQzShaderProgramObj::Unuse() {
    glUseProgram(0);
    g_programInUse = 0;
}

void CQzShaderProgramObj::BindAttribLocation(int index, const char* name) {
    if (program != 0 && index >= 0 && name != nullptr) {
        glBindAttribLocation(program, static_cast<GLuint>(index), name);
    }
}

int CQzShaderProgramObj::GetUniformLocation(const char* name) {
    if (program == 0 || name == nullptr) {
        return -1;
    }
    return glGetUniformLocation(program, name);
}

int CQzShaderProgramObj::GetAttribLocation(const char* name) {
    if (program == 0 || name == nullptr) {
        return -1;
    }
    return glGetAttribLocation(program, name);
}

// [SECTION] Uniforms

bool CQzShaderProgramObj::Prepare(int location) {
    if (!linked || location < 0) {
        return false;
    }
    if (g_programInUse != program) {
        glUseProgram(program);
        g_programInUse = program;
    }
    return true;
}

int CQzShaderProgramObj::Locate(const char* name) {
    return GetUniformLocation(name);
}

void CQzShaderProgramObj::SetUniform1i(int location, int value) {
    if (Prepare(location)) {
        glUniform1i(location, value);
    }
}
void CQzShaderProgramObj::SetUniform1iByName(const char* name, int value) {
    SetUniform1i(Locate(name), value);
}

void CQzShaderProgramObj::SetUniform1f(int location, float value) {
    if (Prepare(location)) {
        glUniform1f(location, value);
    }
}
void CQzShaderProgramObj::SetUniform1fByName(const char* name, float value) {
    SetUniform1f(Locate(name), value);
}

void CQzShaderProgramObj::SetUniform2f(int location, float x, float y) {
    if (Prepare(location)) {
        glUniform2f(location, x, y);
    }
}
void CQzShaderProgramObj::SetUniform2fByName(const char* name, float x, float y) {
    SetUniform2f(Locate(name), x, y);
}

void CQzShaderProgramObj::SetUniform2fv(int location, int count, const float* values) {
    if (values != nullptr && count > 0 && Prepare(location)) {
        glUniform2fv(location, count, values);
    }
}
void CQzShaderProgramObj::SetUniform2fvByName(const char* name, int count, const float* values) {
    SetUniform2fv(Locate(name), count, values);
}

void CQzShaderProgramObj::SetUniform3i(int location, int a, int b, int c) {
    if (Prepare(location)) {
        glUniform3i(location, a, b, c);
    }
}
void CQzShaderProgramObj::SetUniform3iByName(const char* name, int a, int b, int c) {
    SetUniform3i(Locate(name), a, b, c);
}

void CQzShaderProgramObj::SetUniform3f(int location, float x, float y, float z) {
    if (Prepare(location)) {
        glUniform3f(location, x, y, z);
    }
}
void CQzShaderProgramObj::SetUniform3fByName(const char* name, float x, float y, float z) {
    SetUniform3f(Locate(name), x, y, z);
}

void CQzShaderProgramObj::SetUniform3fv(int location, int count, const float* values) {
    if (values != nullptr && count > 0 && Prepare(location)) {
        glUniform3fv(location, count, values);
    }
}
void CQzShaderProgramObj::SetUniform3fvByName(const char* name, int count, const float* values) {
    SetUniform3fv(Locate(name), count, values);
}

void CQzShaderProgramObj::SetUniform4f(int location, float x, float y, float z, float w) {
    if (Prepare(location)) {
        glUniform4f(location, x, y, z, w);
    }
}
void CQzShaderProgramObj::SetUniform4fByName(const char* name, float x, float y, float z, float w) {
    SetUniform4f(Locate(name), x, y, z, w);
}

void CQzShaderProgramObj::SetUniform4fv(int location, int count, const float* values) {
    if (values != nullptr && count > 0 && Prepare(location)) {
        glUniform4fv(location, count, values);
    }
}
void CQzShaderProgramObj::SetUniform4fvByName(const char* name, int count, const float* values) {
    SetUniform4fv(Locate(name), count, values);
}

void CQzShaderProgramObj::SetUniformMatrix4fv(int location, const float* m) {
    if (m != nullptr && Prepare(location)) {
        glUniformMatrix4fv(location, 1, GL_FALSE, m);
    }
}
void CQzShaderProgramObj::SetUniformMatrix4fvByName(const char* name, const float* m) {
    SetUniformMatrix4fv(Locate(name), m);
}

void CQzShaderProgramObj::SetUniformMatrix4fvArray(int location, int count, const float* m) {
    if (m != nullptr && count > 0 && Prepare(location)) {
        glUniformMatrix4fv(location, count, GL_FALSE, m);
    }
}
void CQzShaderProgramObj::SetUniformMatrix4fvArrayByName(const char* name, int count,
                                                         const float* m) {
    SetUniformMatrix4fvArray(Locate(name), count, m);
}

}  // namespace QZW::Win
