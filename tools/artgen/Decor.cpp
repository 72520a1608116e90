#include "Decor.h"

#include <algorithm>
#include <cmath>

void paintBackdrop(Canvas& canvas, Rgb top, Rgb bottom, float vignette)
{
    const float halfW = canvas.width() * 0.5f;
    const float halfH = canvas.height() * 0.5f;
    for (int y = 0; y < canvas.height(); ++y) {
        const Rgb row = mixRgb(top, bottom, static_cast<float>(y) / (canvas.height() - 1));
        for (int x = 0; x < canvas.width(); ++x) {
            const float dx = (x + 0.5f - halfW) / halfW;
            const float dy = (y + 0.5f - halfH) / halfH;
            const float edge = std::min(1.0f, (dx * dx + dy * dy) * 0.5f);
            canvas.set(x, y, scaleRgb(row, 1.0f - vignette * edge));
        }
    }
}

void paintGlow(Canvas& canvas, float cx, float cy, float radius, Rgb colour, float strength)
{
    for (int y = 0; y < canvas.height(); ++y) {
        for (int x = 0; x < canvas.width(); ++x) {
            const float dx = x + 0.5f - cx;
            const float dy = y + 0.5f - cy;
            const float r = std::sqrt(dx * dx + dy * dy) / radius;
            if (r < 1.0f) {
                const float falloff = (1.0f - r * r) * (1.0f - r * r);
                canvas.blend(x, y, colour, strength * falloff);
            }
        }
    }
}

void paintStripes(Canvas& canvas, int period, Rgb colour, float strength)
{
    for (int y = 0; y < canvas.height(); ++y) {
        for (int x = 0; x < canvas.width(); ++x) {
            const float phase = static_cast<float>((x + y) % period) / period;
            const float wave = 0.5f + 0.5f * std::cos(phase * 6.2831853f);
            canvas.blend(x, y, colour, strength * wave * wave);
        }
    }
}

void paintFrame(Canvas& canvas, int width, Rgb band, Rgb line, int lineWidth)
{
    const int lineStart = width + lineWidth;  // a dark gap as wide as the line separates them
    for (int y = 0; y < canvas.height(); ++y) {
        for (int x = 0; x < canvas.width(); ++x) {
            const int fromEdge =
                std::min(std::min(x, y), std::min(canvas.width() - 1 - x, canvas.height() - 1 - y));
            if (fromEdge < width) {
                // A slight bevel: the outermost pixels darker, the inner ones lighter.
                const float bevel = 0.8f + 0.2f * static_cast<float>(fromEdge) / width;
                canvas.set(x, y, scaleRgb(band, bevel));
            } else if (fromEdge < lineStart) {
                canvas.set(x, y, scaleRgb(canvas.at(x, y), 0.35f));
            } else if (fromEdge < lineStart + lineWidth) {
                canvas.set(x, y, line);
            }
        }
    }
}

void paintLettering(Canvas& canvas, const TextMask& text, float cx, float cy,
                    const LetterStyle& style)
{
    const int left = static_cast<int>(std::lround(cx - text.inkWidth * 0.5f)) - text.inkLeft;
    const int top = static_cast<int>(std::lround(cy - text.inkHeight * 0.5f)) - text.inkTop;
    const Mask outline = text.mask.dilated(style.outlineRadius);
    const Mask shadow = outline.blurred(style.shadowBlur);
    const int shadowShift = static_cast<int>(std::lround(style.shadowOffset));
    shadow.paint(
        canvas, left + shadowShift, top + shadowShift, [](int, int) { return Rgb{}; },
        style.shadowOpacity);
    outline.paint(canvas, left, top, [&](int, int) { return style.outline; });
    const float inkTop = static_cast<float>(top + text.inkTop);
    const float inkSpan = static_cast<float>(std::max(text.inkHeight - 1, 1));
    text.mask.paint(canvas, left, top, [&](int, int y) {
        const float along = std::clamp((y - inkTop) / inkSpan, 0.0f, 1.0f);
        return mixRgb(style.fillTop, style.fillBottom, along);
    });
}
