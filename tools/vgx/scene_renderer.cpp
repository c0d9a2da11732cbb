#include "scene_renderer.h"

#define GL_GLEXT_PROTOTYPES 1
#include <GL/glcorearb.h>

#include <cstddef>
#include <map>
#include <stdexcept>
#include <string>

namespace vgxtool {
namespace {

constexpr const char* kVertexShader = R"(#version 330 core
layout(location = 0) in vec3 position;
layout(location = 1) in vec3 normal;
layout(location = 2) in vec2 uv;
uniform mat4 toScene;
uniform mat4 view;
uniform mat4 projection;
out vec3 sceneNormal;
out vec2 textureUV;
void main() {
    textureUV = uv;
    sceneNormal = transpose(inverse(mat3(toScene))) * normal;
    gl_Position = projection * view * toScene * vec4(position, 1.0);
}
)";

// Both sides of a face are lit: open meshes show their inside. A texture tints
// the diffuse colour, as the fixed-function modulate stage did.
constexpr const char* kFragmentShader = R"(#version 330 core
in vec3 sceneNormal;
in vec2 textureUV;
uniform sampler2D map;
uniform bool textured;
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
    vec3 surface = textured ? diffuse * texture(map, textureUV).rgb : diffuse;
    colour = vec4(surface * (0.25 + 0.75 * lambert) + emissive, 1.0);
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
constexpr size_t kFirstUVOffset = 28;
constexpr float kPointSize = 7;

GLenum DrawMode(PrimitiveKind kind) {
    switch (kind) {
        case PrimitiveKind::Triangles:
            return GL_TRIANGLES;
        case PrimitiveKind::Lines:
            return GL_LINES;
        case PrimitiveKind::Points:
            return GL_POINTS;
    }
    return GL_TRIANGLES;
}

// 0xAARRGGBB words are B, G, R, A bytes in memory; UVs wrap, as Direct3D's default.
GLuint TextureName(const DrawTexture& texture, std::map<const DrawTexture*, GLuint>& made) {
    const auto [found, added] = made.emplace(&texture, 0);
    if (!added) return found->second;
    glGenTextures(1, &found->second);
    glBindTexture(GL_TEXTURE_2D, found->second);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, texture.width, texture.height, 0, GL_BGRA, GL_UNSIGNED_BYTE,
                 texture.pixels.data());
    glGenerateMipmap(GL_TEXTURE_2D);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    return found->second;
}

}  // namespace

GlDrawList::GlDrawList(const std::vector<DrawObject>& drawList) {
    // One GL texture per library texture, however many batches use it.
    std::map<const DrawTexture*, GLuint> textures;
    const auto upload = [&](GLenum target, const std::vector<uint8_t>& bytes) {
        GLuint buffer = 0;
        glGenBuffers(1, &buffer);
        buffers_.push_back(buffer);
        glBindBuffer(target, buffer);
        glBufferData(target, static_cast<GLsizeiptr>(bytes.size()), bytes.data(), GL_STATIC_DRAW);
        return buffer;
    };
    for (const DrawObject& object : drawList) {
        Object uploaded{object.toScene, upload(GL_ARRAY_BUFFER, object.vertices), {}};
        for (const DrawBatch& batch : object.batches) {
            uploaded.batches.push_back({batch.kind, upload(GL_ELEMENT_ARRAY_BUFFER, batch.indices), batch.wideIndices,
                                        batch.indexCount, batch.baseVertex, batch.diffuse, batch.emissive,
                                        batch.texture ? TextureName(*batch.texture, textures) : 0});
        }
        objects_.push_back(std::move(uploaded));
    }
    for (const auto& [texture, name] : textures) textures_.push_back(name);
}

GlDrawList::~GlDrawList() {
    glDeleteBuffers(static_cast<GLsizei>(buffers_.size()), buffers_.data());
    glDeleteTextures(static_cast<GLsizei>(textures_.size()), textures_.data());
}

SceneRenderer::SceneRenderer() : program_(Link()) { glGenVertexArrays(1, &vertexArray_); }

SceneRenderer::~SceneRenderer() {
    glDeleteVertexArrays(1, &vertexArray_);
    glDeleteProgram(program_);
}

void SceneRenderer::Clear() const {
    glClearColor(0.16f, 0.17f, 0.20f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void SceneRenderer::Draw(const GlDrawList& drawList, const Camera& camera, bool highlight) {
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    if (highlight) {
        glDisable(GL_POLYGON_OFFSET_FILL);
    } else {
        glEnable(GL_POLYGON_OFFSET_FILL);
        glPolygonOffset(1, 1);
    }
    glPointSize(kPointSize);
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
    glUniform1i(uniform("map"), 0);
    for (const GlDrawList::Object& object : drawList.objects_) {
        glUniformMatrix4fv(uniform("toScene"), 1, GL_FALSE, object.toScene.m);
        // The attribute pointers follow the buffer bound when they are set.
        glBindBuffer(GL_ARRAY_BUFFER, object.vertexBuffer);
        glEnableVertexAttribArray(0);
        glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, kVertexSize, reinterpret_cast<const void*>(0));
        glEnableVertexAttribArray(1);
        glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, kVertexSize, reinterpret_cast<const void*>(12));
        glEnableVertexAttribArray(2);
        glVertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, kVertexSize, reinterpret_cast<const void*>(kFirstUVOffset));
        for (const GlDrawList::Batch& batch : object.batches) {
            glUniform1i(uniform("lit"), batch.kind == PrimitiveKind::Triangles);
            glUniform3f(uniform("diffuse"), batch.diffuse.r, batch.diffuse.g, batch.diffuse.b);
            glUniform3f(uniform("emissive"), batch.emissive.r, batch.emissive.g, batch.emissive.b);
            glUniform1i(uniform("textured"), batch.texture != 0);
            if (batch.texture) glBindTexture(GL_TEXTURE_2D, batch.texture);
            glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, batch.indexBuffer);
            glDrawElementsBaseVertex(DrawMode(batch.kind), batch.indexCount,
                                     batch.wideIndices ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT, nullptr,
                                     batch.baseVertex);
        }
    }
    if (glGetError() != GL_NO_ERROR) throw std::runtime_error("OpenGL: drawing the scene failed");
}

}  // namespace vgxtool
