#include "Model.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

namespace
{

// A one-triangle Collada scene whose node chain is written around `<instance_geometry>`.
std::string collada(const std::string& nodes)
{
    return R"(<?xml version="1.0" encoding="utf-8"?>
<COLLADA xmlns="http://www.collada.org/2005/11/COLLADASchema" version="1.4.1">
  <library_geometries>
    <geometry id="tri">
      <mesh>
        <source id="tri-pos">
          <float_array id="tri-pos-array" count="9">7 0 0 8 0 0 7 1 0</float_array>
          <technique_common>
            <accessor source="#tri-pos-array" count="3" stride="3">
              <param name="X" type="float"/><param name="Y" type="float"/><param name="Z" type="float"/>
            </accessor>
          </technique_common>
        </source>
        <vertices id="tri-vtx"><input semantic="POSITION" source="#tri-pos"/></vertices>
        <triangles count="1"><input semantic="VERTEX" source="#tri-vtx" offset="0"/><p>0 1 2</p></triangles>
      </mesh>
    </geometry>
    <geometry id="quad">
      <mesh>
        <source id="quad-pos">
          <float_array id="quad-pos-array" count="12">5 0 0 6 0 0 6 1 0 5 1 0</float_array>
          <technique_common>
            <accessor source="#quad-pos-array" count="4" stride="3">
              <param name="X" type="float"/><param name="Y" type="float"/><param name="Z" type="float"/>
            </accessor>
          </technique_common>
        </source>
        <vertices id="quad-vtx"><input semantic="POSITION" source="#quad-pos"/></vertices>
        <triangles count="2"><input semantic="VERTEX" source="#quad-vtx" offset="0"/><p>0 1 2 0 2 3</p></triangles>
      </mesh>
    </geometry>
  </library_geometries>
  <library_visual_scenes>
    <visual_scene id="scene">)" +
           nodes + R"(</visual_scene>
  </library_visual_scenes>
  <scene><instance_visual_scene url="#scene"/></scene>
</COLLADA>
)";
}

// An ASCII PLY file puts its one mesh on the root node.
const char* const RootMeshPly = R"(ply
format ascii 1.0
element vertex 3
property float x
property float y
property float z
element face 1
property list uchar int vertex_indices
end_header
3 0 0
4 0 0
3 1 0
3 0 1 2
)";

struct Mesh
{
    std::vector<Resource::Vertex> vertices;
    std::vector<GLuint> indices;
};

Mesh loadFixture(const TempDir& dir, const std::string& name, const std::string& content)
{
    Mesh mesh;
    Resource::Model::loadMesh(dir.write(name, content).string(), mesh.vertices, mesh.indices);
    return mesh;
}

std::string loadError(const TempDir& dir, const std::string& name, const std::string& content)
{
    try
    {
        loadFixture(dir, name, content);
    }
    catch (const std::exception& error)
    {
        return error.what();
    }
    return "no error";
}

TEST(ModelMeshTest, NodeRuleFindsTheMeshOnTheRootOrADirectChildOnly)
{
    struct Case
    {
        const char* name;
        const char* file;
        std::string content;
        float firstX; // tells the fixture's meshes apart
        std::size_t vertexCount;
    };
    const Case cases[] = {
        {"mesh on the root", "root.ply", RootMeshPly, 3.0f, 3},
        // An OBJ object or group becomes a child of the root; an object without faces stays empty.
        {"mesh on a direct child", "child.obj", "o Empty\no Tri\nv 1 0 0\nv 2 0 0\nv 1 1 0\nf 1 2 3\n", 1.0f, 3},
        {"first child with a mesh wins", "children.obj",
         "o A\nv 1 0 0\nv 2 0 0\nv 1 1 0\nf 1 2 3\no B\nv 9 0 0\nv 9 1 0\nv 8 1 0\nv 8 0 0\nf 4 5 6 7\n", 1.0f, 3},
        {"a direct child before a deeper node", "mixed-depth.dae",
         collada(R"(<node id="outer"><node id="inner"><instance_geometry url="#tri"/></node></node>)"
                 R"(<node id="second"><instance_geometry url="#quad"/></node>)"),
         5.0f, 6},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const Mesh mesh = loadFixture(dir, c.file, c.content);
        ASSERT_EQ(c.vertexCount, mesh.vertices.size());
        EXPECT_FLOAT_EQ(c.firstX, mesh.vertices[0].position.x);
        EXPECT_EQ(0u, mesh.indices.size() % 3);
    }
}

TEST(ModelMeshTest, FailuresCarryTheirMessages)
{
    struct Case
    {
        const char* name;
        const char* file;
        std::string content;
        const char* message;
    };
    const Case cases[] = {
        {"mesh two levels down", "deep.dae",
         collada(R"(<node id="outer"><node id="inner"><instance_geometry url="#tri"/></node></node>)"),
         "Failed to load model. No mesh found."},
        {"lines only", "lines.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nl 1 2 3\n", "Failed to load model. No mesh found."},
        {"points only", "points.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\np 1 2 3\n", "Failed to load model. No mesh found."},
        {"not a model", "garbage.obj", "garbage\n", "Failed to load model. ASSIMP-ERROR"},
        {"unknown format", "model.xyz123", "v 0 0 0\n", "Failed to load model. ASSIMP-ERROR"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        TempDir dir;
        EXPECT_EQ(c.message, loadError(dir, c.file, c.content));
    }

    std::vector<Resource::Vertex> vertices;
    std::vector<GLuint> indices;
    TempDir dir;
    const std::string missing = (dir.path() / "missing.obj").string();
    EXPECT_EQ(std::string("Failed to load model. ASSIMP-ERROR"), [&] {
        try
        {
            Resource::Model::loadMesh(missing, vertices, indices);
        }
        catch (const std::exception& error)
        {
            return std::string(error.what());
        }
        return std::string("no error");
    }());
    EXPECT_TRUE(vertices.empty());
    EXPECT_TRUE(indices.empty());
}

TEST(ModelMeshTest, VerticesCarryPositionNormalAndTextureCoordinate)
{
    struct Case
    {
        const char* name;
        std::string content;
        glm::vec2 texCoord;
    };
    const Case cases[] = {
        {"with texture coordinates",
         "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0.25 0.75\nvn 0 0 1\nf 1/1/1 2/1/1 3/1/1\n", {0.25f, 0.75f}},
        {"without texture coordinates", "v 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0 0 1\nf 1//1 2//1 3//1\n", {0.0f, 0.0f}},
        // Normals generated for a file that has none: the triangle faces +z (counter-clockwise).
        {"without normals", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n", {0.0f, 0.0f}},
    };
    const glm::vec4 positions[] = {{0.0f, 0.0f, 0.0f, 1.0f}, {1.0f, 0.0f, 0.0f, 1.0f}, {0.0f, 1.0f, 0.0f, 1.0f}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const Mesh mesh = loadFixture(dir, "triangle.obj", c.content);
        ASSERT_EQ(3u, mesh.vertices.size());
        EXPECT_EQ((std::vector<GLuint>{0, 1, 2}), mesh.indices);
        for (std::size_t i = 0; i < 3; ++i)
        {
            const Resource::Vertex& vertex = mesh.vertices[i];
            EXPECT_EQ(positions[i], vertex.position) << "vertex " << i;
            EXPECT_EQ(glm::vec4(0.0f, 0.0f, 1.0f, 1.0f), vertex.normal) << "vertex " << i;
            EXPECT_EQ(c.texCoord, vertex.texCoord) << "vertex " << i;
        }
    }
}

TEST(ModelMeshTest, OnlyTheFirstMeshOfTheNodeIsTakenAndAppended)
{
    TempDir dir;
    // A change of material splits one OBJ group into two meshes on the same node.
    const std::string twoMaterials = "g Globe\nusemtl a\nv 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\nv 2 1 0\n"
                                     "f 1 2 3\nusemtl b\nf 2 4 3\nf 2 5 4\n";
    Mesh mesh;
    mesh.vertices.resize(2);
    mesh.indices = {0, 1, 0};
    Resource::Model::loadMesh(dir.write("materials.obj", twoMaterials).string(), mesh.vertices, mesh.indices);

    // The lists are appended to, and the new indices point at the appended vertices.
    ASSERT_EQ(5u, mesh.vertices.size());
    EXPECT_EQ((std::vector<GLuint>{0, 1, 0, 2, 3, 4}), mesh.indices);
    EXPECT_EQ(glm::vec4(1.0f, 0.0f, 0.0f, 1.0f), mesh.vertices[3].position);
}

TEST(ModelMeshTest, QuadsAreTriangulatedAndStrayLinesDropped)
{
    struct Case
    {
        const char* name;
        const char* content;
        std::size_t indexCount;
    };
    const Case cases[] = {
        {"quad", "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nf 1 2 3 4\n", 6},
        // One line among the triangles would shift every later triangle by two indices.
        {"triangle, line, triangle", "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\nf 1 2 3\nl 1 4\nf 2 4 3\n", 6},
        {"triangle and point", "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\nf 1 2 3\np 4\n", 3},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const Mesh mesh = loadFixture(dir, "faces.obj", c.content);
        ASSERT_EQ(c.indexCount, mesh.indices.size());
        for (const GLuint index : mesh.indices)
        {
            ASSERT_LT(index, mesh.vertices.size());
            const glm::vec4& normal = mesh.vertices[index].normal;
            EXPECT_NEAR(1.0f, glm::length(glm::vec3(normal)), 1e-5f) << "index " << index;
        }
    }
}

TEST(ModelMeshTest, InnerRadiusIsTheNearestFacePlane)
{
    const auto vertex = [](float x, float y, float z) {
        Resource::Vertex v{};
        v.position = glm::vec4(x, y, z, 1.0f);
        return v;
    };
    // An octahedron with corners 1 from the origin: its faces' planes lie 1 / sqrt(3) away.
    const std::vector<Resource::Vertex> octahedron = {vertex(1, 0, 0),  vertex(-1, 0, 0), vertex(0, 1, 0),
                                                      vertex(0, -1, 0), vertex(0, 0, 1),  vertex(0, 0, -1)};
    const std::vector<GLuint> faces = {0, 2, 4, 2, 1, 4, 1, 3, 4, 3, 0, 4, 2, 0, 5, 1, 2, 5, 3, 1, 5, 0, 3, 5};
    EXPECT_NEAR(1.0f / std::sqrt(3.0f), Resource::innerRadius(octahedron, faces), 1e-6f);
    // A triangle of no area (as at a sphere's poles) has no plane and is left out.
    std::vector<GLuint> withDegenerate = faces;
    withDegenerate.insert(withDegenerate.end(), {4, 4, 0});
    EXPECT_NEAR(1.0f / std::sqrt(3.0f), Resource::innerRadius(octahedron, withDegenerate), 1e-6f);
    EXPECT_EQ(0.0f, Resource::innerRadius(octahedron, {}));
}

} // namespace
