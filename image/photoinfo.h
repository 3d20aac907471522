// What a photo file says about itself: the EXIF fields people look at, read through libexif from
// JPEG, TIFF, PNG, WebP, HEIF/AVIF and JPEG XL files. No Qt: the properties dialog shows it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct PhotoInfo {
    bool hasExif = false;
    std::string camera; // make and model
    std::string lens;
    std::string dateTaken; // as the camera wrote it, "2024:05:01 12:30:00"
    std::string exposureTime; // "1/125 s"
    std::string aperture; // "f/2.8"
    std::string iso;
    std::string focalLength; // "50 mm"
    std::string flash;
    bool hasGps = false;
    double latitude = 0; // degrees, north positive
    double longitude = 0; // degrees, east positive
};

// The EXIF fields of a file held in memory; an empty record when it has none.
PhotoInfo ReadPhotoInfo(const std::uint8_t *data, std::size_t size);
// The same for a file (read up to 256 MiB); an empty record when it cannot be read.
PhotoInfo ReadPhotoInfoFile(const std::string &path);

// "48.858370° N, 2.294481° E"
std::string FormatPosition(double latitude, double longitude);
// A link that shows the position on a map in the browser.
std::string MapLink(double latitude, double longitude);
