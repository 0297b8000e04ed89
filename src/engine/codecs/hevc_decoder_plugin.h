#pragma once

namespace kalvimo::codecs {

// Hands libheif's HEVC pictures to libavcodec's decoder, faster than libheif's own, which stays
// the fallback: for a stream libavcodec refuses and wherever a HevcFallback is alive. Once, before
// any decoding; does nothing when the program was built without libavcodec or the machine has
// none.
void RegisterHevcDecoder();

// While one lives, this thread's HEVC pictures go to libheif's own decoder.
class HevcFallback {
public:
    HevcFallback();
    ~HevcFallback();
    HevcFallback(const HevcFallback&) = delete;
    HevcFallback& operator=(const HevcFallback&) = delete;

private:
    bool before_;
};

// Whether this thread's HEVC pictures go to libavcodec now.
bool HevcDecoderInUse();

// Whether this thread's last HEVC picture was refused by libavcodec (and so may yet decode with
// the fallback); cleared by reading it.
bool TakeHevcRefusal();

} // namespace kalvimo::codecs
