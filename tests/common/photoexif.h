// A photo's EXIF block written field by field for the tests, and a small JPEG carrying it.
#pragma once

#include <QBuffer>
#include <QImage>
#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace testexif
{

// A little-endian TIFF structure: IFD0 (make, model, pointers), the EXIF IFD and the GPS IFD.
class ExifWriter
{
public:
    struct Entry {
        std::uint16_t tag, type;
        std::uint32_t count;
        std::vector<std::uint8_t> data; // inline when 4 bytes or fewer
    };
    static Entry Text(std::uint16_t tag, const std::string &s)
    {
        std::vector<std::uint8_t> d(s.begin(), s.end());
        d.push_back(0);
        return { tag, 2, static_cast<std::uint32_t>(d.size()), d };
    }
    static Entry Short(std::uint16_t tag, std::uint16_t v)
    {
        return { tag, 3, 1, { std::uint8_t(v), std::uint8_t(v >> 8), 0, 0 } };
    }
    static Entry Rationals(std::uint16_t tag, std::vector<std::pair<std::uint32_t, std::uint32_t>> values)
    {
        std::vector<std::uint8_t> d;
        for (auto [n, den] : values)
            for (std::uint32_t v : { n, den })
                for (int i = 0; i < 4; ++i)
                    d.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
        return { tag, 5, static_cast<std::uint32_t>(values.size()), d };
    }

    std::vector<std::uint8_t> Build(
        const std::vector<Entry> &ifd0, const std::vector<Entry> &exif, const std::vector<Entry> &gps)
    {
        m_out = { 'I', 'I', 42, 0, 8, 0, 0, 0 };
        std::vector<Entry> first = ifd0;
        first.push_back({ 0x8769, 4, 1, { 0, 0, 0, 0 } });
        first.push_back({ 0x8825, 4, 1, { 0, 0, 0, 0 } });
        const std::size_t firstAt = Write(first);
        Patch(firstAt, first.size() - 2, static_cast<std::uint32_t>(Write(exif)));
        Patch(firstAt, first.size() - 1, static_cast<std::uint32_t>(Write(gps)));
        return m_out;
    }

private:
    void Put32(std::size_t at, std::uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            m_out[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
    void Patch(std::size_t ifdAt, std::size_t index, std::uint32_t value)
    {
        Put32(ifdAt + 2 + index * 12 + 8, value);
    }
    // Writes an IFD (sorted by tag) and its out-of-line values; returns its offset.
    std::size_t Write(std::vector<Entry> entries)
    {
        std::sort(
            entries.begin(), entries.end(), [](const Entry &a, const Entry &b) { return a.tag < b.tag; });
        const std::size_t at = m_out.size();
        m_out.resize(at + 2 + entries.size() * 12 + 4, 0);
        m_out[at] = static_cast<std::uint8_t>(entries.size());
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const Entry &e = entries[i];
            const std::size_t p = at + 2 + i * 12;
            m_out[p] = static_cast<std::uint8_t>(e.tag), m_out[p + 1] = static_cast<std::uint8_t>(e.tag >> 8);
            m_out[p + 2] = static_cast<std::uint8_t>(e.type);
            Put32(p + 4, e.count);
            if (e.data.size() <= 4) {
                for (std::size_t k = 0; k < e.data.size(); ++k)
                    m_out[p + 8 + k] = e.data[k];
            } else {
                Put32(p + 8, static_cast<std::uint32_t>(m_out.size()));
                m_out.insert(m_out.end(), e.data.begin(), e.data.end());
                if (m_out.size() & 1)
                    m_out.push_back(0);
            }
        }
        return at;
    }
    std::vector<std::uint8_t> m_out;
};

inline std::vector<std::uint8_t> PhotoExif(bool south, bool west)
{
    using W = ExifWriter;
    return W().Build(
        { W::Text(0x010f, "Tarnis"), W::Text(0x0110, "Tarnis T1"), W::Text(0x0132, "2024:05:01 10:00:00") },
        {
            W::Rationals(0x829a, { { 1, 250 } }), // exposure time
            W::Rationals(0x829d, { { 28, 10 } }), // f-number
            W::Short(0x8827, 400), // ISO
            W::Text(0x9003, "2024:04:30 18:45:12"), // date taken
            W::Short(0x9209, 0x19), // flash fired, auto
            W::Rationals(0x920a, { { 350, 10 } }), // focal length
            W::Text(0xa434, "Tarnis 35mm F2.8"),
        },
        {
            W::Text(1, south ? "S" : "N"),
            W::Rationals(2, { { 48, 1 }, { 51, 1 }, { 3030, 100 } }),
            W::Text(3, west ? "W" : "E"),
            W::Rationals(4, { { 2, 1 }, { 17, 1 }, { 4020, 100 } }),
        });
}

inline std::vector<std::uint8_t> JpegWith(const std::vector<std::uint8_t> &tiff)
{
    QImage img(16, 16, QImage::Format_RGB888);
    img.fill(Qt::darkCyan);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    img.save(&buffer, "JPG");
    std::vector<std::uint8_t> jpg(bytes.begin(), bytes.end());
    std::vector<std::uint8_t> app1 = { 0xFF, 0xE1, 0, 0, 'E', 'x', 'i', 'f', 0, 0 };
    app1.insert(app1.end(), tiff.begin(), tiff.end());
    const std::size_t len = app1.size() - 2;
    app1[2] = static_cast<std::uint8_t>(len >> 8), app1[3] = static_cast<std::uint8_t>(len);
    jpg.insert(jpg.begin() + 2, app1.begin(), app1.end());
    return jpg;
}

} // namespace testexif
