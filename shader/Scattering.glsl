// Sunlight scattered once in the Earth's air: the arithmetic of the "Atmosphere" and "Earth" programs,
// which include this text, and of the tests, which compile it as C++ with glm. So it is written in what
// GLSL 4.00 and C++ share: float literals with an f, no swizzles, no integer arithmetic, structures
// filled member by member, no parameter named after a function.
// Lengths are in ground radii and measured from the Earth's centre, densities relative to the ground's;
// a "column" is density times length.

// Height over which the air's density falls by e: five times the real Earth's, so that the air shows as a
// band of a few pixels from the tour's distances; the shell's top holds none of it to speak of.
const float ScaleHeight = 0.006f;
// Optical depth of the air straight up from the ground by Rayleigh scattering: "atmosphereColor".rgb
// times this, per colour channel. The design's colour is thus the hue of the thin air at the zenith under
// white light; its ratios are those of the wavelength law (1 / wavelength^4) at 600, 545 and 440 nm, and
// the depths close to the real ones there.
const float RayleighZenithDepth = 0.4f;
// The same for the haze (Mie scattering), alike in every channel.
const float MieZenithDepth = 0.02f;
// How strongly the haze scatters forwards (Cornette and Shanks' g): the glow round the Sun.
const float MieAsymmetry = 0.76f;
// The sunlight's strength on the air, in the units of the scene's colours.
const float SunIntensity = 10.0f;
// The air a view ray scatters from lies mostly within a scale height of the ground: its sunlight is taken
// at this height, or higher where the ray passes higher.
const float SourceHeight = 0.5f * ScaleHeight;
// Height of the cloud tops, which keep the reddened sunlight a little past the ground's terminator.
const float CloudTopHeight = 0.002f;
// Share of the light the air takes from the sunlight that comes down as the sky's light.
const float SkylightShare = 0.3f;
// The weights of the colour channels' transmittances in the one opacity the blending allows.
const vec3 OpacityWeights = vec3(0.25f, 0.5f, 0.25f);
// Largest exponent of the density: deep below the ground, where a sun ray through the planet goes, the
// density stays finite, and so do the sums and differences of columns.
const float DensityExponentLimit = 80.0f;
// Above this a distance image holds its cleared +inf: no surface there.
const float Unbounded = 1e30f;
const float Pi = 3.14159265f;

// Relative density at a distance `radius` from the centre.
float density(float radius)
{
    return exp(min((1.0f - radius) / ScaleHeight, DensityExponentLimit));
}

// Column along a straight line from its point at `s` outwards to space, away from the line's closest
// point to the centre, which is `s` = 0 at distance sqrt(`closest2`). With the density exponential in
// height and the height nearly quadratic in `s` near the closest point, the column is the density at r
// times sqrt(pi H r / 2) erfcx(y), y = |s| / sqrt(2 H r), and erfcx(y) ~ 2 / (sqrt(pi) (y + sqrt(y^2 +
// 4 / pi))), exact at 0 and far out (after Schueler): within 6 % of the integral. Below the ground only
// the size of a sun ray's column matters (that it blocks the light), so the curvature there is the
// ground's.
float columnOutward(float s, float closest2)
{
    float radius = sqrt(closest2 + s * s);
    return 0.25f * Pi * density(radius) * (sqrt(s * s + 8.0f / Pi * ScaleHeight * max(radius, 1.0f)) - abs(s));
}

// Column along the same line from the eye, at `along`, to its point at `s` (`s` >= `along`), with the
// eye's own outward column `eyeColumn`. On either side of the closest point it is the difference of the
// outward ones; across it, their sum with the whole line's, which is huge where the line runs through the
// planet: it is added only where it is needed.
float columnFromEye(float s, float along, float eyeColumn, float closest2)
{
    float eyeSide = along <= 0.0f ? eyeColumn : -eyeColumn;
    float through = along <= 0.0f && s > 0.0f ? 2.0f * columnOutward(0.0f, closest2) : 0.0f;
    return (s > 0.0f ? -columnOutward(s, closest2) : columnOutward(s, closest2)) - eyeSide + through;
}

// Column from a point at `radius` to space along a direction whose cosine to the vertical is `cosZenith`;
// below the horizon the ray crosses the air (or the planet) twice.
float columnToSpace(float radius, float cosZenith)
{
    float s = radius * cosZenith;
    float closest2 = radius * radius * max(1.0f - cosZenith * cosZenith, 0.0f);
    float outward = columnOutward(s, closest2);
    return s >= 0.0f ? outward : 2.0f * columnOutward(0.0f, closest2) - outward;
}

// Scattering and extinction coefficients per unit of column, per colour channel, for "atmosphereColor"
// `airColor` (its alpha scales the whole air).
vec3 rayleighScattering(vec4 airColor)
{
    return vec3(airColor) * (RayleighZenithDepth * airColor.a / ScaleHeight);
}

float mieScattering(vec4 airColor)
{
    return MieZenithDepth * airColor.a / ScaleHeight;
}

vec3 extinction(vec4 airColor)
{
    return rayleighScattering(airColor) + mieScattering(airColor);
}

// The air's optical depth straight up from the ground, per colour channel.
vec3 zenithDepth(vec4 airColor)
{
    return extinction(airColor) * ScaleHeight;
}

// The light on a surface at `radius` (the ground, a cloud top) over that with the Sun overhead, under air
// of zenith depth `depth`: the sunlight, reddened as the Sun sinks, and the sky's light, the skylight share
// of what the air took from it: blue, and as bright as the sunlight's middle channel.
vec3 surfaceLight(float radius, float cosZenith, vec3 depth)
{
    float overhead = columnOutward(radius, 0.0f);
    vec3 direct = exp(-depth / ScaleHeight * (columnToSpace(radius, cosZenith) - overhead));
    return direct + SkylightShare * (1.0f - direct) * direct.g;
}

// Phase functions (per steradian) of the angle between the sunlight and the scattered light.
float rayleighPhase(float cosAngle)
{
    return 3.0f / (16.0f * Pi) * (1.0f + cosAngle * cosAngle);
}

float miePhase(float cosAngle)
{
    float g = MieAsymmetry;
    float denominator = 1.0f + g * g - 2.0f * g * cosAngle;
    return 3.0f / (8.0f * Pi) * (1.0f - g * g) * (1.0f + cosAngle * cosAngle) /
           ((2.0f + g * g) * denominator * sqrt(denominator));
}

// How far along a view ray its air lies mostly: over the ground the ray reaches, just over the ground;
// past the limb, round the ray's lowest point ahead of the eye. `eye` is relative to the centre,
// `direction` a unit vector.
float airPointDistance(vec3 eye, vec3 direction)
{
    float along = dot(eye, direction);
    vec3 offAxis = cross(eye, direction);
    float closest2 = dot(offAxis, offAxis);
    bool hitsGround = closest2 < 1.0f && along < 0.0f;
    return hitsGround ? -along - sqrt(max(1.0f - closest2, 0.0f)) : max(-along, 0.0f);
}

// The light a view ray's air scatters towards the eye per unit of its opacity: the sunlight, reddened on
// its way to the air the ray passes through most (over the ground under it, or at its lowest point), times
// the phase functions. It changes slowly across the sky: the program takes it per vertex. `eye` is
// relative to the centre, `direction` and `toSun` are unit vectors.
vec3 scatteringSource(vec3 eye, vec3 direction, vec3 toSun, vec4 airColor)
{
    float along = dot(eye, direction);
    vec3 offAxis = cross(eye, direction);
    float closest2 = dot(offAxis, offAxis);
    vec3 rayleigh = rayleighScattering(airColor);
    float mie = mieScattering(airColor);
    // The sunlight is taken at the source height over the point where the ray's air lies. Where the ray
    // is thick up to there, the light of a colour that reaches the eye comes from the ray's first unit of
    // optical depth in that colour, higher up: blue from higher than red, lit by less reddened sunlight.
    float toPoint = airPointDistance(eye, direction);
    vec3 point = eye + direction * toPoint;
    float eyeColumn = columnOutward(along, closest2);
    vec3 depth = (rayleigh + mie) * columnFromEye(toPoint + along, along, eyeColumn, closest2);
    // The sun ray's column from there is the point's, less by the density's fall up to that height, where
    // the density is the ground's over the depth (as the column above it is the whole one's).
    vec3 thinning = min(vec3(exp(-SourceHeight / ScaleHeight)), 1.0f / max(depth, 1.0f));
    float base = max(length(point), 1.0f);
    float cosSun = dot(point, toSun) / length(point);
    vec3 sunColumn = columnToSpace(base, cosSun) * min(thinning / density(base), 1.0f);

    float cosAngle = dot(direction, toSun);
    vec3 scattered = rayleigh * rayleighPhase(cosAngle) + mie * miePhase(cosAngle);
    return SunIntensity * exp(-(rayleigh + mie) * sunColumn) * scattered / (rayleigh + mie);
}

// What the air along one view ray does to the scene behind it: adds `light` and lets `transmittance` of
// the scene's light through.
struct AirLight
{
    vec3 light;
    vec3 transmittance;
};

// The scattered light along a view ray from the eye to the ground, the shell's far side or `surface` (a
// distance from the eye, above Unbounded for none), leaving out the part between `shadowIn` and
// `shadowOut` (above Unbounded where the ray misses the shadow body; `shadowIn` alone above it when the
// eye is in the shadow). `source` as `scatteringSource` gives it, `coefficients` as `extinction` gives
// them, `eyeColumn` the eye's outward column along the ray's line, `shellRadius` the shell's radius.
AirLight airAlongRay(vec3 eye, vec3 direction, float surface, float shadowIn, float shadowOut, float shellRadius,
                     vec3 source, vec3 coefficients, float eyeColumn)
{
    float along = dot(eye, direction);
    vec3 offAxis = cross(eye, direction);
    float closest2 = dot(offAxis, offAxis);

    // The air ends at the shell's far side or the ground: at the surface drawn there, or at the round
    // globe where the drawing falls short of it or the near plane cut it away.
    float shellHalf = sqrt(max(shellRadius * shellRadius - closest2, 0.0f));
    float last = min(shellHalf - along, surface);
    float groundHit = -sqrt(max(1.0f - closest2, 0.0f)) - along;
    if (closest2 < 1.0f && groundHit > 0.0f)
        last = min(last, groundHit);
    last = max(last, 0.0f);
    // A shadow body's far side without its near side: the eye is in the shadow.
    if (shadowIn > Unbounded && shadowOut <= Unbounded)
        shadowIn = 0.0f;
    // The lit pieces: from the eye into the shadow, and from out of it to last.
    float litEnd = clamp(shadowIn, 0.0f, last);
    float litAgain = clamp(shadowOut, litEnd, last);

    vec3 throughAll = exp(-coefficients * columnFromEye(last + along, along, eyeColumn, closest2));
    // The sunlight scattered in a piece, lit alike all along, is the source times the light that the
    // piece's air takes from the view ray: the transmittance from the eye to its start less that to its
    // end. The shadow's share of that is taken in the middle channel alone.
    float shadowStart = exp(-coefficients.g * columnFromEye(litEnd + along, along, eyeColumn, closest2));
    float shadowEnd = exp(-coefficients.g * columnFromEye(litAgain + along, along, eyeColumn, closest2));
    float shadowShare = clamp((shadowStart - shadowEnd) / max(1.0f - throughAll.g, 1e-6f), 0.0f, 1.0f);
    AirLight air;
    air.light = source * (1.0f - throughAll) * (1.0f - shadowShare);
    air.transmittance = throughAll;
    return air;
}

// The colour and opacity that the (source alpha, one minus source alpha) blending turns into the air's
// light over the scene: the scene behind dims by a mean of its transmittances, or more where the light
// alone needs more.
vec4 blendedAir(AirLight air)
{
    float opacity = max(1.0f - dot(air.transmittance, OpacityWeights), max(air.light.r, max(air.light.g, air.light.b)));
    return vec4(min(air.light / max(opacity, 1e-6f), vec3(1.0f)), min(opacity, 1.0f));
}
