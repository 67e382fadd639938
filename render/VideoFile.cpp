#include "render/VideoFile.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cstring>
#include <vector>

#include "render/Encoders.h"

struct VideoFile::Impl {
    std::string name;
    AVFormatContext* format = nullptr;
    AVCodecContext* video = nullptr;
    AVCodecContext* audio = nullptr;
    AVStream* videoStream = nullptr;
    AVStream* audioStream = nullptr;
    SwrContext* resampler = nullptr;
    AVAudioFifo* fifo = nullptr;
    AVFrame* audioFrame = nullptr;
    AVPacket* packet = nullptr;
    std::vector<uint8_t> converted;  // one resampled block, planar or interleaved as the encoder wants
    int64_t videoPts = 0;
    int64_t audioPts = 0;            // in samples at the encoder's rate
    bool headerWritten = false;

    ~Impl()
    {
        av_packet_free(&packet);
        av_frame_free(&audioFrame);
        if (fifo) av_audio_fifo_free(fifo);
        swr_free(&resampler);
        avcodec_free_context(&video);
        avcodec_free_context(&audio);
        if (format) {
            if (format->pb) avio_closep(&format->pb);
            avformat_free_context(format);
        }
    }

    bool failed(std::string& error, const std::string& what, int code)
    {
        error = writeFailure(name, what, code);
        return false;
    }

    // Sends one frame (null: drain) to `codec` and writes every packet it gives back.
    bool encode(AVCodecContext* codec, AVStream* stream, AVFrame* frame, std::string& error)
    {
        int result = avcodec_send_frame(codec, frame);
        if (result < 0) return failed(error, "encoding failed", result);
        for (;;) {
            result = avcodec_receive_packet(codec, packet);
            if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return true;
            if (result < 0) return failed(error, "encoding failed", result);
            av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
            packet->stream_index = stream->index;
            result = av_interleaved_write_frame(format, packet);
            if (result < 0) return failed(error, "writing failed", result);
        }
    }

    // Encodes whole encoder frames from the fifo; with `all`, the short last one too.
    bool drainFifo(bool all, std::string& error)
    {
        const int size = audio->frame_size > 0 ? audio->frame_size : 1024;
        while (av_audio_fifo_size(fifo) >= size || (all && av_audio_fifo_size(fifo) > 0)) {
            av_frame_unref(audioFrame);
            audioFrame->nb_samples = std::min(size, av_audio_fifo_size(fifo));
            audioFrame->format = audio->sample_fmt;
            audioFrame->sample_rate = audio->sample_rate;
            av_channel_layout_copy(&audioFrame->ch_layout, &audio->ch_layout);
            int result = av_frame_get_buffer(audioFrame, 0);
            if (result < 0) return failed(error, "out of memory", result);
            av_audio_fifo_read(fifo, reinterpret_cast<void**>(audioFrame->data), audioFrame->nb_samples);
            audioFrame->pts = audioPts;
            audioPts += audioFrame->nb_samples;
            if (!encode(audio, audioStream, audioFrame, error)) return false;
        }
        return true;
    }

    // Converts and queues `frames` input frames (null input: what the resampler still holds).
    bool resample(const float* interleaved, int frames, std::string& error)
    {
        const int room = swr_get_out_samples(resampler, frames);
        if (room <= 0) return true;
        const int planes = av_sample_fmt_is_planar(audio->sample_fmt) ? audio->ch_layout.nb_channels : 1;
        const int bytesPerPlane = room * av_get_bytes_per_sample(audio->sample_fmt) *
                                  (planes == 1 ? audio->ch_layout.nb_channels : 1);
        converted.resize(static_cast<size_t>(bytesPerPlane) * planes);
        uint8_t* out[AV_NUM_DATA_POINTERS] = {};
        for (int p = 0; p < planes; ++p) out[p] = converted.data() + static_cast<size_t>(p) * bytesPerPlane;
        const uint8_t* in[1] = {reinterpret_cast<const uint8_t*>(interleaved)};
        const int made = swr_convert(resampler, out, room, interleaved ? in : nullptr, interleaved ? frames : 0);
        if (made < 0) return failed(error, "sound conversion failed", made);
        if (made > 0 && av_audio_fifo_write(fifo, reinterpret_cast<void**>(out), made) < made)
            return failed(error, "out of memory", AVERROR(ENOMEM));
        return true;
    }
};

VideoFile::~VideoFile()
{
    delete impl_;
}

bool VideoFile::open(const std::string& path, const std::string& name, const Container& container,
                     const Settings& s, std::string& error)
{
    delete impl_;
    impl_ = new Impl;
    Impl& f = *impl_;
    f.name = name;
    const int quality = s.quality < 0 ? container.defaultQuality : s.quality;
    if (quality > container.maxQuality) {
        error = "--quality " + std::to_string(quality) + ": " + container.extension + " takes 0 to " +
                std::to_string(container.maxQuality);
        return false;
    }
    av_log_set_level(AV_LOG_QUIET);  // failures come back as results, and are reported as one line
    int result = avformat_alloc_output_context2(&f.format, nullptr, container.format, path.c_str());
    if (result < 0) return f.failed(error, std::string("no '") + container.format + "' muxer", result);

    const bool globalHeader = f.format->oformat->flags & AVFMT_GLOBALHEADER;
    if (!(f.video = openVideoEncoder(container, s, quality, globalHeader, f.name, error))) return false;
    f.videoStream = avformat_new_stream(f.format, nullptr);
    if (!f.videoStream) return f.failed(error, "out of memory", AVERROR(ENOMEM));
    f.videoStream->time_base = f.video->time_base;
    f.videoStream->avg_frame_rate = f.video->framerate;
    avcodec_parameters_from_context(f.videoStream->codecpar, f.video);

    if (!(f.audio = openAudioEncoder(container, globalHeader, f.name, error))) return false;
    f.audioStream = avformat_new_stream(f.format, nullptr);
    if (!f.audioStream) return f.failed(error, "out of memory", AVERROR(ENOMEM));
    f.audioStream->time_base = f.audio->time_base;
    avcodec_parameters_from_context(f.audioStream->codecpar, f.audio);

    AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    result = swr_alloc_set_opts2(&f.resampler, &f.audio->ch_layout, f.audio->sample_fmt, f.audio->sample_rate,
                                 &stereo, AV_SAMPLE_FMT_FLT, kInputRate, 0, nullptr);
    if (result >= 0) result = swr_init(f.resampler);
    if (result < 0) return f.failed(error, "sound conversion failed", result);
    f.fifo = av_audio_fifo_alloc(f.audio->sample_fmt, f.audio->ch_layout.nb_channels, 4096);
    f.audioFrame = av_frame_alloc();
    f.packet = av_packet_alloc();
    if (!f.fifo || !f.audioFrame || !f.packet) return f.failed(error, "out of memory", AVERROR(ENOMEM));

    result = avio_open(&f.format->pb, path.c_str(), AVIO_FLAG_WRITE);
    if (result < 0) return f.failed(error, "cannot open it", result);
    AVDictionary* options = nullptr;
    if (std::strcmp(container.format, "mp4") == 0) av_dict_set(&options, "movflags", "+faststart", 0);
    result = avformat_write_header(f.format, &options);
    av_dict_free(&options);
    if (result < 0) return f.failed(error, "writing failed", result);
    f.headerWritten = true;
    return true;
}

AVFrame* VideoFile::newPicture() const
{
    AVFrame* picture = av_frame_alloc();
    if (!picture) return nullptr;
    picture->format = impl_->video->pix_fmt;
    picture->width = impl_->video->width;
    picture->height = impl_->video->height;
    picture->color_primaries = impl_->video->color_primaries;
    picture->color_trc = impl_->video->color_trc;
    picture->colorspace = impl_->video->colorspace;
    picture->color_range = impl_->video->color_range;
    if (av_frame_get_buffer(picture, 0) < 0) av_frame_free(&picture);
    return picture;
}

bool VideoFile::writeVideo(AVFrame* picture, std::string& error)
{
    Impl& f = *impl_;
    picture->pts = f.videoPts++;
    return f.encode(f.video, f.videoStream, picture, error);
}

bool VideoFile::writeAudio(const float* interleaved, int frames, std::string& error)
{
    if (frames <= 0) return true;
    return impl_->resample(interleaved, frames, error) && impl_->drainFifo(false, error);
}

bool VideoFile::finish(std::string& error)
{
    Impl& f = *impl_;
    if (!f.resample(nullptr, 0, error) || !f.drainFifo(true, error)) return false;
    if (!f.encode(f.audio, f.audioStream, nullptr, error) || !f.encode(f.video, f.videoStream, nullptr, error))
        return false;
    int result = av_write_trailer(f.format);
    if (result < 0) return f.failed(error, "writing failed", result);
    result = avio_closep(&f.format->pb);
    if (result < 0) return f.failed(error, "writing failed", result);
    return true;
}
