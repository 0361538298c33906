// FFmpeg's libavcodec, libavformat and libavutil, loaded at run time and only for
// an .m4a or .m4b file: they bring in some 130 libraries, 50 to 370 ms of loading
// that no other file needs. Loaded once and never unloaded (their dependencies
// keep global state); a machine without them writes every other container.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/dict.h>
#include <libavutil/frame.h>
#include <libavutil/log.h>
#include <libavutil/mem.h>
}

#include <winerror.h>

#include <memory>

namespace speech {

class FfmpegLibrary {
public:
    // The process's FFmpeg; nullptr with *hr (the module was not found) when a
    // library or a function of it is missing (tried again on the next call).
    static const FfmpegLibrary* Load(HRESULT* hr);

    // libavutil
    decltype(&av_log_set_level) LogSetLevel = nullptr;
    decltype(&av_malloc) Malloc = nullptr;
    decltype(&av_mallocz) Mallocz = nullptr;
    decltype(&av_free) Free = nullptr;
    decltype(&av_freep) Freep = nullptr;
    decltype(&av_dynarray_add_nofree) DynarrayAdd = nullptr;
    decltype(&av_dict_set) DictSet = nullptr;
    decltype(&av_dict_free) DictFree = nullptr;
    decltype(&av_channel_layout_default) ChannelLayoutDefault = nullptr;
    decltype(&av_frame_alloc) FrameAlloc = nullptr;
    decltype(&av_frame_free) FrameFree = nullptr;
    decltype(&av_frame_get_buffer) FrameGetBuffer = nullptr;
    decltype(&av_frame_make_writable) FrameMakeWritable = nullptr;
    // libavcodec
    decltype(&avcodec_find_encoder_by_name) FindEncoderByName = nullptr;
    decltype(&avcodec_alloc_context3) AllocContext = nullptr;
    decltype(&avcodec_open2) Open = nullptr;
    decltype(&avcodec_free_context) FreeContext = nullptr;
    decltype(&avcodec_send_frame) SendFrame = nullptr;
    decltype(&avcodec_receive_packet) ReceivePacket = nullptr;
    decltype(&avcodec_parameters_from_context) ParametersFromContext = nullptr;
    decltype(&av_packet_alloc) PacketAlloc = nullptr;
    decltype(&av_packet_free) PacketFree = nullptr;
    decltype(&av_packet_unref) PacketUnref = nullptr;
    decltype(&av_new_packet) NewPacket = nullptr;
    decltype(&av_packet_rescale_ts) PacketRescaleTs = nullptr;
    // libavformat
    decltype(&avformat_alloc_output_context2) AllocOutputContext = nullptr;
    decltype(&avformat_free_context) FreeFormatContext = nullptr;
    decltype(&avformat_new_stream) NewStream = nullptr;
    decltype(&avformat_write_header) WriteHeader = nullptr;
    decltype(&av_write_frame) WriteFrame = nullptr;
    decltype(&av_write_trailer) WriteTrailer = nullptr;
    decltype(&avio_alloc_context) IoAllocContext = nullptr;
    decltype(&avio_context_free) IoContextFree = nullptr;
    decltype(&avio_flush) IoFlush = nullptr;

private:
    FfmpegLibrary() = default;
};

// The owners of FFmpeg's objects, freed through the library that made them.
struct CodecContextFree {
    const FfmpegLibrary* library;
    void operator()(AVCodecContext* context) const { library->FreeContext(&context); }
};
using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextFree>;

struct FrameFree {
    const FfmpegLibrary* library;
    void operator()(AVFrame* frame) const { library->FrameFree(&frame); }
};
using FramePtr = std::unique_ptr<AVFrame, FrameFree>;

struct PacketFree {
    const FfmpegLibrary* library;
    void operator()(AVPacket* packet) const { library->PacketFree(&packet); }
};
using PacketPtr = std::unique_ptr<AVPacket, PacketFree>;

// The HRESULT of a failed FFmpeg call: out of memory, or the codec's failure.
HRESULT FfmpegFailure(int error);

}  // namespace speech
