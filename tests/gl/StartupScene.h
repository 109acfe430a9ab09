// The renderer and the scene made and linked as start-up makes them (Application::initialize, then
// createScene), and the frame loop's turn, for tests that need what the program builds and draws.
#pragma once

#include "Atmosphere.h"
#include "Camera.h"
#include "CameraAnimation.h"
#include "Earth.h"
#include "Keys.h"
#include "Moon.h"
#include "Renderer.h"
#include "Scene.h"
#include "SkyBox.h"
#include "Sun.h"

#include <GL/glew.h>

#include <array>
#include <memory>
#include <set>

struct StartupScene
{
    // Every part in start-up's order, so a failure stops at the same file as the program's start-up.
    StartupScene(int width, int height, float sensivityZoom = 0.1f, float sensivityUpDown = 0.01f)
    {
        renderer = std::make_shared<Renderer::Renderer>(width, height);
        scene = makeScene(keys, width, height, sensivityZoom, sensivityUpDown);
        startTour(scene);
    }

    // Another window size and sensitivities for the same bodies, as another configuration would give.
    void reconfigure(int width, int height, float sensivityZoom, float sensivityUpDown)
    {
        renderer = std::make_shared<Renderer::Renderer>(width, height);
        scene.camera = std::make_shared<Camera::Camera>(keys, width, height, sensivityZoom, sensivityUpDown);
        startTour(scene);
    }

    // One turn of the frame loop after its keys: the bodies, the camera, the frame and its two effects.
    void frame(float deltaTime)
    {
        advanceScene(scene, deltaTime, ++frameNumber, false);
        renderer->drawFrame(scene);
    }

    KeyTable keys{};
    int frameNumber = 0;
    std::shared_ptr<Renderer::Renderer> renderer;
    Scene scene;
};

// Deletes, when it goes, every GL object made while it lived. The program never deletes its objects
// and leaves them to the end of the process; a test that makes the scene again and again must not keep
// them, or each sky's cube map alone holds some 30 MB to the end of the test.
class MadeObjectsDeleted
{
public:
    MadeObjectsDeleted()
        : m_Before(liveObjects())
    {
    }

    ~MadeObjectsDeleted()
    {
        const Objects after = liveObjects();
        for (std::size_t kind = 0; kind < kinds().size(); ++kind)
            for (const GLuint name : after[kind])
                if (!m_Before[kind].count(name))
                    kinds()[kind].remove(name);
    }

    MadeObjectsDeleted(const MadeObjectsDeleted&) = delete;
    MadeObjectsDeleted& operator=(const MadeObjectsDeleted&) = delete;

private:
    struct Kind
    {
        GLboolean (*is)(GLuint);
        void (*remove)(GLuint);
    };
    using Objects = std::array<std::set<GLuint>, 7>;

    static const std::array<Kind, 7>& kinds()
    {
        static const std::array<Kind, 7> all = {{
            {[](GLuint n) { return glIsTexture(n); }, [](GLuint n) { glDeleteTextures(1, &n); }},
            {[](GLuint n) { return glIsBuffer(n); }, [](GLuint n) { glDeleteBuffers(1, &n); }},
            {[](GLuint n) { return glIsVertexArray(n); }, [](GLuint n) { glDeleteVertexArrays(1, &n); }},
            {[](GLuint n) { return glIsFramebuffer(n); }, [](GLuint n) { glDeleteFramebuffers(1, &n); }},
            {[](GLuint n) { return glIsRenderbuffer(n); }, [](GLuint n) { glDeleteRenderbuffers(1, &n); }},
            {[](GLuint n) { return glIsProgram(n); }, [](GLuint n) { glDeleteProgram(n); }},
            {[](GLuint n) { return glIsQuery(n); }, [](GLuint n) { glDeleteQueries(1, &n); }},
        }};
        return all;
    }

    // Names are handed out from the lowest free one up: past the last object found, a long run of free
    // names ends the search.
    static Objects liveObjects()
    {
        constexpr GLuint FreeRun = 4096;
        Objects objects;
        for (std::size_t kind = 0; kind < kinds().size(); ++kind)
            for (GLuint name = 1, last = 0; name <= last + FreeRun; ++name)
                if (kinds()[kind].is(name))
                {
                    objects[kind].insert(name);
                    last = name;
                }
        return objects;
    }

    Objects m_Before;
};
