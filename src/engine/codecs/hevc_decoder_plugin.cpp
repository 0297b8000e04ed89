#include "hevc_decoder_plugin.h"

#include <cstdint>
#include <cstring>
#include <libheif/heif.h>
#include <libheif/heif_plugin.h>
#include <memory>
#include <vector>

#ifdef KALVIMO_HAVE_AVCODEC
#include <dlfcn.h>
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/log.h>
#include <libavutil/pixdesc.h>
}
#endif

namespace kalvimo::codecs {

namespace {

thread_local bool tFallback = false;
thread_local bool tRefused = false;

} // namespace

HevcFallback::HevcFallback() : before_(tFallback) {
    tFallback = true;
}

HevcFallback::~HevcFallback() {
    tFallback = before_;
}

bool TakeHevcRefusal() {
    const bool refused = tRefused;
    tRefused = false;
    return refused;
}

#ifdef KALVIMO_HAVE_AVCODEC

namespace {

// Above libheif's own decoder, which asks for 100.
constexpr int kPriority = 120;

#define KALVIMO_STRING(x) #x
#define KALVIMO_SONAME(library, major) "lib" library ".so." KALVIMO_STRING(major)

// libavcodec and the eighty libraries it brings are loaded at the first HEIC picture, not when
// the program starts (that tripled its start-up time); the versions the program was built with.
struct Avcodec {
    void* codec = nullptr;
    void* util = nullptr;
    decltype(&avcodec_find_decoder) findDecoder = nullptr;
    decltype(&avcodec_alloc_context3) allocContext = nullptr;
    decltype(&avcodec_free_context) freeContext = nullptr;
    decltype(&avcodec_open2) open = nullptr;
    decltype(&avcodec_send_packet) sendPacket = nullptr;
    decltype(&avcodec_receive_frame) receiveFrame = nullptr;
    decltype(&av_packet_alloc) packetAlloc = nullptr;
    decltype(&av_packet_free) packetFree = nullptr;
    decltype(&av_frame_alloc) frameAlloc = nullptr;
    decltype(&av_frame_free) frameFree = nullptr;
    decltype(&av_buffer_unref) bufferUnref = nullptr;
    decltype(&av_log_set_level) setLogLevel = nullptr;
    decltype(&av_pix_fmt_desc_get) pixelFormat = nullptr;

    template <typename Function>
    static bool Find(void* library, const char* name, Function& function) {
        function = reinterpret_cast<Function>(::dlsym(library, name));
        return function != nullptr;
    }

    bool Load() {
        util = ::dlopen(KALVIMO_SONAME("avutil", LIBAVUTIL_VERSION_MAJOR), RTLD_NOW | RTLD_LOCAL);
        codec =
            ::dlopen(KALVIMO_SONAME("avcodec", LIBAVCODEC_VERSION_MAJOR), RTLD_NOW | RTLD_LOCAL);
        return codec != nullptr && util != nullptr &&
               Find(codec, "avcodec_find_decoder", findDecoder) &&
               Find(codec, "avcodec_alloc_context3", allocContext) &&
               Find(codec, "avcodec_free_context", freeContext) &&
               Find(codec, "avcodec_open2", open) &&
               Find(codec, "avcodec_send_packet", sendPacket) &&
               Find(codec, "avcodec_receive_frame", receiveFrame) &&
               Find(codec, "av_packet_alloc", packetAlloc) &&
               Find(codec, "av_packet_free", packetFree) &&
               Find(util, "av_frame_alloc", frameAlloc) && Find(util, "av_frame_free", frameFree) &&
               Find(util, "av_buffer_unref", bufferUnref) &&
               Find(util, "av_log_set_level", setLogLevel) &&
               Find(util, "av_pix_fmt_desc_get", pixelFormat);
    }
};

// Filled once, before the decoder is registered; read only afterwards.
Avcodec av;

heif_error Failure(const char* message) {
    tRefused = true;
    return {heif_error_Decoder_plugin_error, heif_suberror_Unspecified, message};
}

constexpr heif_error kOk = {heif_error_Ok, heif_suberror_Unspecified, "Success"};

struct ContextFree {
    void operator()(AVCodecContext* context) const { av.freeContext(&context); }
};
struct PacketFree {
    void operator()(AVPacket* packet) const { av.packetFree(&packet); }
};
struct FrameFree {
    void operator()(AVFrame* frame) const { av.frameFree(&frame); }
};
struct ImageRelease {
    void operator()(heif_image* image) const { heif_image_release(image); }
};

// One coded picture: libheif pushes its parameter sets and slices as NAL units, each after a
// four-byte length; libavcodec takes them after start codes.
struct Decoder {
    std::vector<std::uint8_t> stream;
};

const char* PluginName() {
    return "libavcodec HEVC";
}

void InitPlugin() {
    // Damaged files are refused with a reason of their own; the library's own notes go nowhere.
    av.setLogLevel(AV_LOG_QUIET);
}

int SupportsFormat(heif_compression_format format) {
    return format == heif_compression_HEVC && !tFallback ? kPriority : 0;
}

heif_error NewDecoder(void** decoder) {
    *decoder = new (std::nothrow) Decoder;
    return *decoder != nullptr ? kOk : Failure("not enough memory");
}

void FreeDecoder(void* decoder) {
    delete static_cast<Decoder*>(decoder);
}

heif_error PushData(void* decoder, const void* data, size_t size) {
    auto& stream = static_cast<Decoder*>(decoder)->stream;
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    constexpr std::uint8_t kStartCode[] = {0, 0, 0, 1};
    std::size_t at = 0;
    while (size - at >= 4) {
        const std::size_t length = std::size_t{bytes[at]} << 24 | std::size_t{bytes[at + 1]} << 16 |
                                   std::size_t{bytes[at + 2]} << 8 | bytes[at + 3];
        at += 4;
        if (length > size - at) {
            return Failure("a NAL unit runs past the picture data");
        }
        stream.insert(stream.end(), std::begin(kStartCode), std::end(kStartCode));
        stream.insert(stream.end(), bytes + at, bytes + at + length);
        at += length;
    }
    return at == size ? kOk : Failure("the picture data ends inside a NAL unit's length");
}

// The planes of a decoded frame, moved into a picture of libheif's: each is let go once copied,
// so the two pictures are never whole side by side.
heif_error ToHeifImage(AVFrame& frame, heif_image** out) {
    const AVPixFmtDescriptor* format = av.pixelFormat(static_cast<AVPixelFormat>(frame.format));
    if (format == nullptr || (format->flags & (AV_PIX_FMT_FLAG_BE | AV_PIX_FMT_FLAG_RGB |
                                               AV_PIX_FMT_FLAG_PAL | AV_PIX_FMT_FLAG_ALPHA)) != 0) {
        return Failure("the decoder gave an unknown layout of samples");
    }
    const int bits = format->comp[0].depth;
    const bool grey = format->nb_components == 1;
    heif_chroma chroma = heif_chroma_monochrome;
    if (!grey) {
        const int h = format->log2_chroma_w;
        const int v = format->log2_chroma_h;
        chroma = h == 1 && v == 1   ? heif_chroma_420
                 : h == 1 && v == 0 ? heif_chroma_422
                 : h == 0 && v == 0 ? heif_chroma_444
                                    : heif_chroma_undefined;
    }
    if (chroma == heif_chroma_undefined || bits < 8 || bits > 16 || frame.width <= 0 ||
        frame.height <= 0) {
        return Failure("the decoder gave an unknown layout of samples");
    }
    heif_image* created = nullptr;
    heif_error error = heif_image_create(frame.width, frame.height,
                                         grey ? heif_colorspace_monochrome : heif_colorspace_YCbCr,
                                         chroma, &created);
    std::unique_ptr<heif_image, ImageRelease> image(created);
    if (error.code != heif_error_Ok) {
        return error;
    }
    const heif_channel channels[] = {heif_channel_Y, heif_channel_Cb, heif_channel_Cr};
    const int planes = grey ? 1 : 3;
    // Only a plane in a buffer of its own can be let go before the others are copied.
    bool ownBuffers = true;
    for (int c = 0; c < planes; ++c) {
        ownBuffers = ownBuffers && frame.buf[c] != nullptr && frame.buf[c]->data == frame.data[c];
    }
    const int bytesPerSample = bits > 8 ? 2 : 1;
    for (int c = 0; c < planes; ++c) {
        const int shiftX = c == 0 ? 0 : format->log2_chroma_w;
        const int shiftY = c == 0 ? 0 : format->log2_chroma_h;
        const int width = -((-frame.width) >> shiftX);
        const int height = -((-frame.height) >> shiftY);
        error = heif_image_add_plane(image.get(), channels[c], width, height, bits);
        if (error.code != heif_error_Ok) {
            return error;
        }
        int stride = 0;
        std::uint8_t* plane = heif_image_get_plane(image.get(), channels[c], &stride);
        if (plane == nullptr || frame.data[c] == nullptr) {
            return Failure("not enough memory");
        }
        const auto rowBytes = static_cast<std::size_t>(width * bytesPerSample);
        for (int y = 0; y < height; ++y) {
            std::memcpy(plane + static_cast<std::ptrdiff_t>(stride) * y,
                        frame.data[c] + static_cast<std::ptrdiff_t>(frame.linesize[c]) * y,
                        rowBytes);
        }
        if (ownBuffers) {
            av.bufferUnref(&frame.buf[c]);
            frame.data[c] = nullptr;
        }
    }
    *out = image.release();
    return kOk;
}

heif_error DecodeImage(void* decoder, heif_image** out) {
    *out = nullptr;
    auto& stream = static_cast<Decoder*>(decoder)->stream;
    const AVCodec* codec = av.findDecoder(AV_CODEC_ID_HEVC);
    if (codec == nullptr) {
        return Failure("no HEVC decoder");
    }
    std::unique_ptr<AVCodecContext, ContextFree> context(av.allocContext(codec));
    const std::unique_ptr<AVPacket, PacketFree> packet(av.packetAlloc());
    const std::unique_ptr<AVFrame, FrameFree> frame(av.frameAlloc());
    if (!context || !packet || !frame) {
        return Failure("not enough memory");
    }
    // The batch decodes a picture per processor already.
    context->thread_count = 1;
    if (av.open(context.get(), codec, nullptr) < 0) {
        return Failure("the HEVC decoder could not start");
    }
    const std::size_t size = stream.size();
    if (size > INT32_MAX) {
        return Failure("the HEVC data is too large");
    }
    // libavcodec reads up to its padding past the end of a packet.
    stream.resize(size + AV_INPUT_BUFFER_PADDING_SIZE, 0);
    packet->data = stream.data();
    packet->size = static_cast<int>(size);
    if (av.sendPacket(context.get(), packet.get()) < 0 ||
        av.sendPacket(context.get(), nullptr) < 0 ||
        av.receiveFrame(context.get(), frame.get()) < 0 || frame->decode_error_flags != 0 ||
        (frame->flags & AV_FRAME_FLAG_CORRUPT) != 0) {
        return Failure("the HEVC data could not be decoded");
    }
    // The frame holds its planes on its own: the decoder's memory and the coded data go first.
    context.reset();
    std::vector<std::uint8_t>().swap(stream);
    return ToHeifImage(*frame, out);
}

void SetStrictDecoding(void*, int) {}

const heif_decoder_plugin kPlugin{.plugin_api_version = 3,
                                  .get_plugin_name = PluginName,
                                  .init_plugin = InitPlugin,
                                  .deinit_plugin = nullptr,
                                  .does_support_format = SupportsFormat,
                                  .new_decoder = NewDecoder,
                                  .free_decoder = FreeDecoder,
                                  .push_data = PushData,
                                  .decode_image = DecodeImage,
                                  .set_strict_decoding = SetStrictDecoding,
                                  .id_name = "kalvimo-avcodec"};

bool registered = false;

} // namespace

void RegisterHevcDecoder() {
    registered = av.Load() && heif_register_decoder_plugin(&kPlugin).code == heif_error_Ok;
}

bool HevcDecoderInUse() {
    return registered && !tFallback;
}

#else

void RegisterHevcDecoder() {}

bool HevcDecoderInUse() {
    return false;
}

#endif

} // namespace kalvimo::codecs
