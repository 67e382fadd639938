#include "render/VideoReader.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

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
    if (!codec) return false;
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

// Sound as interleaved float, at the stream's own rate and channels; `convert` is made from the first block.
void keepSound(SwrContext*& convert, const AVFrame* f, DecodedVideo& v)
{
    if (!convert) {
        AVChannelLayout* layout = const_cast<AVChannelLayout*>(&f->ch_layout);  // FFmpeg 5 takes it non-const
        swr_alloc_set_opts2(&convert, layout, AV_SAMPLE_FMT_FLT, f->sample_rate, layout,
                            static_cast<AVSampleFormat>(f->format), f->sample_rate, 0, nullptr);
        swr_init(convert);
    }
    std::vector<float> out(static_cast<size_t>(swr_get_out_samples(convert, f->nb_samples)) * v.audioChannels);
    uint8_t* planes[1] = {reinterpret_cast<uint8_t*>(out.data())};
    const int made = swr_convert(convert, planes, static_cast<int>(out.size()) / v.audioChannels,
                                 const_cast<const uint8_t**>(f->extended_data), f->nb_samples);
    if (made > 0) v.audio.insert(v.audio.end(), out.begin(), out.begin() + made * v.audioChannels);
}
}  // namespace

struct VideoReader::Impl {
    AVFormatContext* format = nullptr;
    Decoder video, audio;
    ~Impl() { avformat_close_input(&format); }
};

VideoReader::VideoReader() : impl_(new Impl) {}
VideoReader::~VideoReader() = default;

bool VideoReader::open(const std::string& path, bool withSound, std::string& error)
{
    if (avformat_open_input(&impl_->format, path.c_str(), nullptr, nullptr) != 0) {
        error = "cannot open " + path;
        return false;
    }
    if (avformat_find_stream_info(impl_->format, nullptr) < 0 ||
        !openDecoder(impl_->format, AVMEDIA_TYPE_VIDEO, impl_->video) ||
        (withSound && !openDecoder(impl_->format, AVMEDIA_TYPE_AUDIO, impl_->audio))) {
        error = std::string(withSound ? "no video and sound streams in " : "no video stream in ") + path;
        return false;
    }
    return true;
}

void VideoReader::decode(const Sink& onPicture, const Sink& onSound)
{
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    auto drain = [&](Decoder& d, const AVPacket* p) {
        avcodec_send_packet(d.context, p);
        while (avcodec_receive_frame(d.context, frame) == 0) (&d == &impl_->video ? onPicture : onSound)(frame);
    };
    const bool sound = impl_->audio.context != nullptr;
    while (av_read_frame(impl_->format, packet) == 0) {
        if (packet->stream_index == impl_->video.stream) drain(impl_->video, packet);
        if (sound && packet->stream_index == impl_->audio.stream) drain(impl_->audio, packet);
        av_packet_unref(packet);
    }
    drain(impl_->video, nullptr);
    if (sound) drain(impl_->audio, nullptr);
    av_frame_free(&frame);
    av_packet_free(&packet);
}

int VideoReader::width() const { return impl_->video.context ? impl_->video.context->width : 0; }
int VideoReader::height() const { return impl_->video.context ? impl_->video.context->height : 0; }
double VideoReader::fps() const
{
    return impl_->video.context ? av_q2d(impl_->format->streams[impl_->video.stream]->avg_frame_rate) : 0.0;
}
double VideoReader::seconds() const
{
    return impl_->format && impl_->format->duration > 0 ? static_cast<double>(impl_->format->duration) / AV_TIME_BASE
                                                        : 0.0;
}
std::string VideoReader::videoCodec() const { return impl_->video.context ? impl_->video.context->codec->name : ""; }
std::string VideoReader::audioCodec() const { return impl_->audio.context ? impl_->audio.context->codec->name : ""; }
int VideoReader::audioRate() const { return impl_->audio.context ? impl_->audio.context->sample_rate : 0; }
int VideoReader::audioChannels() const
{
    return impl_->audio.context ? impl_->audio.context->ch_layout.nb_channels : 0;
}

RgbConverter::~RgbConverter()
{
    sws_freeContext(context_);
}

const uint8_t* RgbConverter::convert(const AVFrame* f)
{
    if (!context_ || f->width != width_ || f->height != height_ || f->format != format_) {
        sws_freeContext(context_);
        width_ = f->width, height_ = f->height, format_ = f->format;
        context_ = sws_getContext(width_, height_, static_cast<AVPixelFormat>(format_), width_, height_,
                                  AV_PIX_FMT_RGB24, SWS_BILINEAR | SWS_FULL_CHR_H_INT | SWS_ACCURATE_RND, nullptr,
                                  nullptr, nullptr);
        if (!context_) return nullptr;
        const int space = f->colorspace == AVCOL_SPC_UNSPECIFIED ? SWS_CS_ITU709 : f->colorspace;
        const int* coefficients = sws_getCoefficients(space);
        sws_setColorspaceDetails(context_, coefficients, f->color_range == AVCOL_RANGE_JPEG, coefficients, 1, 0,
                                 1 << 16, 1 << 16);
        rgb_.resize(static_cast<size_t>(width_) * height_ * 3);
    }
    uint8_t* out[1] = {rgb_.data()};
    const int strides[1] = {width_ * 3};
    if (sws_scale(context_, f->data, f->linesize, 0, height_, out, strides) != height_) return nullptr;
    return rgb_.data();
}

DecodedVideo readVideo(const std::string& path)
{
    DecodedVideo v;
    VideoReader reader;
    if (!reader.open(path, true, v.error)) return v;
    v.videoCodec = reader.videoCodec();
    v.audioCodec = reader.audioCodec();
    v.width = reader.width();
    v.height = reader.height();
    v.fps = reader.fps();
    v.audioRate = reader.audioRate();
    v.audioChannels = reader.audioChannels();
    SwrContext* convert = nullptr;
    reader.decode([&](const AVFrame* f) { keepPicture(f, v); }, [&](const AVFrame* f) { keepSound(convert, f, v); });
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
    AVFrame* picture = av_frame_alloc();  // a view of the kept planes; owns none of them
    picture->format = AV_PIX_FMT_YUV420P;
    picture->width = width;
    picture->height = height;
    picture->colorspace = AVCOL_SPC_BT709;
    picture->color_range = AVCOL_RANGE_MPEG;
    const int chroma = (width + 1) / 2;
    picture->data[0] = const_cast<uint8_t*>(frames[k].data());
    picture->data[1] = picture->data[0] + static_cast<size_t>(width) * height;
    picture->data[2] = picture->data[1] + static_cast<size_t>(chroma) * ((height + 1) / 2);
    picture->linesize[0] = width;
    picture->linesize[1] = picture->linesize[2] = chroma;
    RgbConverter converter;
    const uint8_t* rgb = converter.convert(picture);
    av_frame_free(&picture);
    return rgb ? std::vector<uint8_t>(rgb, rgb + static_cast<size_t>(width) * height * 3) : std::vector<uint8_t>();
}
