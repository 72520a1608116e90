#include "effects/ParticleSystem.h"

#include "assets/Texture.h"

#include <GL/gl.h>
#include <cmath>
#include <cstdlib>

namespace {
constexpr double kStepScale = 0.004;  // share of the velocity moved per update, in double
constexpr float kSpriteHalf = 0.02f;  // sprites are 0.04 on a side
}  // namespace

ParticleSystem::ParticleSystem() : particles(), emitter()
{
    emitter.life = 0.0f;
    resetAll();
}

void ParticleSystem::respawn(int32_t index)
{
    if (index < 0 || index >= kParticleCount) return;
    Particle& p = particles[index];
    p.life = emitter.life;
    p.fade = static_cast<float>((std::rand() % 100) * 0.001 + 0.05);
    p.r = emitter.r;
    p.g = emitter.g;
    p.b = emitter.b;
    p.x = emitter.x;
    p.y = emitter.y;
    p.z = emitter.z;
    emitter.speed = static_cast<float>(std::rand() % 25);
    // The angle goes to sin and cos as radians: 360 distinct directions round the circle.
    emitter.angle = static_cast<float>(std::rand() % 360);
    p.vx = static_cast<float>(std::sin(double(emitter.angle)) * emitter.speed);
    p.vy = static_cast<float>(std::cos(double(emitter.angle)) * emitter.speed);
    // The fourth draw once gave a z spread; in integer arithmetic it always came out 0.
    p.vz = static_cast<float>((std::rand() % 10 - 5) / 10 * emitter.speed);
}

void ParticleSystem::resetAll()
{
    for (int i = 0; i < kParticleCount; ++i) respawn(i);
}

void ParticleSystem::update(float damping)
{
    for (int i = 0; i < kParticleCount; ++i) {
        Particle& p = particles[i];
        if (p.life > 0.0f) {
            p.x = static_cast<float>(p.x + p.vx * kStepScale);
            p.y = static_cast<float>(p.y + p.vy * kStepScale);
            p.z = static_cast<float>(p.z + p.vz * kStepScale);
            p.vx *= damping;
            p.vy *= damping;
            p.vz *= damping;
            p.life -= p.fade;
        } else {
            respawn(i);
        }
    }
}

void ParticleSystem::draw(float angleY, float angleX, float angleZ) const
{
    glBlendFunc(GL_ONE, GL_ONE);
    glBindTexture(GL_TEXTURE_2D, emitter.texture != nullptr ? emitter.texture->id : 0);
    for (const Particle& p : particles) {
        if (!(p.life > 0.0f)) continue;
        glPushMatrix();
        glRotatef(angleY, 0.0f, -1.0f, 0.0f);
        glRotatef(angleX, -1.0f, 0.0f, 0.0f);
        glRotatef(angleZ, 0.0f, 0.0f, -1.0f);
        glColor4f(p.r, p.g, p.b, p.life);
        glTranslatef(p.x, p.y, p.z);
        glBegin(GL_QUADS);
        glTexCoord2i(0, 0);
        glVertex3f(kSpriteHalf, kSpriteHalf, 0.0f);
        glTexCoord2i(1, 0);
        glVertex3f(-kSpriteHalf, kSpriteHalf, 0.0f);
        glTexCoord2i(1, 1);
        glVertex3f(-kSpriteHalf, -kSpriteHalf, 0.0f);
        glTexCoord2i(0, 1);
        glVertex3f(kSpriteHalf, -kSpriteHalf, 0.0f);
        glEnd();
        glPopMatrix();
    }
}
