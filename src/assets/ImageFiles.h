// The images the demo reads from data/: one list (ImageNames.inc) for the demo, the art
// generator, the tests and the scripts.
#pragma once

#include <cstddef>

constexpr const char* kImageNames[] = {
#include "assets/ImageNames.inc"
};
constexpr size_t kImageCount = sizeof kImageNames / sizeof kImageNames[0];

// Where each kind of image stands in kImageNames.
constexpr size_t kSpriteImage = 0;
constexpr size_t kLogoImage = 1;
constexpr size_t kFloorImage = 2;
constexpr size_t kFirstCreditsImage = 3;  // the credits cards, then the greetings cards
constexpr size_t kCreditsImageCount = 2;
constexpr size_t kFirstGreetingImage = kFirstCreditsImage + kCreditsImageCount;
constexpr size_t kGreetingImageCount = 6;
static_assert(kFirstGreetingImage + kGreetingImageCount == kImageCount,
              "ImageNames.inc lists one image per kind and card");
