#include "scene_renderer.h"

#define GL_GLEXT_PROTOTYPES 1
#include <GL/glcorearb.h>

#include <cstddef>
#include <stdexcept>
#include <string>

namespace vgxtool {
namespace {

constexpr const char* kVertexShader = R"(#version 330 core
layout(location = 0) in vec3 position;
layout(location = 1) in vec3 normal;
uniform mat4 toScene;
uniform mat4 view;
uniform mat4 projection;
out vec3 sceneNormal;
void main() {
    sceneNormal = transpose(inverse(mat3(toScene))) * normal;
    gl_Position = projection * view * toScene * vec4(position, 1.0);
}
)";

// Both sides of a face are lit: open meshes show their inside.
constexpr const char* kFragmentShader = R"(#version 330 core
in vec3 sceneNormal;
uniform vec3 diffuse;
uniform vec3 emissive;
uniform vec3 towardsLight;
uniform vec3 towardsEye;
uniform bool lit;
out vec4 colour;
void main() {
    if (!lit) {
        colour = vec4(diffuse + emissive, 1.0);
        return;
    }
    vec3 n = normalize(sceneNormal);
    if (dot(n, towardsEye) < 0.0) n = -n;
    float lambert = max(dot(n, towardsLight), 0.0);
    colour = vec4(diffuse * (0.25 + 0.75 * lambert) + emissive, 1.0);
}
)";

GLuint Compile(GLenum stage, const char* source) {
    const GLuint shader = glCreateShader(stage);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint ok = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char log[1024] = {};
        glGetShaderInfoLog(shader, sizeof log, nullptr, log);
        glDeleteShader(shader);
        throw std::runtime_error(std::string("OpenGL: shader does not compile: ") + log);
    }
    return shader;
}

GLuint Link() {
    const GLuint vertex = Compile(GL_VERTEX_SHADER, kVertexShader);
    const GLuint fragment = Compile(GL_FRAGMENT_SHADER, kFragmentShader);
    const GLuint program = glCreateProgram();
    glAttachShader(program, vertex);
    glAttachShader(program, fragment);
    glLinkProgram(program);
    glDeleteShader(vertex);
    glDeleteShader(fragment);
    GLint ok = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (!ok) {
        glDeleteProgram(program);
        throw std::runtime_error("OpenGL: shader program does not link");
    }
    return program;
}

// The library's 44-byte vertex: position, normal, diffuse colour, two UV sets.
constexpr GLsizei kVertexSize = 44;

}  // namespace

SceneRenderer::SceneRenderer() : program_(Link()) {
    glGenVertexArrays(1, &vertexArray_);
    glGenBuffers(2, buffers_);
    glBindVertexArray(vertexArray_);
    glBindBuffer(GL_ARRAY_BUFFER, buffers_[0]);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffers_[1]);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, kVertexSize, reinterpret_cast<const void*>(0));
    glEnableVertexAttribArray(1);
    glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, kVertexSize, reinterpret_cast<const void*>(12));
}

SceneRenderer::~SceneRenderer() {
    glDeleteBuffers(2, buffers_);
    glDeleteVertexArrays(1, &vertexArray_);
    glDeleteProgram(program_);
}

void SceneRenderer::Draw(const std::vector<DrawObject>& drawList, const Camera& camera) {
    glClearColor(0.16f, 0.17f, 0.20f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_MULTISAMPLE);
    glUseProgram(program_);
    glBindVertexArray(vertexArray_);
    auto uniform = [&](const char* name) { return glGetUniformLocation(program_, name); };
    // The library's row-vector matrices are, read column by column, the column-vector
    // matrices GLSL expects: no transposing.
    glUniformMatrix4fv(uniform("view"), 1, GL_FALSE, camera.view.m);
    glUniformMatrix4fv(uniform("projection"), 1, GL_FALSE, camera.projection.m);
    glUniform3f(uniform("towardsLight"), camera.towardsLight.X, camera.towardsLight.Y, camera.towardsLight.Z);
    glUniform3f(uniform("towardsEye"), camera.towardsEye.X, camera.towardsEye.Y, camera.towardsEye.Z);
    for (const DrawObject& object : drawList) {
        glUniformMatrix4fv(uniform("toScene"), 1, GL_FALSE, object.toScene.m);
        glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(object.vertices.size()), object.vertices.data(),
                     GL_STREAM_DRAW);
        for (const DrawBatch& batch : object.batches) {
            const bool triangles = batch.kind == PrimitiveKind::Triangles;
            glUniform1i(uniform("lit"), triangles);
            glUniform3f(uniform("diffuse"), batch.diffuse.r, batch.diffuse.g, batch.diffuse.b);
            glUniform3f(uniform("emissive"), batch.emissive.r, batch.emissive.g, batch.emissive.b);
            glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(batch.indices.size()), batch.indices.data(),
                         GL_STREAM_DRAW);
            glDrawElementsBaseVertex(triangles ? GL_TRIANGLES : GL_LINES, batch.indexCount,
                                     batch.wideIndices ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT, nullptr,
                                     batch.baseVertex);
        }
    }
    if (glGetError() != GL_NO_ERROR) throw std::runtime_error("OpenGL: drawing the scene failed");
}

}  // namespace vgxtool
