// Eclipses: how much of the Sun's disc another body leaves a point, and the light the Earth's air bends
// into its shadow. Shared, like Scattering.glsl and after it, by the programs that include it and by the
// tests, which compile it as C++ with glm; written in what GLSL 4.00 and C++ share.
// The discs are taken as flat circles of their angular radii: exact for the Sun's 0.1 rad seen from the
// Earth, and within 2 % of the area for the largest disc, the Earth's 0.52 rad seen from the Moon.

// The share of a disc of angular radius `sun` that a disc of radius `occluder`, `separation` apart
// (centre to centre), leaves visible: one less the area the two circles share. The Sun's limb darkening
// is not weighted: a partial phase dims by the share of the disc hidden.
float visibleSunShare(float sun, float occluder, float separation)
{
    if (separation >= sun + occluder)
        return 1.0f;
    float sun2 = sun * sun;
    float occluder2 = occluder * occluder;
    // One disc wholly within the other.
    if (separation <= abs(sun - occluder))
        return max(1.0f - occluder2 / sun2, 0.0f);
    float separation2 = separation * separation;
    float sunSegment = sun2 * acos(clamp((separation2 + sun2 - occluder2) / (2.0f * separation * sun), -1.0f, 1.0f));
    float occluderSegment =
        occluder2 * acos(clamp((separation2 + occluder2 - sun2) / (2.0f * separation * occluder), -1.0f, 1.0f));
    float kite = 0.5f * sqrt(max((sun + occluder - separation) * (separation + sun - occluder) *
                                     (separation - sun + occluder) * (separation + sun + occluder),
                                 0.0f));
    return clamp(1.0f - (sunSegment + occluderSegment - kite) / (Pi * sun2), 0.0f, 1.0f);
}

// The share of the Sun's disc that a body leaves visible from a point: the Sun of radius `sunRadius` at
// `toSun` and the body of radius `occluderRadius` at `toOccluder`, both seen from the point.
float sunShareSeen(vec3 toSun, float sunRadius, vec3 toOccluder, float occluderRadius)
{
    float sunDistance = length(toSun);
    float occluderDistance = length(toOccluder);
    // A body behind the point, or beyond the Sun, hides none of it.
    if (dot(toSun, toOccluder) <= 0.0f || occluderDistance >= sunDistance)
        return 1.0f;
    float sun = asin(min(sunRadius / sunDistance, 1.0f));
    float occluder = asin(min(occluderRadius / occluderDistance, 1.0f));
    // From sine and cosine: full precision where the two directions nearly agree.
    float separation = atan(length(cross(toSun, toOccluder)), dot(toSun, toOccluder));
    return visibleSunShare(sun, occluder, separation);
}

// How bright the light bent into the Earth's umbra is against the sunlight that crossed the air, as a
// photograph of totality exposed for the eclipsed Moon shows it (the eye sees it some thousand times
// fainter): the disc stays readable in a dim copper.
const float UmbraExposure = 0.8f;

// The sunlight's transmittance along a ray grazing the ground `height` scale heights over it, through the
// whole air on both sides of the tangent point, for extinction `coefficients`.
vec3 grazingTransmittance(vec3 coefficients, float height)
{
    float closest = 1.0f + height * ScaleHeight;
    return exp(-coefficients * (2.0f * columnOutward(0.0f, closest * closest)));
}

// The light in the Earth's umbra, relative to the full sunlight, for air of "atmosphereColor" `airColor`:
// sunlight bent round the limb by the lowest scale height of the air, where the rays that reach the
// shadow's core pass, reddened by the air along its way.
vec3 umbraLight(vec4 airColor)
{
    vec3 coefficients = extinction(airColor);
    vec3 sum = grazingTransmittance(coefficients, 0.25f) + grazingTransmittance(coefficients, 0.5f) +
               grazingTransmittance(coefficients, 0.75f) + grazingTransmittance(coefficients, 1.0f);
    return UmbraExposure * 0.25f * sum;
}

// The Earth's geometric albedo: how bright the full Earth is against a white disc of its size.
const float EarthAlbedo = 0.2f;

// The earthlight on a point of the Moon that faces the Earth, relative to the full sunlight, from the
// Earth of radius `earthRadius` at `toEarth`, whose sunlit share seen from the Moon is `litShare`.
float earthlight(vec3 toEarth, float earthRadius, float litShare)
{
    return EarthAlbedo * earthRadius * earthRadius / dot(toEarth, toEarth) * litShare;
}

// The sunlit share of a body's disc seen from another, with the Sun at `toSun` and the other at `toViewer`
// from the body: one where the viewer has the Sun behind it, none where the body stands before the Sun.
float litShare(vec3 toSun, vec3 toViewer)
{
    return 0.5f + 0.5f * dot(normalize(toSun), normalize(toViewer));
}
