// Animation playback in the image pane: animated WebP made here by libwebp's img2webp, played with
// its delays and loop count, paused and resumed, stepped by hand while paused.
#include "image/imageobj.h"
#include "imagepane/viewimage.h"
#include "tests/common/qtapp.h"

#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <cstdlib>
#include <gtest/gtest.h>

namespace
{

class Animation : public ::testing::Test
{
protected:
    void SetUp() override
    {
        TestApp();
        ASSERT_TRUE(m_dir.isValid());
        QString frames;
        const QRgb colours[3] = { qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255) };
        for (int i = 0; i < 3; ++i) {
            QImage img(24, 16, QImage::Format_RGB888);
            img.fill(colours[i]);
            const QString path = m_dir.filePath(QStringLiteral("f%1.png").arg(i));
            ASSERT_TRUE(img.save(path, "PNG"));
            frames += QLatin1Char(' ') + path;
        }
        m_anim = m_dir.filePath(QStringLiteral("anim.webp"));
        const QString cmd
            = QStringLiteral("img2webp -loop 2 -lossless -d 40%1 -o %2 >/dev/null 2>&1").arg(frames, m_anim);
        ASSERT_EQ(std::system(cmd.toLocal8Bit().constData()), 0);
        m_still = m_dir.filePath(QStringLiteral("f0.png"));
    }
    QTemporaryDir m_dir;
    QString m_anim;
    QString m_still;
};

TEST_F(Animation, PlaysItsLoopsThenStaysOnTheLastPage)
{
    CViewImage pane;
    pane.resize(200, 150);
    pane.Open(m_anim);
    const CAnimationPlayer &player = pane.Animation();
    ASSERT_TRUE(player.IsAnimation());
    EXPECT_TRUE(player.IsPlaying());
    EXPECT_EQ(player.Delays(), (std::vector<int> { 40, 40, 40 }));
    EXPECT_EQ(player.Loops(), 2);
    ASSERT_EQ(pane.Picture()->CurrentPage(), 0);
    // Driven by hand: 0 → 1 → 2 → 0 → 1 → 2, then it stops on the last page.
    auto &drive = const_cast<CAnimationPlayer &>(player);
    const int expected[] = { 1, 2, 0, 1, 2 };
    for (int page : expected) {
        ASSERT_TRUE(drive.Advance());
        EXPECT_EQ(pane.Picture()->CurrentPage(), page);
    }
    EXPECT_FALSE(drive.Advance());
    EXPECT_FALSE(player.IsPlaying());
    EXPECT_EQ(pane.Picture()->CurrentPage(), 2);

    // A still picture stops any playback.
    pane.Open(m_still);
    EXPECT_FALSE(pane.Animation().IsAnimation());
    EXPECT_FALSE(pane.ToggleAnimation());
}

TEST_F(Animation, TimerAdvancesAndPauseHoldsWhileStepsStillWork)
{
    CViewImage pane;
    pane.resize(200, 150);
    pane.Open(m_anim);
    ASSERT_TRUE(pane.Animation().IsPlaying());
    QTRY_VERIFY_WITH_TIMEOUT(pane.Picture()->CurrentPage() != 0, 5000);
    ASSERT_TRUE(pane.ToggleAnimation());
    EXPECT_TRUE(pane.Animation().IsPaused());
    EXPECT_FALSE(pane.Animation().IsPlaying());
    const int held = pane.Picture()->CurrentPage();
    QTest::qWait(150);
    EXPECT_EQ(pane.Picture()->CurrentPage(), held);
    // Stepping by hand while paused.
    const bool forward = held < 2;
    ASSERT_TRUE(pane.GotoPage(forward));
    EXPECT_EQ(pane.Picture()->CurrentPage(), held + (forward ? 1 : -1));
    EXPECT_EQ(pane.Animation().Page(), pane.Picture()->CurrentPage());
    ASSERT_TRUE(pane.ToggleAnimation());
    EXPECT_TRUE(pane.Animation().IsPlaying());
}

} // namespace
