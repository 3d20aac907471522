// Opening with background decoding: the final picture, zoom, scroll bars, status texts and paint
// equal a plain load; a picture not decoded ahead paints its reduced copy first, with the full
// picture's size in the status bar; pictures decoded ahead are shown at once and never when their
// file changed or the shown one was edited.
#include "image/editop.h"
#include "panetestutil.h"
#include "tests/common/gate.h"

#include <QElapsedTimer>
#include <QPaintEvent>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>

using namespace panetest;

namespace
{

constexpr int kTimeoutMs = 20000;

// Pumps events until done() holds; false when the time ran out first.
bool WaitFor(const std::function<bool()> &done)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > kTimeoutMs)
            return false;
        QTest::qWait(2);
    }
    return true;
}

std::vector<std::uint8_t> Snapshot(const CImageObj &picture)
{
    return testpic::Snapshot(picture);
}

// What each paint of the pane's client area showed, with the status bar's size at the time.
class PaintLog : public QObject
{
public:
    enum Shown { Previous, Reduced, Full };
    struct Paint {
        Shown shown;
        QString size;
    };

    PaintLog(CViewImage &pane, const RecordingFrame &frame)
        : m_pane(pane)
        , m_frame(frame)
    {
        pane.viewport()->installEventFilter(this);
    }
    ~PaintLog() override { m_pane.viewport()->removeEventFilter(this); }

    std::vector<Paint> paints;

    bool Painted(Shown shown) const
    {
        return std::any_of(paints.begin(), paints.end(), [&](const Paint &p) { return p.shown == shown; });
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            const Shown shown = m_pane.ShowsReduced() ? Reduced : m_pane.Opening() ? Previous : Full;
            const auto size = m_frame.texts.find(1);
            paints.push_back({ shown, size == m_frame.texts.end() ? QString() : size->second });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    CViewImage &m_pane;
    const RecordingFrame &m_frame;
};

class OpenAheadTest : public PaneFixture
{
protected:
    // A shown pane with background decoding.
    CViewImage &MakeDecodingPane()
    {
        CViewImage &shown = MakePane();
        shown.SetBackgroundDecoding(true);
        return shown;
    }

    // Opens path and waits, pumping events, until the full picture is shown.
    void OpenAndSettle(const QString &path)
    {
        pane->Open(path);
        ASSERT_TRUE(WaitFor([this] { return !pane->Opening(); }));
    }

    // What a plain load of the file shows: pixels, zoom, scroll ranges, status texts, paint.
    struct Shown {
        std::vector<std::uint8_t> pixels;
        int zoom = 0, hMax = 0, vMax = 0;
        std::map<int, QString> texts;
        QImage grab;
        std::vector<QString> messages;
    };
    Shown Capture()
    {
        Shown s;
        if (const CImageObj *picture = pane->Picture())
            s.pixels = Snapshot(*picture);
        s.zoom = pane->Zoom();
        s.hMax = pane->horizontalScrollBar()->maximum();
        s.vMax = pane->verticalScrollBar()->maximum();
        s.texts = frame.texts;
        s.grab = Grab();
        s.messages = answers.messages;
        return s;
    }
    Shown PlainLoad(const QString &path)
    {
        MakePane().Open(path);
        PumpEvents(); // the scroll bars' layout requests, as the decoding pane's wait runs them
        Shown s = Capture();
        pane.reset();
        frame.texts.clear();
        answers.messages.clear();
        return s;
    }
};

// Whatever the format, and for files that fail, the pane ends up exactly as a plain load leaves it.
TEST_F(OpenAheadTest, TheFinalPictureEqualsAPlainLoad)
{
    const QString junk = files.Path(QStringLiteral("junk.jpg"));
    {
        std::ofstream(junk.toStdString()) << "not a picture at all";
    }
    const QString cases[] = {
        files.Write(QStringLiteral("wide.jpg"), 1700, 900),
        files.Write(QStringLiteral("small.png"), 300, 200),
        files.Write(QStringLiteral("tall.bmp"), 500, 1400),
        files.Write(QStringLiteral("one.tif"), 900, 700),
        junk,
        files.Path(QStringLiteral("missing.jpg")),
    };
    for (const QString &path : cases) {
        SCOPED_TRACE(path.toStdString());
        const Shown plain = PlainLoad(path);
        MakeDecodingPane();
        OpenAndSettle(path);
        const Shown decoded = Capture();
        EXPECT_EQ(decoded.pixels, plain.pixels);
        EXPECT_EQ(decoded.zoom, plain.zoom);
        EXPECT_EQ(decoded.hMax, plain.hMax);
        EXPECT_EQ(decoded.vMax, plain.vMax);
        EXPECT_EQ(decoded.texts, plain.texts);
        EXPECT_EQ(decoded.grab, plain.grab);
        EXPECT_EQ(decoded.messages, plain.messages);
        pane.reset();
        frame.texts.clear();
        answers.messages.clear();
    }
}

// Not decoded ahead: the reduced copy is painted first with the full picture's size and depth
// in the status bar, then the full picture replaces it; no paint in between shows anything else.
TEST_F(OpenAheadTest, TheReducedCopyIsPaintedFirstThenTheFullPicture)
{
    const QString first = files.Write(QStringLiteral("first.bmp"), 200, 100);
    const QString big = files.Write(QStringLiteral("big.jpg"), 2400, 1600);
    MakeDecodingPane();
    OpenAndSettle(first);
    Gate gate;
    pane->DecodeCache()->SetBeforeFullDecode([&] { gate.Hold(); });
    PaintLog log(*pane, frame);
    pane->Open(big);
    EXPECT_TRUE(pane->Opening());
    EXPECT_EQ(pane->PicturePath(), big);
    ASSERT_TRUE(WaitFor([&] { return log.Painted(PaintLog::Reduced); }));
    EXPECT_TRUE(pane->Opening()); // the full picture is held back
    EXPECT_EQ(pane->PageCount(), 1);
    EXPECT_EQ(frame.texts[0], big);
    EXPECT_EQ(frame.texts[1], QStringLiteral("2400x1600"));
    EXPECT_EQ(frame.texts[2], QStringLiteral("24Bit"));
    // The reduced copy fills the rectangle the full picture will.
    const ZoomView reducedView = pane->DisplayView();
    const QImage reduced = Grab();
    gate.Open();
    ASSERT_TRUE(WaitFor([&] { return !pane->Opening() && log.paints.back().shown == PaintLog::Full; }));
    const ZoomView fullView = pane->DisplayView();
    EXPECT_EQ(reducedView.zoomedWidth, fullView.zoomedWidth);
    EXPECT_EQ(reducedView.zoomedHeight, fullView.zoomedHeight);
    EXPECT_EQ(reducedView.origin.x, fullView.origin.x);
    EXPECT_EQ(reducedView.origin.y, fullView.origin.y);
    // Painted sequence: the previous picture, then the reduced copy, then the full picture.
    std::vector<PaintLog::Shown> order;
    for (const auto &paint : log.paints)
        if (order.empty() || order.back() != paint.shown)
            order.push_back(paint.shown);
    if (!order.empty() && order.front() == PaintLog::Previous)
        order.erase(order.begin());
    EXPECT_EQ(order, (std::vector<PaintLog::Shown> { PaintLog::Reduced, PaintLog::Full }));
    for (const auto &paint : log.paints) {
        if (paint.shown != PaintLog::Previous) {
            EXPECT_EQ(paint.size, QStringLiteral("2400x1600"));
        }
    }
    // The full picture's paint is close to the reduced one (same picture, same place).
    const QImage full = Grab();
    ASSERT_EQ(full.size(), reduced.size());
    long long diff = 0;
    for (int y = 0; y < full.height(); y += 7)
        for (int x = 0; x < full.width(); x += 7)
            diff += std::abs(qGreen(full.pixel(x, y)) - qGreen(reduced.pixel(x, y)));
    EXPECT_LT(diff / ((full.width() / 7 + 1) * (full.height() / 7 + 1)), 40);
    CImageObj plain;
    ASSERT_TRUE(plain.Load(big.toStdString()));
    EXPECT_EQ(Snapshot(*pane->Picture()), Snapshot(plain));
}

// A command that needs the full picture waits for it while the reduced copy is shown.
TEST_F(OpenAheadTest, CommandsWaitForTheFullPicture)
{
    const QString big = files.Write(QStringLiteral("big.jpg"), 1600, 1200);
    MakeDecodingPane();
    pane->Open(big);
    ASSERT_TRUE(pane->Opening());
    Post(WMU_TOOLS_COMMAND, ID_TOOLS_MIRROR);
    EXPECT_FALSE(pane->Opening());
    EXPECT_TRUE(pane->IsModified());
    CImageObj plain;
    ASSERT_TRUE(plain.Load(big.toStdString()));
    ASSERT_TRUE(plain.MirrorFlip(0));
    EXPECT_EQ(Snapshot(*pane->Picture()), Snapshot(plain));
}

// Decoded ahead, a picture is shown without decoding; the picture left goes back to the cache.
TEST_F(OpenAheadTest, APictureDecodedAheadIsShownAtOnce)
{
    const QString a = files.Write(QStringLiteral("a.jpg"), 640, 480),
                  b = files.Write(QStringLiteral("b.png"), 320, 240);
    MakeDecodingPane();
    OpenAndSettle(a);
    CDecodeAhead &cache = *pane->DecodeCache();
    pane->DecodeAhead({ b, a }); // the shown picture is never decoded again
    ASSERT_TRUE(cache.WaitIdle(kTimeoutMs));
    EXPECT_TRUE(cache.Holds(b.toStdString()));
    EXPECT_FALSE(cache.Holds(a.toStdString()));
    pane->Open(b);
    EXPECT_FALSE(pane->Opening());
    EXPECT_EQ(frame.texts[1], QStringLiteral("320x240"));
    EXPECT_FALSE(cache.Holds(b.toStdString()));
    EXPECT_TRUE(cache.Holds(a.toStdString()));
    pane->ForgetDecoded(); // another folder
    EXPECT_EQ(cache.Count(), 0);
}

// An edited, rewritten, replaced or deleted picture is never shown from the cache.
TEST_F(OpenAheadTest, StalePicturesAreNeverShown)
{
    const ColourFn other = [](int x, int y) { return std::uint32_t((x * 7 + y * 3) & 0xFFFFFF); };
    struct Case {
        const char *what;
        // Makes what was decoded ahead or left differ from what opening a.bmp must show.
        std::function<void(const QString &a)> change;
    };
    const Case cases[] = {
        { "edited, the edits given up",
            [this](const QString &a) {
                OpenAndSettle(a);
                Post(WMU_TOOLS_COMMAND, ID_TOOLS_MIRROR);
                answers.answer = QMessageBox::No;
            } },
        { "left, then rewritten",
            [&, this](const QString &a) {
                OpenAndSettle(a);
                OpenAndSettle(files.Path(QStringLiteral("b.bmp")));
                ASSERT_TRUE(pane->DecodeCache()->Holds(a.toStdString()));
                files.Write(QStringLiteral("a.bmp"), 64, 48, other);
            } },
        { "decoded ahead, then replaced",
            [&, this](const QString &a) {
                pane->DecodeAhead({ a });
                ASSERT_TRUE(pane->DecodeCache()->WaitIdle(kTimeoutMs));
                ASSERT_TRUE(pane->DecodeCache()->Holds(a.toStdString()));
                const QString c = files.Write(QStringLiteral("c.bmp"), 64, 48, other);
                std::filesystem::rename(c.toStdString(), a.toStdString());
            } },
        { "decoded ahead, then deleted",
            [this](const QString &a) {
                pane->DecodeAhead({ a });
                ASSERT_TRUE(pane->DecodeCache()->WaitIdle(kTimeoutMs));
                std::filesystem::remove(a.toStdString());
            } },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const QString a = files.Write(QStringLiteral("a.bmp"), 64, 48);
        const QString b = files.Write(QStringLiteral("b.bmp"), 32, 16);
        MakeDecodingPane();
        OpenAndSettle(b);
        c.change(a);
        OpenAndSettle(b);
        OpenAndSettle(a);
        const Shown decoded = Capture();
        pane.reset();
        answers.messages.clear();
        frame.texts.clear();
        const Shown plain = PlainLoad(a);
        EXPECT_EQ(decoded.pixels, plain.pixels);
        EXPECT_EQ(decoded.grab, plain.grab);
        EXPECT_EQ(decoded.messages, plain.messages);
        answers.answer = QMessageBox::No;
        answers.questions.clear();
    }
}

} // namespace
