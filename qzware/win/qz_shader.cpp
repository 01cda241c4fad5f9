// Shader objects: compile and keep the log of a failed compile.
#include "qzware/win/qz_shader.h"

#include <vector>

namespace QZW::Win {

CQzShader::CQzShader(GLenum type) {
    shader = glCreateShader(type);
}

CQzShader::~CQzShader() {
    if (shader != 0) {
        glDeleteShader(shader);
    }
}

bool CQzShader::Compile(const char* source) {
    if (shader == 0 || source == nullptr) {
        return false;
    }
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint status = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &status);
    if (status == GL_TRUE) {
        return true;
    }
    GLint length = 0;
    glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &length);
    std::vector<char> log(static_cast<size_t>(length > 0 ? length : 1), '\0');
    glGetShaderInfoLog(shader, static_cast<GLsizei>(log.size()), nullptr, log.data());
    infoLog = log.data();
    glDeleteShader(shader);
    shader = 0;
    return false;
}

}  // namespace QZW::Win
