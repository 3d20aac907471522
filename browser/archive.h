// The object-archive stream the thumbnail cache is written in: little-endian integers,
// length-prefixed strings and element counts. The reader never trusts a length: every read is
// checked against the bytes that remain, and a failed read leaves the reader failed for good.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class ArchiveWriter
{
public:
    void Reserve(std::size_t bytes) { m_bytes.reserve(bytes); }
    void WriteU8(std::uint8_t value) { m_bytes.push_back(value); }
    void WriteU16(std::uint16_t value);
    void WriteU32(std::uint32_t value);
    void WriteI32(std::int32_t value) { WriteU32(static_cast<std::uint32_t>(value)); }
    void WriteBytes(const void *data, std::size_t size);
    void WriteZeros(std::size_t size) { m_bytes.insert(m_bytes.end(), size, 0); }
    // Length prefix: one byte below 255; 0xFF then 16 bits below 0xFFFE; else 0xFF, 0xFFFF, 32 bits.
    void WriteString(std::string_view text);
    // 16 bits below 0xFFFF, else 0xFFFF followed by 32 bits.
    void WriteCount(std::uint32_t count);

    const std::vector<std::uint8_t> &Bytes() const { return m_bytes; }
    std::vector<std::uint8_t> TakeBytes() { return std::move(m_bytes); }

    // With a sink, Flush hands the bytes gathered so far to it and starts over in the same
    // buffer; a failed sink fails every later flush.
    void SetSink(std::function<bool(const std::uint8_t *, std::size_t)> sink) { m_sink = std::move(sink); }
    bool Flush();
    // Flushes once the buffer holds at least threshold bytes.
    bool FlushIfAbove(std::size_t threshold) { return m_bytes.size() < threshold || Flush(); }

private:
    std::vector<std::uint8_t> m_bytes;
    std::function<bool(const std::uint8_t *, std::size_t)> m_sink;
    bool m_sinkFailed = false;
};

class ArchiveReader
{
public:
    ArchiveReader(const std::uint8_t *data, std::size_t size)
        : m_data(data)
        , m_size(size)
    {
    }
    // A reader over bytes that owner keeps alive; objects read may keep pointers into them.
    ArchiveReader(std::shared_ptr<const std::uint8_t> owner, std::size_t size)
        : m_data(owner.get())
        , m_size(size)
        , m_owner(std::move(owner))
    {
    }
    const std::shared_ptr<const std::uint8_t> &Owner() const { return m_owner; }

    bool ReadU8(std::uint8_t &value);
    bool ReadU16(std::uint16_t &value);
    bool ReadU32(std::uint32_t &value);
    bool ReadI32(std::int32_t &value);
    bool ReadBytes(void *out, std::size_t size);
    // Pointer to the next size bytes (advancing past them), or null when fewer remain.
    const std::uint8_t *Take(std::size_t size);
    bool ReadString(std::string &text);
    bool ReadCount(std::uint32_t &count);

    std::size_t Position() const { return m_pos; }
    std::size_t Remaining() const { return m_size - m_pos; }
    bool Failed() const { return m_failed; }

private:
    bool Fail()
    {
        m_failed = true;
        return false;
    }

    const std::uint8_t *m_data;
    std::size_t m_size;
    std::shared_ptr<const std::uint8_t> m_owner;
    std::size_t m_pos = 0;
    bool m_failed = false;
};
