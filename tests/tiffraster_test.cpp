// Reading pictures without GL: every layout the show may be given, and the files it must refuse.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

#include "gfx/TiffRaster.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestTiff.h"

namespace {
constexpr int kSide = 64;
constexpr int kMaxSide = 4096;

class TiffRasterTest : public testing::Test {
protected:
    void SetUp() override
    {
        dir_ = makeTempDir();
        ASSERT_FALSE(dir_.empty());
    }
    void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }

    std::string path(const std::string& name) const { return dir_ + "/" + name; }

    // Reads `file`, returning what went to stderr.
    std::string readCapturingErrors(TiffRaster& raster, const std::string& file, int maxSide, bool& ok)
    {
        testing::internal::CaptureStderr();
        ok = raster.read(file.c_str(), maxSide);
        return testing::internal::GetCapturedStderr();
    }

    void expectRefused(const std::string& file, int maxSide = kMaxSide, const char* why = nullptr)
    {
        TiffRaster raster;
        bool ok = true;
        const std::string errors = readCapturingErrors(raster, file, maxSide, ok);
        EXPECT_FALSE(ok);
        EXPECT_EQ(raster.width(), 0);
        EXPECT_EQ(raster.height(), 0);
        EXPECT_EQ(raster.pixels(), nullptr);
        EXPECT_NE(errors.find(file), std::string::npos) << "the message names the file: " << errors;
        if (why) {
            EXPECT_NE(errors.find(why), std::string::npos) << errors;
        }
    }

    std::string dir_;
};

uint32_t packed(Rgba8 c)
{
    return uint32_t{c.r} | uint32_t{c.g} << 8 | uint32_t{c.b} << 16 | uint32_t{c.a} << 24;
}

void expectNear(uint32_t pixel, Rgba8 want, const char* where)
{
    const int got[4] = {int(pixel & 0xFF), int(pixel >> 8 & 0xFF), int(pixel >> 16 & 0xFF), int(pixel >> 24)};
    const int expected[4] = {want.r, want.g, want.b, want.a};
    for (int k = 0; k < 4; ++k) EXPECT_NEAR(got[k], expected[k], 1) << where << " channel " << k;
}
}

class TiffLayouts : public TiffRasterTest, public testing::WithParamInterface<TiffLayout> {};

// libtiff's RGBA reader turns every layout into RGBA bytes, bottom row first.
TEST_P(TiffLayouts, ReadAsRgbaBottomRowFirst)
{
    const std::string file = path(std::string(layoutName(GetParam())) + ".tif");
    ASSERT_TRUE(writeLayoutTiff(file, GetParam(), kSide, kSide));
    TiffRaster raster;
    ASSERT_TRUE(raster.read(file.c_str(), kMaxSide));
    ASSERT_EQ(raster.width(), kSide);
    ASSERT_EQ(raster.height(), kSide);
    const bool grey = GetParam() == TiffLayout::Grey8;
    const Rgba8 top = grey ? Rgba8{kTopColour.r, kTopColour.r, kTopColour.r, 255} : kTopColour;
    const Rgba8 bottom = grey ? Rgba8{kBottomColour.r, kBottomColour.r, kBottomColour.r, 255} : kBottomColour;
    expectNear(raster.pixels()[0], bottom, "first row in memory");
    expectNear(raster.pixels()[kSide * kSide - 1], top, "last row in memory");
}

INSTANTIATE_TEST_SUITE_P(AllLayouts, TiffLayouts,
                         testing::Values(TiffLayout::Rgb8, TiffLayout::Lzw, TiffLayout::Tiled, TiffLayout::Planar,
                                         TiffLayout::Grey8, TiffLayout::Rgb16, TiffLayout::Palette, TiffLayout::Cmyk),
                         [](const testing::TestParamInfo<TiffLayout>& info) { return layoutName(info.param); });

TEST_F(TiffRasterTest, KeepsAlphaAsStored)
{
    const std::string file = path("alpha.tif");
    ASSERT_TRUE(writeRgbaTiff(file, 4, 2, [](int x, int) { return Rgba8{uint8_t(x * 60), 0, 0, uint8_t(x * 60)}; }));
    TiffRaster raster;
    ASSERT_TRUE(raster.read(file.c_str(), kMaxSide));
    EXPECT_EQ(raster.pixels()[3], packed({180, 0, 0, 180}));
    EXPECT_EQ(raster.pixels()[0], packed({0, 0, 0, 0}));
}

TEST_F(TiffRasterTest, RefusesFilesThatAreNoPictures)
{
    expectRefused(path("missing.tif"));

    const std::string empty = path("empty.tif");
    ASSERT_TRUE(writeBytes(empty, ""));
    expectRefused(empty);

    std::mt19937 random(7);
    std::string noise(4096, '\0');
    for (char& c : noise) c = static_cast<char>(random());
    const std::string junk = path("junk.tif");
    ASSERT_TRUE(writeBytes(junk, noise));
    expectRefused(junk);

    // A TIFF header followed by junk.
    const std::string header = path("header.tif");
    ASSERT_TRUE(writeBytes(header, std::string("II*\0", 4) + noise));
    expectRefused(header);

    expectRefused(dir_);  // a directory
}

TEST_F(TiffRasterTest, SpeaksOnceForAFileLibtiffCannotOpen)
{
    TiffRaster raster;
    bool ok = true;
    const std::string file = path("missing.tif");
    const std::string errors = readCapturingErrors(raster, file, kMaxSide, ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1) << errors;
}

// Every line names the file; kiv's own line also names the folder looked in and what a wrong file is.
TEST_F(TiffRasterTest, MessagesNameTheFileTheFolderAndWhatTheFileIs)
{
    const std::string png = path("photo.tif");
    ASSERT_TRUE(writeBytes(png, std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)));
    const std::string jpeg = path("camera.tif");
    ASSERT_TRUE(writeBytes(jpeg, std::string("\xff\xd8\xff\xe0\0\x10JFIF\0", 11)));
    const std::string header = path("header.tif");
    ASSERT_TRUE(writeBytes(header, std::string("II*\0\x08\0\0\0\x40\x40", 10) + std::string(64, '\x7f')));
    const struct {
        std::string file;
        const char* says;
    } cases[] = {{png, "it looks like a PNG file, not a TIFF"},
                 {jpeg, "it looks like a JPEG file, not a TIFF"},
                 {path("missing.tif"), "no such file"},
                 {header, "libtiff cannot open it"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        TiffRaster raster;
        bool ok = true;
        const std::string errors = readCapturingErrors(raster, c.file, kMaxSide, ok);
        EXPECT_FALSE(ok);
        EXPECT_NE(errors.find("kiv: cannot show picture '" + c.file + "' from " + dir_ + ": " + c.says),
                  std::string::npos)
            << errors;
        size_t lines = 0;
        for (size_t at = 0, end; (end = errors.find('\n', at)) != std::string::npos; at = end + 1, ++lines) {
            const std::string line = errors.substr(at, end - at);
            EXPECT_EQ(line.rfind("kiv: ", 0), 0u) << line;
            EXPECT_NE(line.find(c.file), std::string::npos) << line;
        }
        EXPECT_GE(lines, 1u);
    }
}

TEST_F(TiffRasterTest, TruncatedPictureNeverReadsPastTheFile)
{
    const std::string whole = path("whole.tif");
    ASSERT_TRUE(writeLayoutTiff(whole, TiffLayout::Lzw, kSide, kSide));
    const std::string bytes = readBytes(whole);
    for (size_t keep : {size_t{8}, size_t{200}, bytes.size() / 2, bytes.size() - 1}) {
        SCOPED_TRACE(keep);
        const std::string cut = path("cut.tif");
        ASSERT_TRUE(writeBytes(cut, bytes.substr(0, keep)));
        TiffRaster raster;
        bool ok = false;
        readCapturingErrors(raster, cut, kMaxSide, ok);
        if (ok) {
            EXPECT_EQ(raster.width(), kSide);
            EXPECT_EQ(raster.height(), kSide);
            EXPECT_NE(raster.pixels(), nullptr);
        } else {
            EXPECT_EQ(raster.pixels(), nullptr);
        }
    }
}

TEST_F(TiffRasterTest, PictureCutInItsPixelsKeepsWhatWasRead)
{
    // Eight strips of 8 rows: the file ends two strips in. Reading goes on past errors, so the picture
    // loads; the rows that were read are right.
    const std::string cut = path("cut.tif");
    ASSERT_TRUE(writeCutTiff(cut, kSide, kSide, 8, kSide * 16));
    TiffRaster raster;
    bool ok = false;
    readCapturingErrors(raster, cut, kMaxSide, ok);
    ASSERT_TRUE(ok);
    ASSERT_EQ(raster.width(), kSide);
    ASSERT_EQ(raster.height(), kSide);
    expectNear(raster.pixels()[kSide * kSide - 1], Rgba8{kCutGrey, kCutGrey, kCutGrey, 255}, "top row");

    // Cut inside the first strip, nothing can be shown.
    ASSERT_TRUE(writeCutTiff(cut, kSide, kSide, 8, 100));
    expectRefused(cut);
}

TEST_F(TiffRasterTest, RefusesPicturesLargerThanTheLimit)
{
    const std::string huge = path("huge.tif");
    ASSERT_TRUE(writeClaimingTiff(huge, 100000, 100000));
    expectRefused(huge, kMaxSide, "larger than");

    const std::string wide = path("wide.tif");
    ASSERT_TRUE(writeClaimingTiff(wide, kMaxSide + 1, 1));
    expectRefused(wide, kMaxSide, "larger than");
    const std::string tall = path("tall.tif");
    ASSERT_TRUE(writeClaimingTiff(tall, 1, kMaxSide + 1));
    expectRefused(tall, kMaxSide, "larger than");

    // Sizes whose byte count wraps in 32 bits: 65536 x 65536 x 4 is 0 there.
    const std::string wrap = path("wrap.tif");
    ASSERT_TRUE(writeClaimingTiff(wrap, 65536, 65536));
    expectRefused(wrap, kMaxSide, "larger than");

    // No GL context gives a limit of 0.
    const std::string small = path("small.tif");
    ASSERT_TRUE(writeLayoutTiff(small, TiffLayout::Rgb8, 2, 2));
    expectRefused(small, 0, "larger than");
}

TEST_F(TiffRasterTest, TakesPicturesRightAtTheLimit)
{
    const std::string edge = path("edge.tif");
    ASSERT_TRUE(writeClaimingTiff(edge, kMaxSide, 1, kMaxSide));
    TiffRaster raster;
    ASSERT_TRUE(raster.read(edge.c_str(), kMaxSide));
    EXPECT_EQ(raster.width(), kMaxSide);
    EXPECT_EQ(raster.height(), 1);
}

TEST_F(TiffRasterTest, RefusesPicturesWithoutPixels)
{
    const std::string flat = path("flat.tif");
    ASSERT_TRUE(writeClaimingTiff(flat, 0, 16));
    expectRefused(flat);
}

TEST_F(TiffRasterTest, AFailedReadDropsThePreviousPicture)
{
    const std::string good = path("good.tif");
    ASSERT_TRUE(writeLayoutTiff(good, TiffLayout::Rgb8, kSide, kSide));
    TiffRaster raster;
    ASSERT_TRUE(raster.read(good.c_str(), kMaxSide));
    testing::internal::CaptureStderr();
    EXPECT_FALSE(raster.read(path("missing.tif").c_str(), kMaxSide));
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(raster.width(), 0);
    EXPECT_EQ(raster.pixels(), nullptr);
}

TEST_F(TiffRasterTest, LeavesNoFileOpen)
{
    const std::string good = path("good.tif");
    ASSERT_TRUE(writeLayoutTiff(good, TiffLayout::Rgb8, kSide, kSide));
    const std::string huge = path("huge.tif");
    ASSERT_TRUE(writeClaimingTiff(huge, 100000, 100000));
    auto openFiles = [] {
        int n = 0;
        for (int fd = 0; fd < 1024; ++fd) n += fcntl(fd, F_GETFD) != -1;
        return n;
    };
    const int before = openFiles();
    testing::internal::CaptureStderr();
    for (int i = 0; i < 20; ++i) {
        TiffRaster raster;
        raster.read(good.c_str(), kMaxSide);
        raster.read(huge.c_str(), kMaxSide);
        raster.read(path("missing.tif").c_str(), kMaxSide);
    }
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(openFiles(), before);
}
