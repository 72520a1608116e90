// Stateless operations on GL state used by the driver and the scenes, the fog,
// and the colour and light vectors the scenes hand to them.
#pragma once

// Clear and fog colour of the scenes (red, green, blue).
extern const float gClearColor[3];
// Directional light: rays come from (-5, 5, 10).
extern const float gLightPosition[4];
extern const float gLightAmbient[4];
extern const float gLightDiffuse[4];

class Renderer {
public:
    void setViewport(int x, int y, int width, int height);
    // Multiplies a perspective onto the current matrix, then selects and resets the modelview.
    void setPerspective(float fieldOfView, int width, int height, float nearPlane, float farPlane);
    void clear();
    void swap();
    // Blending and the depth test are always switched in opposite senses.
    void setBlending(int on);
    void setLight(const float* ambient, const float* diffuse, const float* position);
    void setLighting(int on);
    // Switches off what the scenes switch on beyond the start-up's defaults (fog, culling,
    // lighting, blending): the opening still draws with whatever the frame before it left.
    void undoSceneSwitches();
};

// Exponential fog of the given density and colour.
void setFog(float density, float red, float green, float blue);

extern Renderer gRenderer;
