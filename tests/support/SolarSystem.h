// The scene's bodies moving as the program moves them, without a GL context.
#pragma once

#include "Earth.h"
#include "Model.h"
#include "Moon.h"
#include "Sun.h"

// A body with the motion of a real one but no mesh, program or texture: update needs none.
class Body final : public Resource::Model
{
public:
    Body(const Resource::ModelInfo& info, const Resource::Motion& motion)
    {
        m_Size = info.size;
        m_Motion = motion;
    }
};

// The scene's chain Sun <- Earth <- Moon, with a second child of the Earth standing in for the atmosphere.
struct SolarSystem
{
    Body sun{Resource::Sun::info(), Resource::Sun::motion()};
    Body earth{Resource::Earth::info(), Resource::Earth::motion()};
    Body moon{Resource::Moon::info(), Resource::Moon::motion()};
    Body shell{{"", "", 1.075f, false}, {0.0f, 0.0f, 0.0f}};
    int frame = 0;

    SolarSystem()
    {
        earth.setParent(&sun);
        moon.setParent(&earth);
        shell.setParent(&earth);
    }

    // One unpaused frame, in the frame loop's order.
    void step(float deltaTime)
    {
        ++frame;
        sun.update(deltaTime, frame);
        earth.update(deltaTime, frame);
        moon.update(deltaTime, frame);
        shell.update(deltaTime, frame);
    }

    // Frame times of uneven length that add up to `total`.
    void run(float total, int frames)
    {
        const float mean = total / static_cast<float>(frames);
        float spent = 0.0f;
        for (int i = 0; i + 1 < frames; ++i)
        {
            const float deltaTime = mean * (i % 2 == 0 ? 0.5f : 1.5f);
            step(deltaTime);
            spent += deltaTime;
        }
        step(total - spent);
    }
};
