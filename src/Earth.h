#pragma once

#include "Model.h"

namespace Resource
{

// The tessellated globe with colour, cloud, night and relief maps.
class Earth : public Model
{
public:
    Earth();
    void render() override;
};

} // namespace Resource
