// Helpers of the image pane tests: picture files written through the codec library, a main frame
// that records its status texts, and a shown pane of a given client size.
#pragma once

#include "frame/imainframe.h"
#include "image/imageobj.h"
#include "imagepane/viewimage.h"
#include "imagepane/zoommath.h"
#include "platform/dibutil.h"
#include "tests/common/qtapp.h"

#include <QImage>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
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
    DibInfoBlock info;
    DibInitHeader(info, w, h, 24);
    const std::size_t stride = static_cast<std::size_t>(DibStride(w, 24));
    std::vector<std::uint8_t> bits(stride * std::size_t(h), 0);
    for (int y = 0; y < h; ++y) {
        std::uint8_t *row = bits.data() + stride * std::size_t(h - 1 - y);
        for (int x = 0; x < w; ++x) {
            const std::uint32_t c = colour(x, y);
            row[3 * x] = std::uint8_t(c);
            row[3 * x + 1] = std::uint8_t(c >> 8);
            row[3 * x + 2] = std::uint8_t(c >> 16);
        }
    }
    return picture.CopyFrom(bits.data(), &info);
}

// 0xRRGGBB of a 24-bit picture's pixel (top-down coordinates).
inline std::uint32_t PixelAt(const CImageObj &picture, int x, int y)
{
    const std::size_t stride = static_cast<std::size_t>(DibStride(picture.Width(), picture.BitCount()));
    const auto *row
        = static_cast<const std::uint8_t *>(picture.Bits()) + stride * std::size_t(picture.Height() - 1 - y);
    return (std::uint32_t(row[3 * x + 2]) << 16) | (std::uint32_t(row[3 * x + 1]) << 8) | row[3 * x];
}

// Folder of picture files for one test.
class Pictures
{
public:
    // A 24-bit BMP (or any format the extension names) written through the codec library.
    QString Write(const QString &name, int w, int h, const ColourFn &colour = Gradient)
    {
        CImageObj picture;
        if (!MakePicture(picture, w, h, colour))
            return QString();
        const QString path = dir_.filePath(name);
        return picture.Save(path.toStdString()) ? path : QString();
    }
    QString Path(const QString &name) const { return dir_.filePath(name); }

private:
    QTemporaryDir dir_;
};

// The main window the pane writes its status texts to.
class RecordingFrame : public IMainFrame
{
public:
    RecordingFrame() { SetMainFrame(this); }
    ~RecordingFrame() override { SetMainFrame(nullptr); }
    RecordingFrame(const RecordingFrame &) = delete;
    RecordingFrame &operator=(const RecordingFrame &) = delete;

    void SetStatusPaneText(int index, const QString &text) override { texts[index] = text; }
    QObject *MessageTarget() override { return nullptr; }

    std::map<int, QString> texts;
};

// Dialog answers the tests give the pane.
struct Answers {
    int imageSizeCalls = 0;
    int imageWidth = 0, imageHeight = 0;
    bool imageSizeOk = true;
    int rotateCalls = 0;
    double angle = 30;
    bool rotateOk = true;
    std::vector<QString> messages;
    int popups = 0;
    std::function<bool(QPrinter &)> print;
};

inline CImagePaneDialogs DialogsFor(Answers &answers)
{
    CImagePaneDialogs d;
    d.imageSize = [&answers](QWidget *, BITMAPINFOHEADER &, int &w, int &h) {
        ++answers.imageSizeCalls;
        w = answers.imageWidth;
        h = answers.imageHeight;
        return answers.imageSizeOk;
    };
    d.rotateFree = [&answers](IImagePane &, double &angle) {
        ++answers.rotateCalls;
        angle = answers.angle;
        return answers.rotateOk;
    };
    d.print = [&answers](QWidget *, QPrinter &printer) { return answers.print && answers.print(printer); };
    d.message = [&answers](QWidget *, const QString &text) { answers.messages.push_back(text); };
    d.measurePopup = [&answers](QWidget *, const QPoint &) { ++answers.popups; };
    return d;
}

// A shown pane whose client area is w × h, answering its dialogs from `answers`.
class PaneFixture : public ::testing::Test
{
protected:
    void SetUp() override { TestApp(); }

    CViewImage &MakePane(int w = 800, int h = 600)
    {
        pane = std::make_unique<CViewImage>();
        pane->SetDialogs(DialogsFor(answers));
        pane->resize(w, h);
        pane->show();
        PumpEvents();
        return *pane;
    }

    // The client area as painted.
    QImage Grab() { return pane->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32); }

    std::uint32_t ClientPixel(const QImage &image, int x, int y) { return image.pixel(x, y) & 0xFFFFFFu; }

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
