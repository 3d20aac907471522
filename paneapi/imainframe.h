// What the panes may ask of the main window, when there is one.
#pragma once

#include <QString>

class QObject;

class IMainFrame
{
public:
    virtual ~IMainFrame() = default;

    // Draws text (with the pane's icon for indices 1 and 4) into status pane index 0-4.
    virtual void SetStatusPaneText(int index, const QString &text) = 0;
    // The object the panes post WMU_THUMB_CHOSEN and WMU_FOLDER_CHANGED to.
    virtual QObject *MessageTarget() = 0;
    // The shown picture became modified or unmodified (the title marks it).
    virtual void SetPictureModified(bool modified) { (void)modified; }
    // The shown picture was saved as a new file (the grid shows it when it is in its folder).
    virtual void PictureSavedAs(const QString &path) { (void)path; }
};

// The main window; null before it is created and after it is destroyed.
IMainFrame *GetMainFrame();
void SetMainFrame(IMainFrame *frame);

// Posts message to the main window; false when there is none.
bool PostToMainFrame(unsigned int message);
