#include "Model.h"

#include "Shader.h"
#include "Texture.h"

#include <assimp/Importer.hpp>
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace Resource
{

glm::mat4 orbitModelMatrix(const glm::vec3& parentPosition, float orbitAngle, float distance, float size,
                           float spinAngle)
{
    const glm::vec3 zAxis(0.0f, 0.0f, 1.0f);
    glm::mat4 matrix = glm::translate(glm::mat4(1.0f), parentPosition);
    matrix = glm::rotate(matrix, orbitAngle, zAxis);
    matrix = glm::translate(matrix, glm::vec3(distance, 0.0f, 0.0f));
    matrix = glm::scale(matrix, glm::vec3(size));
    // The orbit's turn is taken back out, so the body turns in the world by its spin alone.
    return glm::rotate(matrix, spinAngle - orbitAngle, zAxis);
}

void Model::load(const ModelInfo& info, const std::vector<TextureSlot>& textures, const Motion& motion,
                 const std::vector<std::string>& constants)
{
    m_ModelFile = info.modelFile;
    m_ShaderName = info.shaderName;
    m_Size = info.size;
    m_Tessellation = info.tessellation;
    m_Constants = constants;
    m_TextureSlots = textures;
    m_Motion = motion;
    initialize();
    for (TextureSlot& slot : m_TextureSlots)
        slot.texture = Texture::TextureCache::instance().load(slot.file);
}

float innerRadius(const std::vector<Vertex>& vertices, const std::vector<GLuint>& indices)
{
    float radius = std::numeric_limits<float>::infinity();
    for (std::size_t i = 0; i + 2 < indices.size(); i += 3)
    {
        const glm::vec3 a(vertices[indices[i]].position);
        const glm::vec3 b(vertices[indices[i + 1]].position);
        const glm::vec3 c(vertices[indices[i + 2]].position);
        const glm::vec3 normal = glm::cross(b - a, c - a);
        // A sphere's poles give triangles of no area, whose plane is any.
        if (!(glm::length(normal) > 0.0f))
            continue;
        radius = std::min(radius, std::abs(glm::dot(glm::normalize(normal), a)));
    }
    return std::isinf(radius) ? 0.0f : radius;
}

void Model::initialize()
{
    m_Program = Shader::getProgram(m_ShaderName, m_Tessellation, m_Constants);
    m_ModelMatLocation = glGetUniformLocation(m_Program, "modelMat");
    m_ViewMatLocation = glGetUniformLocation(m_Program, "viewMat");
    m_ProjectionMatLocation = glGetUniformLocation(m_Program, "projectionMat");
    m_PointRenderingLocation = glGetUniformLocation(m_Program, "pointRendering");
    m_LightPositionLocation = glGetUniformLocation(m_Program, "lightPosition");
    m_OccluderPositionLocation = glGetUniformLocation(m_Program, "occluderPosition");
    m_OccluderRadiusLocation = glGetUniformLocation(m_Program, "occluderRadius");
    m_SunRadiusLocation = glGetUniformLocation(m_Program, "sunRadius");
    m_EclipseLocation = glGetUniformLocation(m_Program, "eclipse");
    m_AirColorLocation = glGetUniformLocation(m_Program, "atmosphereColor");
    m_TessLevelInnerLocation = glGetUniformLocation(m_Program, "TessLevelInner");
    m_TessLevelOuterLocation = glGetUniformLocation(m_Program, "TessLevelOuter");
    for (TextureSlot& slot : m_TextureSlots)
        slot.location = glGetUniformLocation(m_Program, slot.uniform.c_str());

    loadMesh(m_ModelFile, m_Vertices, m_Indices);
    m_InnerRadius = innerRadius(m_Vertices, m_Indices);
    createBuffers(m_Vertices, m_Indices, m_VAO, m_VBO, m_EBO);
}

void Model::loadMesh(const std::string& file, std::vector<Vertex>& vertices, std::vector<GLuint>& indices)
{
    // The importer owns the scene and frees it on every path out of here.
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile(file, aiProcess_Triangulate | aiProcess_GenNormals);
    if (!scene || scene->mFlags == AI_SCENE_FLAGS_INCOMPLETE || !scene->mRootNode)
        throw std::runtime_error("Failed to load model. ASSIMP-ERROR");

    const aiNode* node = scene->mRootNode;
    if (node->mNumMeshes == 0)
    {
        for (unsigned int i = 0; i < scene->mRootNode->mNumChildren; ++i)
        {
            if (scene->mRootNode->mChildren[i]->mNumMeshes > 0)
            {
                node = scene->mRootNode->mChildren[i];
                break;
            }
        }
    }
    if (node->mNumMeshes == 0)
        throw std::runtime_error("Failed to load model. No mesh found.");

    const aiMesh* mesh = scene->mMeshes[node->mMeshes[0]];
    // Points and lines get no normals even when asked to generate them: nothing to draw as a surface.
    if (!mesh->HasNormals())
        throw std::runtime_error("Failed to load model. No mesh found.");

    // Indices count from the first vertex this mesh appends, so a list that already holds
    // another mesh keeps pointing at the right vertices.
    const auto base = static_cast<GLuint>(vertices.size());
    vertices.reserve(vertices.size() + mesh->mNumVertices);
    for (unsigned int i = 0; i < mesh->mNumVertices; ++i)
    {
        Vertex vertex;
        const aiVector3D& position = mesh->mVertices[i];
        const aiVector3D& normal = mesh->mNormals[i];
        vertex.position = glm::vec4(position.x, position.y, position.z, 1.0f);
        vertex.normal = glm::vec4(normal.x, normal.y, normal.z, 1.0f);
        vertex.texCoord = glm::vec2(0.0f);
        if (mesh->HasTextureCoords(0))
            vertex.texCoord = glm::vec2(mesh->mTextureCoords[0][i].x, mesh->mTextureCoords[0][i].y);
        vertices.push_back(vertex);
    }
    for (unsigned int f = 0; f < mesh->mNumFaces; ++f)
    {
        const aiFace& face = mesh->mFaces[f];
        // A mesh may mix stray points or lines with its triangles; their one or two indices would
        // shift every later triangle of the index list, which is drawn three at a time.
        if (face.mNumIndices != 3)
            continue;
        for (unsigned int k = 0; k < face.mNumIndices; ++k)
            indices.push_back(base + face.mIndices[k]);
    }
}

void Model::createBuffers(const std::vector<Vertex>& vertices, const std::vector<GLuint>& indices, GLuint& vao,
                          GLuint& vbo, GLuint& ebo)
{
    glGenVertexArrays(1, &vao);
    glGenBuffers(1, &vbo);
    glGenBuffers(1, &ebo);
    glBindVertexArray(vao);
    glBindBuffer(GL_ARRAY_BUFFER, vbo);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, ebo);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertices.size() * sizeof(Vertex)), vertices.data(),
                 GL_STATIC_DRAW);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(indices.size() * sizeof(GLuint)),
                 indices.data(), GL_STATIC_DRAW);

    constexpr GLsizei stride = sizeof(Vertex);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 4, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<const void*>(offsetof(Vertex, position)));
    glEnableVertexAttribArray(1);
    glVertexAttribPointer(1, 4, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<const void*>(offsetof(Vertex, normal)));
    glEnableVertexAttribArray(2);
    glVertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<const void*>(offsetof(Vertex, texCoord)));

    // The vertex array is unbound first, so it keeps its index buffer.
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
}

void Model::bindTextures()
{
    for (std::size_t i = 0; i < m_TextureSlots.size(); ++i)
    {
        glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(i));
        glBindTexture(GL_TEXTURE_2D, m_TextureSlots[i].texture);
        glUniform1i(m_TextureSlots[i].location, static_cast<GLint>(i));
    }
}

void Model::setCommonUniforms()
{
    const glm::mat4 model = getModelMatrix();
    glUniformMatrix4fv(m_ModelMatLocation, 1, GL_FALSE, glm::value_ptr(model));
    glUniformMatrix4fv(m_ViewMatLocation, 1, GL_FALSE, glm::value_ptr(m_ViewMatrix));
    glUniformMatrix4fv(m_ProjectionMatLocation, 1, GL_FALSE, glm::value_ptr(m_ProjectionMatrix));
    glUniform4fv(m_LightPositionLocation, 1, glm::value_ptr(m_LightPosition));
    glUniform1i(m_PointRenderingLocation, 0);
    glUniform4fv(m_AirColorLocation, 1, glm::value_ptr(m_AirColor));
    setOccluderUniforms();
}

void Model::setOccluderUniforms()
{
    glUniform4fv(m_OccluderPositionLocation, 1, glm::value_ptr(m_Occluder.position));
    glUniform1f(m_OccluderRadiusLocation, m_Occluder.radius);
    glUniform1f(m_SunRadiusLocation, m_Occluder.sunRadius);
    glUniform1i(m_EclipseLocation, m_Occluder.shadowReaches ? 1 : 0);
}

void Model::render()
{
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    glEnable(GL_CULL_FACE);
    glFrontFace(GL_CCW);
    glCullFace(GL_BACK);

    glBindVertexArray(m_VAO);
    glUseProgram(m_Program);
    bindTextures();
    setCommonUniforms();
    glDrawElements(GL_TRIANGLES, getIndexCount(), GL_UNSIGNED_INT, nullptr);

    glUseProgram(0);
    glBindVertexArray(0);
}

void Model::setMatrices(const glm::mat4& view, const glm::mat4& projection)
{
    m_ViewMatrix = view;
    m_ProjectionMatrix = projection;
}

void Model::setParent(IModel* parent)
{
    m_pParent = parent;
}

glm::mat4 Model::getModelMatrix()
{
    return m_ModelMatrix;
}

glm::vec4 Model::getPosition()
{
    return m_Position;
}

void Model::setLightPosition(const glm::vec4& position)
{
    m_LightPosition = position;
}

void Model::setOccluder(const Occluder& occluder)
{
    m_Occluder = occluder;
}

void Model::setAtmosphereColor(const glm::vec4& color)
{
    m_AirColor = color;
}

void Model::update(float deltaTime, int frame)
{
    if (frame == m_LastFrame)
        return;

    glm::vec3 parentPosition(0.0f);
    if (m_pParent)
    {
        // The parent moves first, so this body follows where it stands in this frame.
        m_pParent->update(deltaTime, frame);
        parentPosition = glm::vec3(m_pParent->getPosition());
    }
    if (m_Motion.orbitTime != 0.0f)
        m_OrbitAngle += deltaTime / m_Motion.orbitTime;
    if (m_Motion.spinTime != 0.0f)
        m_SpinAngle += deltaTime / m_Motion.spinTime;

    m_ModelMatrix = orbitModelMatrix(parentPosition, m_OrbitAngle, m_Motion.distance, m_Size, m_SpinAngle);
    m_Position = m_ModelMatrix * glm::vec4(0.0f, 0.0f, 0.0f, 1.0f);
    m_LastFrame = frame;
}

float Model::getSize()
{
    return m_Size;
}

} // namespace Resource
