// Message boxes of the browser. Tests (and a frame that wants to log) can route them elsewhere.
#pragma once

#include "browser/errormessages.h"

#include <QString>
#include <functional>

class QWidget;

using BrowserMessageHook
    = std::function<void(QWidget *owner, const QString &text, const QString &caption, MessageIcon icon)>;

// Replaces the modal box by hook (an empty hook restores the box).
void SetBrowserMessageHook(BrowserMessageHook hook);
// A modal box owned by owner with the given text, caption and icon.
void ShowBrowserMessage(QWidget *owner, const QString &text, const QString &caption, MessageIcon icon);
// The caption of boxes that have no caption of their own: the application's display name.
QString BrowserAppCaption();
