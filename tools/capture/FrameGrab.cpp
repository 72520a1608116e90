#include "FrameGrab.h"

#include <GL/gl.h>

#include <cstring>
#include <vector>

void grabBackBuffer(RgbImage* image)
{
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    const int width = viewport[2], height = viewport[3];
    image->resize(width, height);
    const size_t rowBytes = static_cast<size_t>(width) * RgbImage::kChannels;
    std::vector<uint8_t> bottomUp(rowBytes * height);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(viewport[0], viewport[1], width, height, GL_RGB, GL_UNSIGNED_BYTE,
                 bottomUp.data());
    // GL counts rows from the bottom; pictures start at the top.
    for (int y = 0; y < height; ++y) {
        std::memcpy(image->row(y), bottomUp.data() + rowBytes * (height - 1 - y), rowBytes);
    }
}

void finishDrawing() { glFinish(); }
