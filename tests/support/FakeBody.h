// A body that only reports a position and a size, both of which the test sets at will.
#pragma once

#include "Model.h"

class FakeBody : public Resource::IModel
{
public:
    explicit FakeBody(const glm::vec4& position, float size = 1.0f) : m_Position(position), m_Size(size) {}
    void render() override {}
    void setMatrices(const glm::mat4&, const glm::mat4&) override {}
    void setParent(IModel*) override {}
    glm::mat4 getModelMatrix() override { return glm::mat4(1.0f); }
    glm::vec4 getPosition() override { return m_Position; }
    void setLightPosition(const glm::vec4&) override {}
    void update(float, int) override {}
    float getSize() override { return m_Size; }

    glm::vec4 m_Position;
    float m_Size;
};
