// What the pane framework needs to create a window of a class: its name and a factory, and the
// creation context handed through to the views.
#pragma once

#include <functional>

class QObject;
class QWidget;
class TFrameWnd;
struct TCreateContext;

struct TRuntimeClass {
    const char *className = "";
    std::function<QWidget *(QWidget *parent, TCreateContext *context)> create;

    QWidget *CreateObject(QWidget *parent, TCreateContext *context) const
    {
        return create ? create(parent, context) : nullptr;
    }
};

struct TCreateContext {
    TFrameWnd *frame = nullptr; // the frame the views are created for
    QObject *document = nullptr; // the document the views show, if any
    const TRuntimeClass *newViewClass = nullptr; // the single view's class (node kind 6)
};
