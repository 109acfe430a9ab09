// The air's scattering arithmetic that the shaders include, compiled as C++: the tests check the very text
// the GPU runs.
#pragma once

#include <glm/glm.hpp>

namespace Scattering
{
using namespace glm;
// Each test file takes the functions it calls; the shader text knows no `inline`.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
namespace
{
#include "../../shader/Scattering.glsl"
}
#pragma GCC diagnostic pop
} // namespace Scattering
