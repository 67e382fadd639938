#include "tools/picture/JpegReader.h"

#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>

namespace {
constexpr int kChannels = 4;

struct ErrorManager {
    jpeg_error_mgr base;  // first, so libjpeg's pointer to it is a pointer to the whole
    std::jmp_buf failed;
    const char* path;
    bool warned;
};

[[noreturn]] void fail(j_common_ptr info)
{
    auto* errors = reinterpret_cast<ErrorManager*>(info->err);
    char message[JMSG_LENGTH_MAX];
    (*info->err->format_message)(info, message);
    std::fprintf(stderr, "kiv-picture: %s: libjpeg: %s\n", errors->path, message);
    std::longjmp(errors->failed, 1);
}

// Level -1 is a warning about damaged data; the rest is trace output. One warning a file is enough.
void note(j_common_ptr info, int level)
{
    auto* errors = reinterpret_cast<ErrorManager*>(info->err);
    if (level >= 0 || errors->warned) return;
    errors->warned = true;
    char message[JMSG_LENGTH_MAX];
    (*info->err->format_message)(info, message);
    std::fprintf(stderr, "kiv-picture: %s: libjpeg warning: %s\n", errors->path, message);
}

// Ink to light. Adobe's CMYK JPEGs store the inks inverted, which most CMYK JPEGs are.
void cmykToRgba(uint8_t* row, int width, bool inverted)
{
    for (int x = 0; x < width; ++x) {
        uint8_t* p = row + x * kChannels;
        const unsigned k = inverted ? p[3] : 255u - p[3];
        for (int c = 0; c < 3; ++c) {
            const unsigned ink = inverted ? p[c] : 255u - p[c];
            p[c] = static_cast<uint8_t>((ink * k + 127) / 255);
        }
        p[3] = 255;
    }
}

// Everything that outlives a jump back from libjpeg lives in the caller's frame, not here.
bool decode(std::FILE* file, jpeg_decompress_struct& info, ErrorManager& errors, JpegPicture& picture)
{
    if (setjmp(errors.failed)) return false;
    jpeg_create_decompress(&info);
    jpeg_stdio_src(&info, file);
    jpeg_save_markers(&info, JPEG_APP0 + 1, 0xffff);
    jpeg_read_header(&info, TRUE);
    const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    info.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_RGBA;
    jpeg_calc_output_dimensions(&info);
    if (uint64_t{info.output_width} * info.output_height > kMaxPhotoPixels) {
        std::fprintf(stderr, "kiv-picture: %s: a picture of %u x %u pixels is more than it takes\n", errors.path,
                     info.output_width, info.output_height);
        return false;
    }
    jpeg_start_decompress(&info);
    Photo& photo = picture.photo;
    photo.width = static_cast<int>(info.output_width);
    photo.height = static_cast<int>(info.output_height);
    photo.rgba.resize(static_cast<size_t>(photo.width) * photo.height * kChannels);
    while (info.output_scanline < info.output_height) {
        uint8_t* row = &photo.rgba[static_cast<size_t>(info.output_scanline) * photo.width * kChannels];
        JSAMPROW rows[1] = {row};
        jpeg_read_scanlines(&info, rows, 1);
        if (cmyk) cmykToRgba(row, photo.width, info.saw_Adobe_marker);
    }
    for (jpeg_saved_marker_ptr m = info.marker_list; m; m = m->next)
        if (m->marker == JPEG_APP0 + 1 && picture.exif.empty()) picture.exif.assign(m->data, m->data + m->data_length);
    jpeg_finish_decompress(&info);
    return true;
}
}  // namespace

bool readJpeg(const std::string& path, JpegPicture& picture)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    jpeg_decompress_struct info;
    ErrorManager errors;
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = fail;
    errors.base.emit_message = note;
    errors.path = path.c_str();
    errors.warned = false;
    const bool ok = decode(file, info, errors, picture);
    jpeg_destroy_decompress(&info);
    std::fclose(file);
    if (!ok) picture = JpegPicture{};
    return ok;
}
