#pragma once

#include <string>

#include "Mask.h"

// A line of text rendered to coverage, with its ink box's place.
struct TextMask {
    Mask mask{0, 0};
    int inkLeft = 0;  // ink box inside the mask (the rest is padding)
    int inkTop = 0;
    int inkWidth = 0;
    int inkHeight = 0;
};

// Text set in one TrueType face through FreeType. Outlines are rendered
// unhinted so that the output does not move with hinting changes.
class Lettering {
public:
    Lettering();
    ~Lettering();
    Lettering(const Lettering&) = delete;
    Lettering& operator=(const Lettering&) = delete;

    // Loads the face; returns an empty string or the reason it failed.
    std::string open(const std::string& fontPath);

    // Renders text at pixelSize (the em), stretched vertically by stretch,
    // with tracking extra pixels between letters and padding pixels of empty
    // margin all round.
    TextMask render(const std::string& text, int pixelSize, float stretch, int tracking,
                    int padding) const;
    // The largest rendering whose ink fits maxWidth × maxHeight, at most maxSize.
    TextMask fit(const std::string& text, int maxWidth, int maxHeight, int maxSize, float stretch,
                 int tracking, int padding) const;

private:
    struct Handles;
    Handles* handles;
};
