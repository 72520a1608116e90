// The fountain: a fixed pool of short-lived additive sprites bursting from an emitter.
#pragma once

#include <cstdint>

class Texture;

struct Particle {
    float x, y, z;     // position in the frame the fountain is drawn in
    float vx, vy, vz;  // velocity; each update moves by velocity * 0.004
    float r, g, b;     // colour, copied from the emitter at birth
    float life;        // alive while above 0
    float fade;        // life lost per update: 0.05 to 0.149
};

struct Emitter {
    const Texture* texture;  // sprite image; not owned
    float x, y, z;           // emission point of every new particle
    float r, g, b;           // colour of every new particle
    float speed;             // speed drawn by the latest respawn (0..24)
    float angle;             // direction in radians drawn by the latest respawn (0..359)
    float life;              // initial life of every new particle
    float fade;              // nominal fade; each particle draws its own
};

class ParticleSystem {
public:
    static constexpr int kParticleCount = 100;

    // Respawns every particle from a lifeless emitter (400 draws of rand()).
    ParticleSystem();

    // Re-emits one particle from the emitter: exactly four draws of rand().
    void respawn(int32_t index);
    void resetAll();
    // Moves and damps live particles; respawns dead ones (not moved until the next update).
    void update(float damping);
    // Draws the live particles as sprites; the caller enables blending and texturing.
    void draw(float angleY, float angleX, float angleZ) const;

    Particle particles[kParticleCount];
    Emitter emitter;
};

extern ParticleSystem gParticles;
