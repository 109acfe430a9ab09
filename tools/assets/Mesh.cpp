#include "Mesh.h"

#include <cmath>
#include <cstdio>

namespace Assets
{

namespace
{
const double Pi = 3.14159265358979323846;

uint32_t addVertex(Mesh& mesh, const glm::dvec3& position, const glm::dvec3& normal, const glm::dvec2& uv)
{
    mesh.positions.push_back(position);
    mesh.normals.push_back(normal);
    mesh.texCoords.push_back(uv);
    return static_cast<uint32_t>(mesh.positions.size() - 1);
}

// Fixed six decimals keep the files byte-stable; -0.000000 would only add noise to diffs.
void appendNumber(std::string& out, double value)
{
    if (std::fabs(value) < 5e-7)
        value = 0.0;
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, " %.6f", value);
    out += buffer;
}
} // namespace

Mesh makeGlobe(int segments, int rings)
{
    Mesh mesh;
    // Each pole gets one vertex per segment, with u at the segment centre, so the cap
    // triangles sample the map along their own meridian instead of fanning from one texel.
    std::vector<uint32_t> north;
    for (int i = 0; i < segments; ++i)
        north.push_back(addVertex(mesh, {0, 0, 1}, {0, 0, 1}, {(i + 0.5) / segments, 0.0}));

    // Rings between the poles repeat their first vertex at u = 1, so the seam interpolates
    // 0.99..1.0 rather than smearing 0.99..0.0 back across the whole map.
    std::vector<std::vector<uint32_t>> ring(rings + 1);
    for (int j = 1; j < rings; ++j)
    {
        const double v = static_cast<double>(j) / rings;
        const double latitude = 0.5 * Pi - Pi * v;
        for (int i = 0; i <= segments; ++i)
        {
            const double u = static_cast<double>(i) / segments;
            const double longitude = 2.0 * Pi * u;
            const glm::dvec3 p(std::cos(latitude) * std::cos(longitude), std::cos(latitude) * std::sin(longitude),
                               std::sin(latitude));
            ring[j].push_back(addVertex(mesh, p, p, {u, v}));
        }
    }

    std::vector<uint32_t> south;
    for (int i = 0; i < segments; ++i)
        south.push_back(addVertex(mesh, {0, 0, -1}, {0, 0, -1}, {(i + 0.5) / segments, 1.0}));

    // Seen from outside, east (growing u) is to the right and south (growing v) is down.
    for (int i = 0; i < segments; ++i)
        mesh.triangles.push_back({north[i], ring[1][i], ring[1][i + 1]});
    for (int j = 1; j + 1 < rings; ++j)
        for (int i = 0; i < segments; ++i)
        {
            const uint32_t a = ring[j][i];
            const uint32_t b = ring[j][i + 1];
            const uint32_t c = ring[j + 1][i];
            const uint32_t d = ring[j + 1][i + 1];
            mesh.triangles.push_back({a, c, d});
            mesh.triangles.push_back({a, d, b});
        }
    for (int i = 0; i < segments; ++i)
        mesh.triangles.push_back({ring[rings - 1][i], south[i], ring[rings - 1][i + 1]});
    return mesh;
}

Mesh makeCylinder(int segments, double radius, double halfLength)
{
    Mesh mesh;
    // x = cos, z = -sin makes the angle grow to the right seen from outside with y up.
    auto rim = [&](int i) {
        const double angle = 2.0 * Pi * i / segments;
        return glm::dvec3(std::cos(angle), 0.0, -std::sin(angle));
    };

    // The side keeps its own rim vertices so the caps' flat normals do not bend the wall.
    std::vector<uint32_t> top;
    std::vector<uint32_t> bottom;
    for (int i = 0; i <= segments; ++i)
    {
        const glm::dvec3 n = rim(i);
        const double u = static_cast<double>(i) / segments;
        top.push_back(addVertex(mesh, {n.x * radius, halfLength, n.z * radius}, n, {u, 0.0}));
        bottom.push_back(addVertex(mesh, {n.x * radius, -halfLength, n.z * radius}, n, {u, 1.0}));
    }
    for (int i = 0; i < segments; ++i)
    {
        mesh.triangles.push_back({top[i], bottom[i], bottom[i + 1]});
        mesh.triangles.push_back({top[i], bottom[i + 1], top[i + 1]});
    }

    for (const double side : {1.0, -1.0})
    {
        const glm::dvec3 normal(0.0, side, 0.0);
        const uint32_t centre = addVertex(mesh, {0.0, side * halfLength, 0.0}, normal, {0.5, 0.5});
        std::vector<uint32_t> cap;
        for (int i = 0; i < segments; ++i)
        {
            const glm::dvec3 n = rim(i);
            cap.push_back(addVertex(mesh, {n.x * radius, side * halfLength, n.z * radius}, normal,
                                    {0.5 + 0.5 * n.x, 0.5 + 0.5 * n.z}));
        }
        for (int i = 0; i < segments; ++i)
        {
            const uint32_t a = cap[i];
            const uint32_t b = cap[(i + 1) % segments];
            if (side > 0.0)
                mesh.triangles.push_back({centre, a, b});
            else
                mesh.triangles.push_back({centre, b, a});
        }
    }
    return mesh;
}

std::string toOBJ(const Mesh& mesh, const std::string& name)
{
    std::string out = "# " + name + ": written by tools/assets (make_assets); edits here are overwritten.\n";
    out += "o " + name + "\n";
    for (const glm::dvec3& p : mesh.positions)
    {
        out += "v";
        appendNumber(out, p.x);
        appendNumber(out, p.y);
        appendNumber(out, p.z);
        out += "\n";
    }
    for (const glm::dvec2& t : mesh.texCoords)
    {
        out += "vt";
        appendNumber(out, t.x);
        appendNumber(out, t.y);
        out += "\n";
    }
    for (const glm::dvec3& n : mesh.normals)
    {
        out += "vn";
        appendNumber(out, n.x);
        appendNumber(out, n.y);
        appendNumber(out, n.z);
        out += "\n";
    }
    for (const auto& triangle : mesh.triangles)
    {
        out += "f";
        for (const uint32_t index : triangle)
        {
            const std::string i = std::to_string(index + 1);
            out += " " + i + "/" + i + "/" + i;
        }
        out += "\n";
    }
    return out;
}

} // namespace Assets
