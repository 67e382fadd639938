#include "render/FrameConverter.h"

extern "C" {
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

FrameConverter::FrameConverter(int width, int height) : width_(width), height_(height)
{
    // Same size in and out: the filter only decides how the chroma is averaged down 2x2.
    context_ = sws_getContext(width, height, AV_PIX_FMT_BGR0, width, height, AV_PIX_FMT_YUV420P, SWS_BILINEAR,
                              nullptr, nullptr, nullptr);
    if (context_) {
        const int* bt709 = sws_getCoefficients(SWS_CS_ITU709);
        // Full-range RGB in, limited-range YUV out; brightness, contrast and saturation unchanged.
        sws_setColorspaceDetails(context_, bt709, 1, bt709, 0, 0, 1 << 16, 1 << 16);
    }
}

FrameConverter::~FrameConverter()
{
    sws_freeContext(context_);
}

bool FrameConverter::convert(const uint8_t* bgra, AVFrame* picture)
{
    if (!context_ || av_frame_make_writable(picture) < 0) return false;
    const int stride = width_ * 4;
    // GL's rows run bottom to top: start at the last row and step backwards.
    const uint8_t* source[1] = {bgra + static_cast<long>(height_ - 1) * stride};
    const int strides[1] = {-stride};
    return sws_scale(context_, source, strides, 0, height_, picture->data, picture->linesize) == height_;
}
