// What the main frame asks of a pane that plays animated pictures.
#pragma once

class IAnimatedPane
{
public:
    virtual ~IAnimatedPane() = default;

    // Pauses a playing animation or resumes a paused one; false when none is shown.
    virtual bool ToggleAnimation() = 0;
};
