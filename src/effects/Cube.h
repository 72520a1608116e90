// The demo's one solid: a textured, lit cube with the same image on all six faces.
#pragma once

class Texture;

struct Vector3 {
    float x;
    float y;
    float z;
};

// Unit normal of the plane through a, b, c (counter-clockwise seen from the side it
// points to), in double precision. Collinear or coincident points give (0, 0, 0).
Vector3 computeNormal(Vector3 a, Vector3 b, Vector3 c);

// Translates to (x, y, z), turns by `angle` degrees about z and then about (1, 0.6, 0),
// and draws a cube of half edge `halfSize`. Leaves the modelview changed: callers that
// draw more than one thing bracket it with glPushMatrix/glPopMatrix.
void drawCube(const Texture& texture, float x, float y, float z, float angle, float halfSize);
