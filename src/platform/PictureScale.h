// The demo sets its viewport in pixels of its 800 x 600 mode; a platform or program that
// shows the picture at another size scales each coordinate by picture / mode on its axis.
// 64-bit products: 5760 x 4320 frames and screen-sized pictures stay exact; the quotient
// rounds toward zero, as the GL's integer viewport needs a whole pixel.
#pragma once

constexpr int scaleToPicture(int value, int pictureSize, int modeSize)
{
    return static_cast<int>(static_cast<long long>(value) * pictureSize / modeSize);
}
