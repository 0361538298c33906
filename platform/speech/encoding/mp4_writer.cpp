// AAC in MP4 through FFmpeg's iPod muxer: an .m4a ("M4A ") or an audiobook .m4b
// ("M4B "), with iTunes tags and a chapter track (written with the index at the
// end). The priming is trimmed by an edit list: the packets' timestamps start at
// minus the priming, and the last packet lasts only to the file's end.
#include "container_writers.h"

#include "aac_encoder.h"
#include "ffmpeg_file_output.h"

#include <sapi.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>

namespace speech {
namespace {

struct FormatContextFree {
    const FfmpegLibrary* library;
    void operator()(AVFormatContext* context) const { library->FreeFormatContext(context); }
};
using FormatContextPtr = std::unique_ptr<AVFormatContext, FormatContextFree>;

class Mp4Writer final : public ContainerWriter {
public:
    Mp4Writer(const FfmpegLibrary& library, FileSink& out, bool audiobook)
        : library_(library), out_(out), audiobook_(audiobook), context_(nullptr, {&library}),
          packet_(library.PacketAlloc(), {&library})
    {
    }

    HRESULT Begin(const ContainerPlan& plan) override
    {
        if (!packet_) return E_OUTOFMEMORY;
        output_ = FfmpegFileOutput::Create(library_, out_);
        if (!output_) return E_OUTOFMEMORY;
        AVFormatContext* context = nullptr;
        if (int error = library_.AllocOutputContext(&context, nullptr, "ipod", nullptr); error < 0)
            return FfmpegFailure(error);
        context_.reset(context);
        context->pb = output_->context();
        context->flags |= AVFMT_FLAG_CUSTOM_IO;
        rate_ = AVRational{1, static_cast<int>(plan.sampleRate)};
        if (HRESULT hr = AddStream(plan); FAILED(hr)) return hr;
        if (HRESULT hr = AddTags(plan.tags); FAILED(hr)) return hr;
        if (HRESULT hr = AddChapters(plan); FAILED(hr)) return hr;
        AVDictionary* options = nullptr;
        // The movie's clock at the sample rate: its duration is the plan's to the sample.
        library_.DictSet(&options, "movie_timescale", std::to_string(plan.sampleRate).c_str(), 0);
        if (audiobook_) library_.DictSet(&options, "brand", "M4B ", 0);
        const int error = library_.WriteHeader(context, &options);
        library_.DictFree(&options);
        if (error < 0) return output_->Failure(FfmpegFailure(error));
        next_ = -static_cast<std::int64_t>(plan.priming);
        end_ = static_cast<std::int64_t>(plan.samples);
        return S_OK;
    }

    HRESULT Packet(const std::uint8_t* data, std::size_t size, std::uint32_t duration) override
    {
        if (int error = library_.NewPacket(packet_.get(), static_cast<int>(size)); error < 0) return FfmpegFailure(error);
        std::memcpy(packet_->data, data, size);
        packet_->pts = packet_->dts = next_;
        // The last frame's padding is cut where the file ends.
        packet_->duration = std::max<std::int64_t>(1, std::min<std::int64_t>(duration, end_ - next_));
        next_ += duration;
        packet_->stream_index = 0;
        library_.PacketRescaleTs(packet_.get(), rate_, stream_->time_base);
        const int error = library_.WriteFrame(context_.get(), packet_.get());
        library_.PacketUnref(packet_.get());
        return error < 0 ? output_->Failure(FfmpegFailure(error)) : S_OK;
    }

    HRESULT End() override
    {
        if (int error = library_.WriteTrailer(context_.get()); error < 0) return output_->Failure(FfmpegFailure(error));
        library_.IoFlush(output_->context());
        if (FAILED(out_.error())) return out_.error();
        return out_.Flush();
    }

private:
    HRESULT AddStream(const ContainerPlan& plan)
    {
        HRESULT hr = S_OK;
        CodecContextPtr encoder = OpenAacEncoder(library_, plan.sampleRate, plan.channels, &hr);
        if (!encoder) return hr;
        stream_ = library_.NewStream(context_.get(), nullptr);
        if (!stream_) return E_OUTOFMEMORY;
        if (int error = library_.ParametersFromContext(stream_->codecpar, encoder.get()); error < 0)
            return FfmpegFailure(error);
        stream_->time_base = rate_;
        return S_OK;
    }

    HRESULT AddTags(const AudioTags& tags)
    {
        const std::pair<const char*, const std::string*> named[] = {
            {"title", &tags.title}, {"artist", &tags.artist}, {"album", &tags.album}, {"track", &tags.track}};
        for (const auto& [key, value] : named)
            if (!value->empty())
                if (int error = library_.DictSet(&context_->metadata, key, value->c_str(), 0); error < 0)
                    return FfmpegFailure(error);
        return S_OK;
    }

    // Each chapter ends where the next begins, the last at the file's end. The
    // chapter track has no room before its first chapter, which therefore begins
    // the file (as a document's first chapter begins its text), in the Nero
    // chapter list too.
    HRESULT AddChapters(const ContainerPlan& plan)
    {
        for (std::size_t i = 0; i < plan.chapters.size(); ++i) {
            auto* chapter = static_cast<AVChapter*>(library_.Mallocz(sizeof(AVChapter)));
            if (!chapter) return E_OUTOFMEMORY;
            chapter->id = static_cast<std::int64_t>(i);
            chapter->time_base = rate_;
            chapter->start = i == 0 ? 0 : static_cast<std::int64_t>(plan.chapters[i].start);
            chapter->end = static_cast<std::int64_t>(i + 1 < plan.chapters.size() ? plan.chapters[i + 1].start
                                                                                 : plan.samples);
            int count = static_cast<int>(context_->nb_chapters);
            if (library_.DynarrayAdd(&context_->chapters, &count, chapter) < 0) {
                library_.Free(chapter);
                return E_OUTOFMEMORY;
            }
            context_->nb_chapters = static_cast<unsigned>(count);
            if (int error = library_.DictSet(&chapter->metadata, "title", plan.chapters[i].title.c_str(), 0); error < 0)
                return FfmpegFailure(error);
        }
        return S_OK;
    }

    const FfmpegLibrary& library_;
    FileSink& out_;
    bool audiobook_;
    std::unique_ptr<FfmpegFileOutput> output_;  // outlives the context that writes through it
    FormatContextPtr context_;
    PacketPtr packet_;
    AVStream* stream_ = nullptr;
    AVRational rate_{1, 22050};
    std::int64_t next_ = 0;  // the next packet's timestamp, in samples
    std::int64_t end_ = 0;
};

}  // namespace

std::unique_ptr<ContainerWriter> CreateMp4Writer(FileSink& out, bool audiobook, HRESULT* hr)
{
    const FfmpegLibrary* library = FfmpegLibrary::Load(hr);
    if (!library) return nullptr;
    return std::make_unique<Mp4Writer>(*library, out, audiobook);
}

}  // namespace speech
