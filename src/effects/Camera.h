// The viewer: a position and two angles, turned into the view transform.
#pragma once

class Camera {
public:
    // Multiplies the view transform onto the current matrix.
    void apply() const;

    float x = 0.0f;  // viewer position, world units
    float y = 0.0f;
    float z = 0.0f;
    float pitch = 0.0f;  // rotation about x, degrees
    float yaw = 0.0f;    // rotation about y, degrees
};

extern Camera gCamera;
