#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include <glm/vec2.hpp>
#include <glm/vec3.hpp>

namespace Assets
{

struct Mesh
{
    std::vector<glm::dvec3> positions;
    std::vector<glm::dvec3> normals;
    std::vector<glm::dvec2> texCoords;
    std::vector<std::array<uint32_t, 3>> triangles; // counter-clockwise seen from outside
};

// Unit sphere around the z axis (north pole +z) with an equirectangular mapping:
// u = longitude / 2pi, v = 0 at the north pole and 1 at the south pole.
Mesh makeGlobe(int segments, int rings);

// Closed cylinder along y, from -halfLength to +halfLength, with flat caps.
Mesh makeCylinder(int segments, double radius, double halfLength);

std::string toOBJ(const Mesh& mesh, const std::string& name);

} // namespace Assets
