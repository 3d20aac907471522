// What a thumbnail item asks of the grid that shows it.
#pragma once

#include <string>

class ThumbCodec;

class CThumbOwner
{
public:
    virtual ~CThumbOwner() = default;
    // Message box: path, " : " and the message of the kind/detail pair (Part of the grid's errors).
    virtual int ShowFileError(
        const std::string &path, int kind, int detail = 0, const std::string &extra = {})
        = 0;
    // 0 = items of a browsed folder; 1 or 2 = items handed in one by one.
    virtual short GetSourceMode() const = 0;
    // Selected labels use the active highlight colours while this is true.
    virtual bool HasKeyboardFocus() const = 0;
    virtual bool IsPopup() const = 0;
    virtual const ThumbCodec *GetCodec() const = 0;
};
