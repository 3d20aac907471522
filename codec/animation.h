// Timing of animated pictures (GIF, WebP): how long each page stays and how often the whole
// animation plays.
#pragma once

#include "codec/format.h"

#include <string_view>
#include <vector>

namespace codexa
{

struct Animation {
    std::vector<int> delaysMs; // one per page, in milliseconds
    int loops = 1; // times the animation plays; 0 = forever
};

// Delays of 10 ms or less play at 100 ms, as the common viewers do.
constexpr int kDefaultDelayMs = 100;
int DisplayDelay(int fileDelayMs);

// True and the timing when the file is an animation of more than one page.
bool GifAnimation(Bytes file, Animation &out);
bool WebpAnimation(Bytes file, Animation &out);
bool AnimationFromMemory(Bytes file, std::string_view extension, Animation &out);

} // namespace codexa
