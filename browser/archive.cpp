#include "browser/archive.h"

#include <cstring>

void ArchiveWriter::WriteU16(std::uint16_t value)
{
    m_bytes.push_back(static_cast<std::uint8_t>(value));
    m_bytes.push_back(static_cast<std::uint8_t>(value >> 8));
}

void ArchiveWriter::WriteU32(std::uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        m_bytes.push_back(static_cast<std::uint8_t>(value >> shift));
}

void ArchiveWriter::WriteBytes(const void *data, std::size_t size)
{
    auto *p = static_cast<const std::uint8_t *>(data);
    m_bytes.insert(m_bytes.end(), p, p + size);
}

bool ArchiveWriter::Flush()
{
    if (!m_sink || m_bytes.empty())
        return !m_sinkFailed;
    if (!m_sinkFailed && !m_sink(m_bytes.data(), m_bytes.size()))
        m_sinkFailed = true;
    m_bytes.clear();
    return !m_sinkFailed;
}

void ArchiveWriter::WriteString(std::string_view text)
{
    std::size_t n = text.size();
    if (n < 0xFF) {
        WriteU8(static_cast<std::uint8_t>(n));
    } else if (n < 0xFFFE) {
        WriteU8(0xFF);
        WriteU16(static_cast<std::uint16_t>(n));
    } else {
        WriteU8(0xFF);
        WriteU16(0xFFFF);
        WriteU32(static_cast<std::uint32_t>(n));
    }
    WriteBytes(text.data(), n);
}

void ArchiveWriter::WriteCount(std::uint32_t count)
{
    if (count < 0xFFFF) {
        WriteU16(static_cast<std::uint16_t>(count));
    } else {
        WriteU16(0xFFFF);
        WriteU32(count);
    }
}

const std::uint8_t *ArchiveReader::Take(std::size_t size)
{
    if (m_failed || size > Remaining()) {
        Fail();
        return nullptr;
    }
    const std::uint8_t *p = m_data + m_pos;
    m_pos += size;
    return p;
}

bool ArchiveReader::ReadBytes(void *out, std::size_t size)
{
    const std::uint8_t *p = Take(size);
    if (p == nullptr)
        return false;
    if (size != 0)
        std::memcpy(out, p, size);
    return true;
}

bool ArchiveReader::ReadU8(std::uint8_t &value)
{
    const std::uint8_t *p = Take(1);
    if (p == nullptr)
        return false;
    value = p[0];
    return true;
}

bool ArchiveReader::ReadU16(std::uint16_t &value)
{
    const std::uint8_t *p = Take(2);
    if (p == nullptr)
        return false;
    value = static_cast<std::uint16_t>(p[0] | (p[1] << 8));
    return true;
}

bool ArchiveReader::ReadU32(std::uint32_t &value)
{
    const std::uint8_t *p = Take(4);
    if (p == nullptr)
        return false;
    value = static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8)
        | (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
    return true;
}

bool ArchiveReader::ReadI32(std::int32_t &value)
{
    std::uint32_t u = 0;
    if (!ReadU32(u))
        return false;
    value = static_cast<std::int32_t>(u);
    return true;
}

bool ArchiveReader::ReadString(std::string &text)
{
    std::uint8_t b = 0;
    if (!ReadU8(b))
        return false;
    std::uint32_t n = b;
    if (b == 0xFF) {
        std::uint16_t w = 0;
        if (!ReadU16(w))
            return false;
        n = w;
        if (w == 0xFFFF && !ReadU32(n))
            return false;
    }
    // The length is checked against what remains before anything is allocated.
    const std::uint8_t *p = Take(n);
    if (p == nullptr)
        return false;
    text.assign(reinterpret_cast<const char *>(p), n);
    return true;
}

bool ArchiveReader::ReadCount(std::uint32_t &count)
{
    std::uint16_t w = 0;
    if (!ReadU16(w))
        return false;
    if (w != 0xFFFF) {
        count = w;
        return true;
    }
    return ReadU32(count);
}
