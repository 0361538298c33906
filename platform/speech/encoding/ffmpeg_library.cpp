#include "ffmpeg_library.h"

#include "../module_calls.h"

#include <sapi.h>
#include <winbase.h>

#include <dlfcn.h>

#include <cerrno>
#include <iterator>
#include <mutex>

namespace speech {
namespace {

using modules::FindSymbol;

// In the order they need each other: libavcodec's libavutil is the one loaded first.
constexpr const char* kLibraryNames[] = {"libavutil.so.57", "libavcodec.so.59", "libavformat.so.59"};

bool FindUtilities(void* h, FfmpegLibrary& f)
{
    return FindSymbol(h, "av_log_set_level", f.LogSetLevel) && FindSymbol(h, "av_malloc", f.Malloc)
        && FindSymbol(h, "av_mallocz", f.Mallocz) && FindSymbol(h, "av_free", f.Free)
        && FindSymbol(h, "av_freep", f.Freep) && FindSymbol(h, "av_dynarray_add_nofree", f.DynarrayAdd)
        && FindSymbol(h, "av_dict_set", f.DictSet) && FindSymbol(h, "av_dict_free", f.DictFree)
        && FindSymbol(h, "av_channel_layout_default", f.ChannelLayoutDefault)
        && FindSymbol(h, "av_frame_alloc", f.FrameAlloc) && FindSymbol(h, "av_frame_free", f.FrameFree)
        && FindSymbol(h, "av_frame_get_buffer", f.FrameGetBuffer)
        && FindSymbol(h, "av_frame_make_writable", f.FrameMakeWritable);
}

bool FindCodecs(void* h, FfmpegLibrary& f)
{
    return FindSymbol(h, "avcodec_find_encoder_by_name", f.FindEncoderByName)
        && FindSymbol(h, "avcodec_alloc_context3", f.AllocContext) && FindSymbol(h, "avcodec_open2", f.Open)
        && FindSymbol(h, "avcodec_free_context", f.FreeContext) && FindSymbol(h, "avcodec_send_frame", f.SendFrame)
        && FindSymbol(h, "avcodec_receive_packet", f.ReceivePacket)
        && FindSymbol(h, "avcodec_parameters_from_context", f.ParametersFromContext)
        && FindSymbol(h, "av_packet_alloc", f.PacketAlloc) && FindSymbol(h, "av_packet_free", f.PacketFree)
        && FindSymbol(h, "av_packet_unref", f.PacketUnref) && FindSymbol(h, "av_new_packet", f.NewPacket)
        && FindSymbol(h, "av_packet_rescale_ts", f.PacketRescaleTs);
}

bool FindFormats(void* h, FfmpegLibrary& f)
{
    return FindSymbol(h, "avformat_alloc_output_context2", f.AllocOutputContext)
        && FindSymbol(h, "avformat_free_context", f.FreeFormatContext)
        && FindSymbol(h, "avformat_new_stream", f.NewStream) && FindSymbol(h, "avformat_write_header", f.WriteHeader)
        && FindSymbol(h, "av_write_frame", f.WriteFrame) && FindSymbol(h, "av_write_trailer", f.WriteTrailer)
        && FindSymbol(h, "avio_alloc_context", f.IoAllocContext)
        && FindSymbol(h, "avio_context_free", f.IoContextFree) && FindSymbol(h, "avio_flush", f.IoFlush);
}

}  // namespace

const FfmpegLibrary* FfmpegLibrary::Load(HRESULT* hr)
{
    static std::mutex mutex;
    static std::unique_ptr<FfmpegLibrary> loaded;
    std::lock_guard lock(mutex);
    *hr = HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
    // Each call opens the libraries again (a count, once they are in), so that a
    // library that went missing is noticed.
    void* handles[std::size(kLibraryNames)] = {};
    for (std::size_t i = 0; i < std::size(kLibraryNames); ++i) {
        handles[i] = modules::Calls().open(kLibraryNames[i], RTLD_NOW | RTLD_LOCAL);
        if (!handles[i]) {
            for (std::size_t j = 0; j < i; ++j) dlclose(handles[j]);
            return nullptr;
        }
    }
    if (loaded) {
        for (void* handle : handles) dlclose(handle);  // the loaded copies' counts stay
        *hr = S_OK;
        return loaded.get();
    }
    std::unique_ptr<FfmpegLibrary> library(new FfmpegLibrary);
    if (!FindUtilities(handles[0], *library) || !FindCodecs(handles[1], *library)
        || !FindFormats(handles[2], *library)) {
        for (void* handle : handles) dlclose(handle);
        return nullptr;
    }
    // FFmpeg's notes would reach the program's standard error; failures come back as values.
    library->LogSetLevel(AV_LOG_QUIET);
    loaded = std::move(library);
    *hr = S_OK;
    return loaded.get();
}

HRESULT FfmpegFailure(int error)
{
    return error == AVERROR(ENOMEM) ? E_OUTOFMEMORY : SPERR_ENGINE_FAILED;
}

}  // namespace speech
