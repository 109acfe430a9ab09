// make_assets: regenerates every mesh and image under models/ from the Debian source images,
// or with --check verifies that the committed files are exactly what it would write.
#include "Assets.h"
#include "Mesh.h"
#include "MeshDensity.h"
#include "Seam.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace Assets;

namespace
{
const std::string XplanetImages = "/usr/share/xplanet/images/";
const std::string OpenUniverseTextures = "/usr/share/openuniverse/textures/";

struct Asset
{
    std::string path; // relative to the repository root
    std::vector<unsigned char> bytes;
    double seam = -1.0; // seamFigure of a map wrapped round a globe; negative for anything else
};

// The meridian of a globe map must look like any other column step.
const double SeamLimit = 1.25;

const double Degree = 3.14159265358979323846 / 180.0;
// The program's window and camera: 1200 x 960, and a vertical field of view that glm::perspective takes as
// 45 radians, as wide as tan(22.5) says.
const Screen ProgramScreen{1200, 960, std::tan(0.5 * 45.0)};
// The Earth is seen closest in the README's close-ups, 2.2 Earth radii from its centre (the tour comes to
// 2.25 while it circles the Moon); its tessellation splits every edge in four. Its sunlight is taken per
// tessellated vertex and bends fastest across the terminator: interpolated linearly along an edge there,
// it misses the cloud tops' light by up to 2.3 levels of 255 at 4 degrees, 4.0 at 6 and 7.1 at 8. Edges of
// 6 degrees keep that bump within 4 levels, 1.5 % of white, under the clouds' own texture.
const MeshNeed EarthNeed{1.0, 2.2, 6.0 * Degree, 4};
// No outline of the shell is seen: its top holds too little air to show, and its faces still enclose all
// the air that does (below 1.065 r). The air's scattering source is taken per vertex and changes fastest
// across the day limb, where a pixel's ray and its triangle's corners part most: faces of 12 degrees
// there leave the glow 11 % short of the source taken along the pixel's own ray, faces of 10 degrees
// within 6 %, the atmosphere test's bound. Across the terminator the haze passes on only about a quarter
// of the sunlight's bend (its opacity looking down), so there the limb's bound is the stricter.
const MeshNeed ShellNeed{1.075, 0.0, 10.0 * Degree, 1};
// The Moon is seen closest as the tour's travel to the Sun sets out (29.5 s), 0.705 from its centre. It
// is lit per pixel.
const MeshNeed MoonNeed{0.25, 0.705, 0.0, 1};
// The Sun from the tour's orbit round it and its rest, 20 from its centre; lit per pixel.
const MeshNeed SunNeed{5.0, 20.0, 0.0, 1};
// The shadow body's rim is the Earth's outline in the air, seen as close as the Earth.
const MeshNeed ShadowNeed{1.0, 2.2, 0.0, 1};

// A globe with square cells at its equator, as fine as `need` asks.
Mesh globeFor(const MeshNeed& need)
{
    const int segments = segmentsFor(need, ProgramScreen);
    return makeGlobe(segments, segments / 2);
}

std::string packageOf(const std::string& path)
{
    if (path.rfind(XplanetImages, 0) == 0)
        return "xplanet-images";
    if (path.rfind(OpenUniverseTextures, 0) == 0)
        return "openuniverse-common";
    return "?";
}

std::vector<Asset> generate()
{
    std::vector<Asset> assets;
    auto mesh = [&](const std::string& path, const Mesh& m, const std::string& name) {
        const std::string text = toOBJ(m, name);
        assets.push_back({path, std::vector<unsigned char>(text.begin(), text.end())});
    };
    auto png = [&](const std::string& path, const Image& image) { assets.push_back({path, encodePNG(image)}); };
    auto globeMap = [&](const std::string& path, const Image& image) {
        assets.push_back({path, encodePNG(image), seamFigure(image)});
    };
    auto bmp = [&](const std::string& path, const Image& image) { assets.push_back({path, encodeBMP(image)}); };

    // Each mesh as dense as the screen needs (MeshDensity.h), from the closest views of it.
    mesh("models/sun/sun.obj", globeFor(SunNeed), "Sun");
    mesh("models/earth/earth.obj", globeFor(EarthNeed), "Earth");
    mesh("models/moon/moon.obj", globeFor(MoonNeed), "Moon");
    mesh("models/atmosphere/atmosphere.obj", globeFor(ShellNeed), "Atmosphere");
    // The Earth's shadow body: placed 0.55 r from the Earth's centre, away from the light, and
    // scaled by r, this cylinder spans from the centre to 1.1 r, just past the atmosphere shell
    // (1.075 r), so every shell point on the night side lies inside it. A cylinder rather than
    // a cone, because at the Sun's distance the umbra narrows by under 0.01 r over that length.
    // Its rim is inscribed in the Earth's disc, so it never pokes outside the planet's true shadow;
    // the edge of the shadow in the air is the Earth's outline, and as fine.
    mesh("models/atmosphere/shadow.obj", makeCylinder(segmentsFor(ShadowNeed, ProgramScreen), 1.0, 0.55),
         "Shadow");

    const Image day = loadImage(XplanetImages + "earth.jpg", 3);
    globeMap("models/earth/color.png", makeEarthColor(day));
    globeMap("models/earth/bump.png", makeBump(day));
    globeMap("models/earth/night.png", makeNight(loadImage(XplanetImages + "night.jpg", 3)));
    globeMap("models/earth/clouds.png", makeClouds(loadImage(OpenUniverseTextures + "clouds.jpg", 1)));
    globeMap("models/moon/moon.png", makeMoon(loadImage(OpenUniverseTextures + "moon.jpg", 1)));
    globeMap("models/sun/sun.png", makeSunSurface());
    png("models/skybox/seamless.png", makeStarSky());
    bmp("models/flare/shine1.bmp", makeShine(1));
    bmp("models/flare/shine2.bmp", makeShine(2));
    bmp("models/flare/hexafull.bmp", makeHexagon());
    return assets;
}

std::vector<unsigned char> readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Prints each globe map's seam figure; the number of maps above the limit.
int reportSeams(const std::vector<Asset>& assets)
{
    int seams = 0;
    for (const Asset& asset : assets)
        if (asset.seam >= 0.0)
        {
            const bool seen = asset.seam > SeamLimit;
            std::printf("seam %-36s %5.2f%s\n", asset.path.c_str(), asset.seam, seen ? "  above the limit" : "");
            seams += seen ? 1 : 0;
        }
    return seams;
}

int write(const fs::path& root, const std::vector<Asset>& assets)
{
    for (const Asset& asset : assets)
    {
        const fs::path target = root / asset.path;
        fs::create_directories(target.parent_path());
        std::ofstream out(target, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(asset.bytes.data()), static_cast<std::streamsize>(asset.bytes.size()));
        if (!out)
        {
            std::fprintf(stderr, "make_assets: cannot write %s\n", target.c_str());
            return 1;
        }
        out.close();
        // Plain data files, whatever mode an earlier copy had.
        fs::permissions(target,
                        fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read,
                        fs::perm_options::replace);
        std::printf("wrote %-36s %9zu bytes\n", asset.path.c_str(), asset.bytes.size());
    }
    reportSeams(assets);
    return 0;
}

int check(const fs::path& root, const std::vector<Asset>& assets)
{
    int failures = 0;
    std::set<std::string> known;
    for (const Asset& asset : assets)
    {
        known.insert(asset.path);
        const fs::path file = root / asset.path;
        if (!fs::exists(file))
        {
            std::fprintf(stderr, "MISSING   %s\n", asset.path.c_str());
            ++failures;
            continue;
        }
        const std::vector<unsigned char> committed = readFile(file);
        if (committed != asset.bytes)
        {
            const auto mismatch = std::mismatch(committed.begin(), committed.end(), asset.bytes.begin(), asset.bytes.end());
            std::fprintf(stderr, "DIFFERENT %s: committed %zu bytes, generated %zu, first difference at byte %td\n",
                         asset.path.c_str(), committed.size(), asset.bytes.size(), mismatch.first - committed.begin());
            ++failures;
        }
    }
    // A file nobody generates cannot be reproduced from a fresh clone.
    const fs::path models = root / "models";
    if (fs::is_directory(models))
        for (const auto& entry : fs::recursive_directory_iterator(models))
        {
            const std::string relative = fs::relative(entry.path(), root).generic_string();
            if (entry.is_regular_file() && relative != "models/CREDITS.md" && !known.count(relative))
            {
                std::fprintf(stderr, "UNKNOWN   %s is not made by make_assets\n", relative.c_str());
                ++failures;
            }
        }
    const int seams = reportSeams(assets);
    if (seams)
        std::fprintf(stderr, "SEAM      %d globe map(s) step harder from the last column to the first than %.2f "
                             "times their mean neighbouring step\n",
                     seams, SeamLimit);
    failures += seams;
    if (failures)
    {
        std::fprintf(stderr, "make_assets --check: %d file(s) differ from the generator's output; "
                             "rerun make_assets on the repository root and commit the result\n",
                     failures);
        return 1;
    }
    std::printf("make_assets --check: all %zu files match\n", assets.size());
    return 0;
}
} // namespace

int main(int argc, char** argv)
{
    bool checkOnly = false;
    bool usageError = false;
    std::string root;
    for (int i = 1; i < argc; ++i)
    {
        const std::string arg = argv[i];
        if (arg == "--check")
            checkOnly = true;
        else if (root.empty() && arg.rfind("--", 0) != 0)
            root = arg;
        else
            usageError = true;
    }
    if (root.empty() || usageError)
    {
        std::fprintf(stderr, "usage: make_assets [--check] <repository-root>\n");
        return 2;
    }
    if (!fs::is_directory(root))
    {
        std::fprintf(stderr, "make_assets: %s is not a directory\n", root.c_str());
        return 2;
    }
    try
    {
        const std::vector<Asset> assets = generate();
        return checkOnly ? check(root, assets) : write(root, assets);
    }
    catch (const MissingSource& missing)
    {
        std::fprintf(stderr, "make_assets: source image %s is missing; install the Debian package %s\n",
                     missing.path.c_str(), packageOf(missing.path).c_str());
    }
    catch (const std::exception& error)
    {
        std::fprintf(stderr, "make_assets: %s\n", error.what());
    }
    return 2;
}
