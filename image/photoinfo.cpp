#include "image/photoinfo.h"

#include <libexif/exif-data.h>
#include <libexif/exif-utils.h>
#ifdef TARNIS_HAVE_HEIF
#include <libheif/heif.h>
#endif

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <vector>

namespace
{

std::uint32_t Be32(const std::uint8_t *p)
{
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}

std::uint32_t Le32(const std::uint8_t *p)
{
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16)
        | (std::uint32_t(p[3]) << 24);
}

bool IsTiffHeader(const std::uint8_t *p, std::size_t n)
{
    return n >= 8
        && ((p[0] == 'I' && p[1] == 'I' && p[2] == 42 && p[3] == 0)
            || (p[0] == 'M' && p[1] == 'M' && p[2] == 0 && p[3] == 42));
}

// An EXIF block as libexif loads it: "Exif\0\0" and the TIFF structure.
std::vector<std::uint8_t> WithHeader(const std::uint8_t *tiff, std::size_t n)
{
    std::vector<std::uint8_t> block(6 + n);
    std::memcpy(block.data(), "Exif\0\0", 6);
    std::memcpy(block.data() + 6, tiff, n);
    return block;
}

// The TIFF structure of a block that starts with it, with "Exif\0\0", or (HEIF, JPEG XL) with a
// 4-byte offset to it.
std::vector<std::uint8_t> FromPayload(const std::uint8_t *p, std::size_t n)
{
    if (n >= 6 && std::memcmp(p, "Exif\0\0", 6) == 0)
        return std::vector<std::uint8_t>(p, p + n);
    if (IsTiffHeader(p, n))
        return WithHeader(p, n);
    if (n >= 4) {
        const std::uint32_t skip = Be32(p);
        if (skip <= n - 4)
            return FromPayload(p + 4 + skip, n - 4 - skip);
    }
    return {};
}

std::vector<std::uint8_t> ExifOfWebp(const std::uint8_t *d, std::size_t n)
{
    for (std::size_t at = 12; at + 8 <= n;) {
        const std::uint32_t size = Le32(d + at + 4);
        if (size > n - at - 8)
            break;
        if (std::memcmp(d + at, "EXIF", 4) == 0)
            return FromPayload(d + at + 8, size);
        at += 8 + size + (size & 1);
    }
    return {};
}

std::vector<std::uint8_t> ExifOfPng(const std::uint8_t *d, std::size_t n)
{
    for (std::size_t at = 8; at + 12 <= n;) {
        const std::uint32_t size = Be32(d + at);
        if (size > n - at - 12)
            break;
        if (std::memcmp(d + at + 4, "eXIf", 4) == 0)
            return FromPayload(d + at + 8, size);
        at += 12 + size;
    }
    return {};
}

// Top-level boxes of an ISO media file (JPEG XL's container).
std::vector<std::uint8_t> ExifOfBoxes(const std::uint8_t *d, std::size_t n)
{
    for (std::size_t at = 0; at + 8 <= n;) {
        std::uint64_t size = Be32(d + at);
        std::size_t header = 8;
        if (size == 1 && at + 16 <= n) {
            size = (std::uint64_t(Be32(d + at + 8)) << 32) | Be32(d + at + 12);
            header = 16;
        } else if (size == 0) {
            size = n - at;
        }
        if (size < header || size > n - at)
            break;
        if (std::memcmp(d + at + 4, "Exif", 4) == 0)
            return FromPayload(d + at + header, static_cast<std::size_t>(size) - header);
        at += static_cast<std::size_t>(size);
    }
    return {};
}

#ifdef TARNIS_HAVE_HEIF
std::vector<std::uint8_t> ExifOfHeif(const std::uint8_t *d, std::size_t n)
{
    std::vector<std::uint8_t> out;
    heif_context *ctx = heif_context_alloc();
    heif_image_handle *handle = nullptr;
    if (ctx != nullptr && heif_context_read_from_memory_without_copy(ctx, d, n, nullptr).code == heif_error_Ok
        && heif_context_get_primary_image_handle(ctx, &handle).code == heif_error_Ok) {
        heif_item_id id = 0;
        if (heif_image_handle_get_list_of_metadata_block_IDs(handle, "Exif", &id, 1) == 1) {
            std::vector<std::uint8_t> payload(heif_image_handle_get_metadata_size(handle, id));
            if (!payload.empty()
                && heif_image_handle_get_metadata(handle, id, payload.data()).code == heif_error_Ok)
                out = FromPayload(payload.data(), payload.size());
        }
        heif_image_handle_release(handle);
    }
    heif_context_free(ctx);
    return out;
}
#endif

std::string Trim(std::string s)
{
    while (!s.empty() && (s.back() == ' ' || s.back() == '\0'))
        s.pop_back();
    std::size_t start = s.find_first_not_of(' ');
    return start == std::string::npos ? std::string() : s.substr(start);
}

std::string Ascii(ExifData *exif, ExifIfd ifd, ExifTag tag)
{
    ExifEntry *e = exif_content_get_entry(exif->ifd[ifd], tag);
    if (e == nullptr || e->format != EXIF_FORMAT_ASCII || e->data == nullptr)
        return {};
    return Trim(std::string(
        reinterpret_cast<const char *>(e->data), strnlen(reinterpret_cast<const char *>(e->data), e->size)));
}

bool Rational(ExifData *exif, ExifIfd ifd, ExifTag tag, unsigned index, double &value)
{
    ExifEntry *e = exif_content_get_entry(exif->ifd[ifd], tag);
    if (e == nullptr || e->data == nullptr || index >= e->components)
        return false;
    const ExifByteOrder order = exif_data_get_byte_order(exif);
    if (e->format == EXIF_FORMAT_RATIONAL && e->size >= 8 * (index + 1)) {
        const ExifRational r = exif_get_rational(e->data + 8 * index, order);
        if (r.denominator == 0)
            return false;
        value = static_cast<double>(r.numerator) / r.denominator;
        return true;
    }
    if (e->format == EXIF_FORMAT_SRATIONAL && e->size >= 8 * (index + 1)) {
        const ExifSRational r = exif_get_srational(e->data + 8 * index, order);
        if (r.denominator == 0)
            return false;
        value = static_cast<double>(r.numerator) / r.denominator;
        return true;
    }
    return false;
}

bool Short(ExifData *exif, ExifIfd ifd, ExifTag tag, unsigned &value)
{
    ExifEntry *e = exif_content_get_entry(exif->ifd[ifd], tag);
    if (e == nullptr || e->data == nullptr || e->components < 1)
        return false;
    const ExifByteOrder order = exif_data_get_byte_order(exif);
    if (e->format == EXIF_FORMAT_SHORT && e->size >= 2)
        value = exif_get_short(e->data, order);
    else if (e->format == EXIF_FORMAT_LONG && e->size >= 4)
        value = exif_get_long(e->data, order);
    else
        return false;
    return true;
}

std::string Number(double v, int decimals)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, v);
    std::string s = text;
    if (s.find('.') != std::string::npos) {
        while (s.back() == '0')
            s.pop_back();
        if (s.back() == '.')
            s.pop_back();
    }
    return s;
}

bool Degrees(ExifData *exif, ExifTag valueTag, ExifTag refTag, char negative, double &out)
{
    double d = 0, m = 0, s = 0;
    if (!Rational(exif, EXIF_IFD_GPS, valueTag, 0, d))
        return false;
    Rational(exif, EXIF_IFD_GPS, valueTag, 1, m);
    Rational(exif, EXIF_IFD_GPS, valueTag, 2, s);
    out = d + m / 60 + s / 3600;
    const std::string ref = Ascii(exif, EXIF_IFD_GPS, refTag);
    if (!ref.empty() && ref[0] == negative)
        out = -out;
    return std::isfinite(out);
}

const char *FlashText(unsigned flash)
{
    if ((flash & 1) == 0)
        return (flash & 0x18) == 0x10 ? "Off, did not fire" : "Did not fire";
    if ((flash & 0x40) != 0)
        return "Fired, red-eye reduction";
    return (flash & 0x18) == 0x08 ? "On, fired" : "Fired";
}

} // namespace

PhotoInfo ReadPhotoInfo(const std::uint8_t *data, std::size_t size)
{
    PhotoInfo info;
    if (data == nullptr || size < 12)
        return info;
    std::vector<std::uint8_t> block;
    if (data[0] == 0xFF && data[1] == 0xD8)
        block.assign(data, data + size); // libexif finds the APP1 segment itself
    else if (IsTiffHeader(data, size))
        block = WithHeader(data, size);
    else if (std::memcmp(data, "RIFF", 4) == 0 && std::memcmp(data + 8, "WEBP", 4) == 0)
        block = ExifOfWebp(data, size);
    else if (std::memcmp(data, "\x89PNG", 4) == 0)
        block = ExifOfPng(data, size);
    else if (std::memcmp(data + 4, "JXL ", 4) == 0)
        block = ExifOfBoxes(data, size);
#ifdef TARNIS_HAVE_HEIF
    else if (std::memcmp(data + 4, "ftyp", 4) == 0)
        block = ExifOfHeif(data, size);
#endif
    if (block.empty())
        return info;
    ExifData *exif = exif_data_new_from_data(block.data(), static_cast<unsigned int>(block.size()));
    if (exif == nullptr)
        return info;
    const std::string make = Ascii(exif, EXIF_IFD_0, EXIF_TAG_MAKE);
    std::string model = Ascii(exif, EXIF_IFD_0, EXIF_TAG_MODEL);
    // Many models repeat the make.
    info.camera = !make.empty() && model.rfind(make, 0) != 0 ? Trim(make + " " + model) : model;
    info.lens = Ascii(exif, EXIF_IFD_EXIF, EXIF_TAG_LENS_MODEL);
    info.dateTaken = Ascii(exif, EXIF_IFD_EXIF, EXIF_TAG_DATE_TIME_ORIGINAL);
    if (info.dateTaken.empty())
        info.dateTaken = Ascii(exif, EXIF_IFD_0, EXIF_TAG_DATE_TIME);
    double v = 0;
    if (Rational(exif, EXIF_IFD_EXIF, EXIF_TAG_EXPOSURE_TIME, 0, v) && v > 0)
        info.exposureTime = v < 1 ? "1/" + Number(1.0 / v, 0) + " s" : Number(v, 1) + " s";
    if (Rational(exif, EXIF_IFD_EXIF, EXIF_TAG_FNUMBER, 0, v) && v > 0)
        info.aperture = "f/" + Number(v, 1);
    unsigned n = 0;
    if (Short(exif, EXIF_IFD_EXIF, EXIF_TAG_ISO_SPEED_RATINGS, n) && n > 0)
        info.iso = std::to_string(n);
    if (Rational(exif, EXIF_IFD_EXIF, EXIF_TAG_FOCAL_LENGTH, 0, v) && v > 0)
        info.focalLength = Number(v, 1) + " mm";
    if (Short(exif, EXIF_IFD_EXIF, EXIF_TAG_FLASH, n))
        info.flash = FlashText(n);
    double lat = 0, lon = 0;
    if (Degrees(exif, static_cast<ExifTag>(EXIF_TAG_GPS_LATITUDE),
            static_cast<ExifTag>(EXIF_TAG_GPS_LATITUDE_REF), 'S', lat)
        && Degrees(exif, static_cast<ExifTag>(EXIF_TAG_GPS_LONGITUDE),
            static_cast<ExifTag>(EXIF_TAG_GPS_LONGITUDE_REF), 'W', lon)
        && std::fabs(lat) <= 90 && std::fabs(lon) <= 180) {
        info.hasGps = true;
        info.latitude = lat;
        info.longitude = lon;
    }
    info.hasExif = true;
    exif_data_unref(exif);
    return info;
}

PhotoInfo ReadPhotoInfoFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return {};
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size <= 0 || size > (std::streamoff(256) << 20))
        return {};
    in.seekg(0);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    if (!in.read(reinterpret_cast<char *>(bytes.data()), size))
        return {};
    return ReadPhotoInfo(bytes.data(), bytes.size());
}

std::string FormatPosition(double latitude, double longitude)
{
    char text[96];
    std::snprintf(text, sizeof text, "%.6f\u00b0 %c, %.6f\u00b0 %c", std::fabs(latitude),
        latitude < 0 ? 'S' : 'N', std::fabs(longitude), longitude < 0 ? 'W' : 'E');
    return text;
}

std::string MapLink(double latitude, double longitude)
{
    char text[160];
    std::snprintf(text, sizeof text, "https://www.openstreetmap.org/?mlat=%.6f&mlon=%.6f#map=15/%.6f/%.6f",
        latitude, longitude, latitude, longitude);
    return text;
}
