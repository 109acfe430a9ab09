// The sunlight arithmetic that the shaders include (the air's scattering, eclipses), compiled as C++: the
// tests check the very text the GPU runs.
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
#include "../../shader/Eclipse.glsl"
}
#pragma GCC diagnostic pop
} // namespace Scattering
