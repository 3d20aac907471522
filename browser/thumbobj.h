// A thumbnail cell: a grid item with the picture made from its file (24-bit, bottom-up rows)
// and the source header the codec reported; stored in the folder's cache file.
#pragma once

#include "browser/resourceobj.h"
#include "browser/thumbcodec.h"

#include <memory>

class CThumbOwner;

class CThumbObj : public CResourceObj
{
public:
    explicit CThumbObj(CThumbOwner *owner = nullptr);
    ~CThumbObj() override;

    const char *GetClassName() const override { return "CThumbObj"; }
    // Base fields, then the 40-byte picture header (its image-size field recomputed first), the
    // pixels and the 40-byte source header.
    void Serialize(ArchiveWriter &ar) override;
    // False for a truncated record or a picture header that does not describe its pixels.
    bool Serialize(ArchiveReader &ar) override;
    std::int64_t GetStoreSize() const override;
    // Makes the picture through the owner's codec in the calling thread.
    int MakePicture() override;
    int SetPicture(const void *packedDib, std::size_t size) override;
    void DrawLabel(ItemCanvas &dc, int scrollY) override;
    void DrawPicture(ItemCanvas &dc, int scrollY) override;
    void DrawFrame(ItemCanvas &dc, int scrollY) override;

    // MakePicture in two halves: the state before the codec runs (picture size := box size,
    // picture dropped), and taking what the codec made (possibly on another thread). Shows
    // "Fail to open" through the owner when the file could not be read; 1 on success.
    void BeginPicture();
    int TakePicture(ThumbOutcome &&outcome);

    void SetOwner(CThumbOwner *owner) { m_owner = owner; }
    CThumbOwner *GetOwner() const { return m_owner; }
    const BITMAPINFOHEADER &GetPictureHeader() const { return m_header; }
    const void *GetPictureBits() const { return m_bits; }
    std::size_t GetPictureBitsSize() const { return m_bitsSize; }
    const BITMAPINFOHEADER &GetSourceHeader() const { return m_sourceHeader; }
    // The image-size field as the cache writes it: ((bit count × width + 31) ÷ 32) × 4 × height.
    static std::int64_t ImageByteCount(const BITMAPINFOHEADER &header);

private:
    void FreePicture();

    CThumbOwner *m_owner;
    // The pixels: a block of their own, or a part of the cache file's bytes that the item
    // shares with the other items read from it. Never written after they are set.
    std::shared_ptr<const void> m_pixels;
    const void *m_bits = nullptr;
    std::size_t m_bitsSize = 0;
    BITMAPINFOHEADER m_header {};
    BITMAPINFOHEADER m_sourceHeader {};
};
