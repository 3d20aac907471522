// The thumbnail codec of the program: the codec library's format test and load thumbnail.
#pragma once

#include "browser/thumbcodec.h"

const ThumbCodec &CodexaThumbCodec();
