// A created main frame over temporary settings and a temporary program folder; desktop launches
// of local files are recorded instead of performed.
#pragma once

#include "appcore/appsettings.h"
#include "appcore/programfolder.h"
#include "appcore/regstring.h"
#include "frame/mainframe.h"
#include "framework/tvisualframework.h"
#include "imagepane/viewimage.h"
#include "paneapi/panemessage.h"
#include "res/resource.h"
#include "tests/common/qtapp.h"

#include <QDesktopServices>
#include <QFile>
#include <QObject>
#include <QUrl>
#include <gtest/gtest.h>
#include <memory>
#include <tuple>
#include <vector>

class LaunchRecorder : public QObject
{
    Q_OBJECT
public:
    QStringList opened;

public slots:
    void open(const QUrl &url) { opened.append(url.toLocalFile()); }
};

// The pane messages (message, wParam, lParam) an object receives, seen before it handles them.
class PaneMessageRecorder : public QObject
{
public:
    std::vector<std::tuple<UINT, WPARAM, LPARAM>> received;

    bool eventFilter(QObject *, QEvent *event) override
    {
        if (const PaneMessageEvent *m = PaneMessageEvent::From(event))
            received.emplace_back(m->Message(), m->WParam(), m->LParam());
        return false;
    }
};

class FrameFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetProgramFolder(m_settings.Path());
        SetCommandLineFolder(QString());
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &m_launches, "open");
    }

    void TearDown() override
    {
        m_frame.reset();
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    }

    // The pane messages the image pane receives are recorded in m_imageMessages.
    CMainFrame &CreateFrame()
    {
        m_frame = std::make_unique<CMainFrame>();
        EXPECT_TRUE(m_frame->Create());
        if (CViewImage *image = ImagePane())
            image->installEventFilter(&m_imageMessages);
        PumpEvents();
        return *m_frame;
    }

    CViewImage *ImagePane() const
    {
        return dynamic_cast<CViewImage *>(m_frame->GetFramework().GetWindow(IDV_IMAGE_PANE));
    }

    TempSettings m_settings;
    LaunchRecorder m_launches;
    PaneMessageRecorder m_imageMessages;
    std::unique_ptr<CMainFrame> m_frame;
};
