#include "tests/support/VideoReader.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <memory>

namespace {
struct Decoder {
    AVCodecContext* context = nullptr;
    int stream = -1;
    ~Decoder() { avcodec_free_context(&context); }
};

bool openDecoder(AVFormatContext* format, AVMediaType type, Decoder& d)
{
    d.stream = av_find_best_stream(format, type, -1, -1, nullptr, 0);
    if (d.stream < 0) return false;
    const AVCodecParameters* parameters = format->streams[d.stream]->codecpar;
    const AVCodec* codec = avcodec_find_decoder(parameters->codec_id);
    d.context = avcodec_alloc_context3(codec);
    avcodec_parameters_to_context(d.context, parameters);
    d.context->thread_count = 1;
    return avcodec_open2(d.context, codec, nullptr) == 0;
}

void keepPicture(const AVFrame* f, DecodedVideo& v)
{
    std::vector<uint8_t> planes;
    for (int p = 0; p < 3; ++p) {
        const int w = p ? (f->width + 1) / 2 : f->width, h = p ? (f->height + 1) / 2 : f->height;
        for (int y = 0; y < h; ++y) planes.insert(planes.end(), f->data[p] + y * f->linesize[p], f->data[p] + y * f->linesize[p] + w);
    }
    v.frames.push_back(std::move(planes));
}

void keepSound(SwrContext* convert, const AVFrame* f, DecodedVideo& v)
{
    std::vector<float> out(static_cast<size_t>(swr_get_out_samples(convert, f->nb_samples)) * v.audioChannels);
    uint8_t* planes[1] = {reinterpret_cast<uint8_t*>(out.data())};
    const int made = swr_convert(convert, planes, static_cast<int>(out.size()) / v.audioChannels,
                                 const_cast<const uint8_t**>(f->extended_data), f->nb_samples);
    if (made > 0) v.audio.insert(v.audio.end(), out.begin(), out.begin() + made * v.audioChannels);
}
}  // namespace

DecodedVideo readVideo(const std::string& path)
{
    DecodedVideo v;
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) != 0) {
        v.error = "cannot open " + path;
        return v;
    }
    std::unique_ptr<AVFormatContext, void (*)(AVFormatContext*)> closer(format, [](AVFormatContext* f) {
        avformat_close_input(&f);
    });
    Decoder video, audio;
    if (avformat_find_stream_info(format, nullptr) < 0 || !openDecoder(format, AVMEDIA_TYPE_VIDEO, video) ||
        !openDecoder(format, AVMEDIA_TYPE_AUDIO, audio)) {
        v.error = "no video and sound streams in " + path;
        return v;
    }
    v.videoCodec = video.context->codec->name;
    v.audioCodec = audio.context->codec->name;
    v.width = video.context->width;
    v.height = video.context->height;
    v.fps = av_q2d(format->streams[video.stream]->avg_frame_rate);
    v.audioRate = audio.context->sample_rate;
    v.audioChannels = audio.context->ch_layout.nb_channels;
    SwrContext* convert = nullptr;
    swr_alloc_set_opts2(&convert, &audio.context->ch_layout, AV_SAMPLE_FMT_FLT, v.audioRate,
                        &audio.context->ch_layout, audio.context->sample_fmt, v.audioRate, 0, nullptr);
    swr_init(convert);

    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    auto drain = [&](Decoder& d, const AVPacket* p) {
        avcodec_send_packet(d.context, p);
        while (avcodec_receive_frame(d.context, frame) == 0) {
            if (&d == &video)
                keepPicture(frame, v);
            else
                keepSound(convert, frame, v);
        }
    };
    while (av_read_frame(format, packet) == 0) {
        if (packet->stream_index == video.stream) drain(video, packet);
        if (packet->stream_index == audio.stream) drain(audio, packet);
        av_packet_unref(packet);
    }
    drain(video, nullptr);
    drain(audio, nullptr);
    av_frame_free(&frame);
    av_packet_free(&packet);
    swr_free(&convert);
    v.ok = true;
    return v;
}

double DecodedVideo::brightness(size_t k) const
{
    const size_t luma = static_cast<size_t>(width) * height;
    double sum = 0;
    for (size_t i = 0; i < luma; ++i) sum += frames[k][i];
    return sum / static_cast<double>(luma);
}

std::vector<uint8_t> DecodedVideo::rgb(size_t k) const
{
    SwsContext* convert = sws_getContext(width, height, AV_PIX_FMT_YUV420P, width, height, AV_PIX_FMT_RGB24,
                                         SWS_BILINEAR | SWS_FULL_CHR_H_INT | SWS_ACCURATE_RND, nullptr, nullptr,
                                         nullptr);
    const int* bt709 = sws_getCoefficients(SWS_CS_ITU709);
    sws_setColorspaceDetails(convert, bt709, 0, bt709, 1, 0, 1 << 16, 1 << 16);
    const uint8_t* y = frames[k].data();
    const uint8_t* u = y + static_cast<size_t>(width) * height;
    const uint8_t* vv = u + static_cast<size_t>((width + 1) / 2) * ((height + 1) / 2);
    const uint8_t* planes[3] = {y, u, vv};
    const int strides[3] = {width, (width + 1) / 2, (width + 1) / 2};
    std::vector<uint8_t> out(static_cast<size_t>(width) * height * 3);
    uint8_t* outPlanes[1] = {out.data()};
    const int outStrides[1] = {width * 3};
    sws_scale(convert, planes, strides, 0, height, outPlanes, outStrides);
    sws_freeContext(convert);
    return out;
}
