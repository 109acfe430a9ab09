#pragma once

// How dense a globe or a cylinder must be: as dense as the screen needs and no denser. Mesa's software
// renderer runs the vertex and tessellation stages and the triangle set-up on one thread, so every
// vertex more than the picture needs costs frame time.
//
// The rule: the fewest segments round the mesh (a multiple of four, so that its quarters match) such that
//  - its outline, seen from the closest distance the tour or the README's close-ups show it from, lies
//    within half a pixel of the round one: the sagitta of one segment, r (1 - cos(pi / n)), over the
//    outline's distance from the eye, on the screen's finest pixels (its corners, where a pixel spans the
//    smallest angle);
//  - its faces' longest edge is no longer than its per-vertex quantities allow: they are interpolated
//    linearly between the vertices, and where they change fastest (across the terminator) a longer edge
//    bends them visibly.
namespace Assets
{

// The window the meshes are seen in.
struct Screen
{
    int width = 0;
    int height = 0;
    // Tangent of half the vertical field of view.
    double tanHalfHeight = 0.0;
};

// What one mesh must show.
struct MeshNeed
{
    // Radius of the sphere or cylinder the mesh stands for.
    double radius = 1.0;
    // Closest distance of its centre from the eye where its outline is on the screen; 0 where no outline
    // of it is ever seen.
    double closest = 0.0;
    // Longest face edge, as an angle on the sphere, that its per-vertex quantities allow; 0 for none.
    double largestEdge = 0.0;
    // Times the GPU splits each edge (the Earth's tessellation level); 1 where the mesh is drawn as it is.
    int subdivision = 1;
};

// Within half a pixel an outline covers the same pixels as the round one.
constexpr double OutlineLimitPixels = 0.5;

// Pixels per radian at the screen's corners, where they are finest: the focal length in pixels times
// 1 + tan^2 of the corner's angle from the axis.
double finestPixelsPerRadian(const Screen& screen);

// Largest distance in pixels between the outline of a mesh of `segments` round it and the round one, at
// its closest view.
double outlineErrorPixels(int segments, const MeshNeed& need, const Screen& screen);

// Longest face edge of a globe of `segments` round and half as many rings, as an angle: the diagonal of
// its square cells at the equator.
double longestEdge(int segments, int subdivision);

// The fewest segments, a multiple of four, that meet the rule above.
int segmentsFor(const MeshNeed& need, const Screen& screen);

} // namespace Assets
