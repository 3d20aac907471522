// Helpers of the image pane tests: picture files written through the codec library, a main frame
// that records its status texts, and a shown pane whose dialogs the test answers.
#pragma once

#include "image/imageobj.h"
#include "imagepane/viewimage.h"
#include "imagepane/zoommath.h"
#include "res/resource.h"
#include "tests/common/qtapp.h"
#include "tests/image/testpictures.h"

#include <QImage>
#include <QMessageBox>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace panetest
{

// colour(x, y) as 0xRRGGBB for top-down coordinates.
using ColourFn = std::function<std::uint32_t(int x, int y)>;

inline std::uint32_t Gradient(int x, int y)
{
    return (std::uint32_t(x & 0xFF) << 16) | (std::uint32_t(y & 0xFF) << 8)
        | std::uint32_t((x >> 8) * 16 + (y >> 8));
}

// A 24-bit picture in memory.
inline bool MakePicture(CImageObj &picture, int w, int h, const ColourFn &colour)
{
    if (!testpic::Make(picture, w, h, 24))
        return false;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            testpic::SetPixel(picture, x, h - 1 - y, colour(x, y));
    return true;
}

// 0xRRGGBB of a 24-bit picture's pixel (top-down coordinates).
inline std::uint32_t PixelAt(const CImageObj &picture, int x, int y)
{
    return testpic::Pixel(picture, x, picture.Height() - 1 - y);
}

// Folder of picture files for one test.
class Pictures
{
public:
    // A 24-bit picture in the format the extension names, written through the codec library.
    QString Write(const QString &name, int w, int h, const ColourFn &colour = Gradient)
    {
        CImageObj picture;
        const QString path = Path(name);
        return MakePicture(picture, w, h, colour) && picture.Save(path.toStdString()) ? path : QString();
    }
    QString Path(const QString &name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
};

// The status texts the pane writes, by status pane index.
struct RecordingFrame {
    std::map<int, QString> texts;
};

// Dialog answers the tests give the pane, and what the pane asked.
struct Answers {
    int imageSizeCalls = 0, imageWidth = 0, imageHeight = 0;
    bool imageSizeOk = true;
    int rotateCalls = 0;
    bool rotateOk = true;
    std::vector<QString> messages;
    int popups = 0;
    std::function<bool(QPrinter &)> print;
    // "Save changes to NAME?": the questions asked and the answer given (No unless a test says).
    std::vector<QString> questions;
    int answer = QMessageBox::No;

    CImagePaneDialogs Dialogs()
    {
        CImagePaneDialogs d;
        d.imageSize = [this](QWidget *, BITMAPINFOHEADER &, int &w, int &h) {
            ++imageSizeCalls;
            w = imageWidth;
            h = imageHeight;
            return imageSizeOk;
        };
        d.rotateFree = [this](IImagePane &, double &angle) {
            ++rotateCalls;
            angle = 30;
            return rotateOk;
        };
        d.print = [this](QWidget *, QPrinter &printer) { return print && print(printer); };
        d.message = [this](QWidget *, const QString &text) { messages.push_back(text); };
        d.measurePopup = [this](QWidget *, const QPoint &) { ++popups; };
        d.question = [this](QWidget *, const QString &text) {
            questions.push_back(text);
            return answer;
        };
        return d;
    }
};

// A shown pane whose client area is w × h.
class PaneFixture : public ::testing::Test
{
protected:
    void SetUp() override { TestApp(); }

    CViewImage &MakePane(int w = 800, int h = 600)
    {
        pane = std::make_unique<CViewImage>();
        pane->SetDialogs(answers.Dialogs());
        pane->SetStatusSink([this](int index, const QString &text) { frame.texts[index] = text; });
        pane->resize(w, h);
        pane->show();
        PumpEvents();
        return *pane;
    }
    // An 800 × 600 pane showing a new w × h picture file.
    CViewImage &OpenNew(int w, int h, const ColourFn &colour = Gradient)
    {
        MakePane().Open(files.Write(QStringLiteral("picture.bmp"), w, h, colour));
        EXPECT_NE(pane->Picture(), nullptr);
        return *pane;
    }

    // The client area as painted, and one of its pixels as 0xRRGGBB.
    QImage Grab() { return pane->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32); }
    static std::uint32_t Rgb(const QImage &image, int x, int y) { return image.pixel(x, y) & 0xFFFFFFu; }

    LRESULT Post(UINT message, WPARAM w, LPARAM l = 0)
    {
        PostPaneMessage(pane.get(), message, w, l);
        PumpEvents();
        return pane->LastMessageResult();
    }

    RecordingFrame frame;
    Pictures files;
    Answers answers;
    std::unique_ptr<CViewImage> pane;
};

constexpr std::uint32_t kGrey = 0xC2C2C2;

} // namespace panetest
