// A created main frame over temporary settings and a temporary program folder; desktop launches
// of local files are recorded instead of performed.
#pragma once

#include "app/appsettings.h"
#include "app/programfolder.h"
#include "app/regstring.h"
#include "frame/mainframe.h"
#include "frame/placeholderimagepane.h"
#include "framework/tvisualframework.h"
#include "res/resource.h"
#include "tests/common/qtapp.h"

#include <QDesktopServices>
#include <QFile>
#include <QObject>
#include <QUrl>
#include <gtest/gtest.h>
#include <memory>

class LaunchRecorder : public QObject
{
    Q_OBJECT
public:
    QStringList opened;

public slots:
    void open(const QUrl &url) { opened.append(url.toLocalFile()); }
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

    CMainFrame &CreateFrame()
    {
        m_frame = std::make_unique<CMainFrame>();
        EXPECT_TRUE(m_frame->Create());
        PumpEvents();
        return *m_frame;
    }

    CPlaceholderImagePane *ImagePane() const
    {
        return dynamic_cast<CPlaceholderImagePane *>(m_frame->GetFramework().GetWindow(IDV_IMAGE_PANE));
    }

    QString UpdaterPath() const { return ProgramFolderFile(kUpdaterFileName); }

    void CreateUpdater() const
    {
        QFile file(UpdaterPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }

    TempSettings m_settings;
    LaunchRecorder m_launches;
    std::unique_ptr<CMainFrame> m_frame;
};
