#include "Pillarbox.h"

#include <windows.h>

#include <GL/gl.h>

Pillarbox gPillarbox;

void Pillarbox::place(int modeWidth, int modeHeight, int windowWidth, int windowHeight)
{
    int width = windowWidth;
    int height = static_cast<int>(static_cast<long long>(windowWidth) * modeHeight / modeWidth);
    if (height > windowHeight) {
        height = windowHeight;
        width = static_cast<int>(static_cast<long long>(windowHeight) * modeWidth / modeHeight);
    }
    area = {(windowWidth - width) / 2, (windowHeight - height) / 2, width, height};
    hasBands = width != windowWidth || height != windowHeight;
    if (width != windowWidth) {
        bands[0] = {0, 0, area.x, windowHeight};
        bands[1] = {area.x + width, 0, windowWidth - area.x - width, windowHeight};
    } else {
        bands[0] = {0, 0, windowWidth, area.y};
        bands[1] = {0, area.y + height, windowWidth, windowHeight - area.y - height};
    }
}

void Pillarbox::fill(int width, int height)
{
    area = {0, 0, width, height};
    hasBands = false;
}

void Pillarbox::confine() const
{
    if (!hasBands) return;
    glScissor(area.x, area.y, area.width, area.height);
    glEnable(GL_SCISSOR_TEST);
}

void Pillarbox::paintBands() const
{
    if (!hasBands) return;
    // Nothing the demo draws reaches the bands; its clear colour is put back after.
    GLfloat clearColour[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clearColour);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    for (const PictureRect& band : bands) {
        glScissor(band.x, band.y, band.width, band.height);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    glScissor(area.x, area.y, area.width, area.height);
    glClearColor(clearColour[0], clearColour[1], clearColour[2], clearColour[3]);
}
