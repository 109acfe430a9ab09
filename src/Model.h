#pragma once

#include <GL/glew.h>
#include <glm/glm.hpp>

#include <cstddef>
#include <string>
#include <vector>

namespace Resource
{

// What every body of the scene offers the renderer, the camera and the frame loop.
class IModel
{
public:
    virtual void render() = 0;
    virtual void setMatrices(const glm::mat4& view, const glm::mat4& projection) = 0;
    virtual void setParent(IModel* parent) = 0;
    virtual glm::mat4 getModelMatrix() = 0;
    virtual glm::vec4 getPosition() = 0;
    virtual void setLightPosition(const glm::vec4& position) = 0;
    virtual void update(float deltaTime, int frame) = 0;
    virtual float getSize() = 0;

protected:
    // Bodies are owned through their concrete type; the interface never deletes.
    ~IModel() = default;
};

struct ModelInfo
{
    std::string modelFile;
    std::string shaderName;
    float size = 0.0f;
    bool tessellation = false;
};

struct TextureSlot
{
    std::string file;
    GLuint texture = 0;
    std::string uniform;
    GLint location = 0;
};

struct Motion
{
    float distance = 0.0f;
    float orbitTime = 0.0f; // seconds per radian; 0: no orbit
    float spinTime = 0.0f;  // seconds per radian; 0: no spin
};

// The body that can stand between another and the Sun (the Earth for the Moon, the Moon for the Earth
// and its air), as the other's draw needs it: the shadow it casts, and for the Moon the earthlight.
struct Occluder
{
    glm::vec4 position{0.0f};
    float radius = 0.0f;
    float sunRadius = 0.0f;
    // Whether its penumbra can reach the body this frame; only then does the draw work out an eclipse.
    bool shadowReaches = false;
};

// The GPU vertex of every mesh, uploaded byte for byte.
struct Vertex
{
    glm::vec4 position;
    glm::vec4 normal;
    glm::vec2 texCoord;
    float padding[2] = {0.0f, 0.0f};
};
static_assert(sizeof(Vertex) == 48, "Vertex must be 48 bytes");
static_assert(offsetof(Vertex, position) == 0, "position at offset 0");
static_assert(offsetof(Vertex, normal) == 16, "normal at offset 16");
static_assert(offsetof(Vertex, texCoord) == 32, "texCoord at offset 32");

// T(parent) * Rz(orbit) * T(distance, 0, 0) * S(size) * Rz(spin - orbit).
glm::mat4 orbitModelMatrix(const glm::vec3& parentPosition, float orbitAngle, float distance, float size,
                           float spinAngle);

// The smallest distance from the origin to the plane of a triangle of the mesh (degenerate ones
// left out): for a convex mesh round its origin, as the bodies' spheres are, the radius of the
// largest sphere round the origin that it encloses. 0 for a mesh without triangles.
float innerRadius(const std::vector<Vertex>& vertices, const std::vector<GLuint>& indices);

// A body loaded from one mesh file, circling its parent and turning about its own z axis.
class Model : public IModel
{
public:
    Model() = default;
    virtual ~Model() = default;
    Model(const Model&) = delete;
    Model& operator=(const Model&) = delete;

    void render() override;
    void setMatrices(const glm::mat4& view, const glm::mat4& projection) override;
    void setParent(IModel* parent) override;
    glm::mat4 getModelMatrix() override;
    glm::vec4 getPosition() override;
    void setLightPosition(const glm::vec4& position) override;
    // Set each frame beside the light position, for the programs that take an eclipse into account.
    void setOccluder(const Occluder& occluder);
    // The Earth's air ("atmosphereColor"), which reddens the sunlight on the ground and bends it into the
    // Earth's shadow; none until told.
    void setAtmosphereColor(const glm::vec4& color);
    void update(float deltaTime, int frame) override;
    float getSize() override;
    // The radius of the sphere the body's mesh encloses, in world units (see `innerRadius`).
    float getInnerRadius() const { return m_InnerRadius * m_Size; }

    // `constants`: values of the class that its program computes with (see Shader::Constants).
    void load(const ModelInfo& info, const std::vector<TextureSlot>& textures, const Motion& motion,
              const std::vector<std::string>& constants = {});
    static void loadMesh(const std::string& file, std::vector<Vertex>& vertices, std::vector<GLuint>& indices);
    static void createBuffers(const std::vector<Vertex>& vertices, const std::vector<GLuint>& indices, GLuint& vao,
                              GLuint& vbo, GLuint& ebo);

    GLsizei getIndexCount() const { return static_cast<GLsizei>(m_Indices.size()); }
    const std::vector<TextureSlot>& getTextureSlots() const { return m_TextureSlots; }
    GLuint getProgram() const { return m_Program; }

protected:
    void initialize();
    // Binds each slot's texture to its unit and sets the sampler to that unit.
    void bindTextures();
    // Sets the uniforms shared by every body's draw.
    void setCommonUniforms();
    // Sets "occluderPosition", "occluderRadius", "sunRadius" and "eclipse" (1 where the occluder's shadow
    // can reach the body) for the programs that have them.
    void setOccluderUniforms();

    std::string m_ModelFile;
    std::string m_ShaderName;
    float m_Size = 0.0f;
    float m_InnerRadius = 0.0f;
    bool m_Tessellation = false;
    std::vector<std::string> m_Constants;
    std::vector<TextureSlot> m_TextureSlots;
    Motion m_Motion;
    IModel* m_pParent = nullptr;
    GLuint m_VAO = 0;
    GLuint m_VBO = 0;
    GLuint m_EBO = 0;
    GLuint m_Program = 0;
    GLint m_ModelMatLocation = 0;
    GLint m_ViewMatLocation = 0;
    GLint m_ProjectionMatLocation = 0;
    GLint m_TessLevelInnerLocation = 0;
    GLint m_TessLevelOuterLocation = 0;
    GLint m_PointRenderingLocation = 0;
    GLint m_LightPositionLocation = 0;
    GLint m_OccluderPositionLocation = 0;
    GLint m_OccluderRadiusLocation = 0;
    GLint m_SunRadiusLocation = 0;
    GLint m_EclipseLocation = 0;
    GLint m_AirColorLocation = 0;
    std::vector<Vertex> m_Vertices;
    std::vector<GLuint> m_Indices;
    glm::mat4 m_ModelMatrix{1.0f};
    glm::mat4 m_ViewMatrix{1.0f};
    glm::mat4 m_ProjectionMatrix{1.0f};
    glm::vec4 m_Position{0.0f};
    glm::vec4 m_LightPosition{0.0f};
    Occluder m_Occluder;
    glm::vec4 m_AirColor{0.0f};
    float m_OrbitAngle = 0.0f;
    float m_SpinAngle = 0.0f;
    int m_LastFrame = 0;
};

} // namespace Resource
