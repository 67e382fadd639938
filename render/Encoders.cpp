#include "render/Encoders.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <cstring>

namespace {
constexpr int kAudioBitRate = 192000;

AVCodecContext* newEncoder(const char* encoder, const std::string& name, std::string& error, const AVCodec*& codec)
{
    codec = avcodec_find_encoder_by_name(encoder);
    if (!codec) {
        error = "cannot write '" + name + "': this FFmpeg has no '" + encoder + "' encoder";
        return nullptr;
    }
    AVCodecContext* context = avcodec_alloc_context3(codec);
    if (!context) error = "cannot write '" + name + "': out of memory";
    return context;
}

// Opens `context` with `options` (which it frees); on a failure frees the context too.
AVCodecContext* start(AVCodecContext* context, const AVCodec* codec, AVDictionary** options, const char* encoder,
                      const std::string& name, std::string& error)
{
    const int result = avcodec_open2(context, codec, options);
    av_dict_free(options);
    if (result >= 0) return context;
    error = writeFailure(name, std::string("cannot start the ") + encoder + " encoder", result);
    avcodec_free_context(&context);
    return nullptr;
}
}  // namespace

std::string writeFailure(const std::string& name, const std::string& what, int code)
{
    char reason[AV_ERROR_MAX_STRING_SIZE] = {};
    if (code) av_strerror(code, reason, sizeof reason);
    return "cannot write '" + name + "': " + what + (code ? ": " + std::string(reason) : std::string());
}

AVCodecContext* openVideoEncoder(const Container& container, const VideoFile::Settings& s, int quality,
                                 bool globalHeader, const std::string& name, std::string& error)
{
    const AVCodec* codec = nullptr;
    AVCodecContext* video = newEncoder(container.videoEncoder, name, error, codec);
    if (!video) return nullptr;
    video->width = s.width;
    video->height = s.height;
    video->time_base = AVRational{1, s.fps};
    video->framerate = AVRational{s.fps, 1};
    video->pix_fmt = AV_PIX_FMT_YUV420P;
    video->color_primaries = AVCOL_PRI_BT709;
    video->color_trc = AVCOL_TRC_BT709;
    video->colorspace = AVCOL_SPC_BT709;
    video->color_range = AVCOL_RANGE_MPEG;
    video->gop_size = 2 * s.fps;  // for seeking
    if (globalHeader) video->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVDictionary* options = nullptr;
    av_dict_set_int(&options, "crf", quality, 0);
    if (std::strcmp(container.videoEncoder, "libx264") == 0) {
        av_dict_set(&options, "preset", s.preset, 0);
    } else {
        // VP9 in constant-quality mode, at its fast real-time speed with row threads.
        av_dict_set_int(&options, "b", 0, 0);
        av_dict_set(&options, "deadline", "realtime", 0);
        av_dict_set_int(&options, "cpu-used", 8, 0);
        av_dict_set_int(&options, "row-mt", 1, 0);
    }
    return start(video, codec, &options, container.videoEncoder, name, error);
}

AVCodecContext* openAudioEncoder(const Container& container, bool globalHeader, const std::string& name,
                                 std::string& error)
{
    const AVCodec* codec = nullptr;
    AVCodecContext* audio = newEncoder(container.audioEncoder, name, error, codec);
    if (!audio) return nullptr;
    int rate = kInputRate;  // AAC takes it; Opus gets 48000 Hz
    if (codec->supported_samplerates) {
        rate = 0;
        for (const int* r = codec->supported_samplerates; *r; ++r)
            if (*r >= kInputRate && (rate == 0 || *r < rate)) rate = *r;
    }
    audio->sample_rate = rate;
    audio->sample_fmt = codec->sample_fmts ? codec->sample_fmts[0] : AV_SAMPLE_FMT_FLTP;
    audio->ch_layout = AV_CHANNEL_LAYOUT_STEREO;
    audio->bit_rate = kAudioBitRate;
    audio->time_base = AVRational{1, rate};
    if (globalHeader) audio->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVDictionary* options = nullptr;
    return start(audio, codec, &options, container.audioEncoder, name, error);
}
