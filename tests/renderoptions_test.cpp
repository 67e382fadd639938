// kiv-render's command line as it bears on the flash report: what is asked, and the exit status it leads to.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "render/RenderOptions.h"

namespace {
ParseResult parse(std::vector<std::string> args, RenderOptions& options, std::string& error)
{
    args.insert(args.begin(), "kiv-render");
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    return parseOptions(static_cast<int>(argv.size()), argv.data(), options, error);
}
}  // namespace

TEST(RenderOptions, FlashReportIsOffPlainOrStrictAndOnlyStrictFailsTheExit)
{
    std::string error;
    RenderOptions off, plain, strict, wrong;
    ASSERT_EQ(ParseResult::Run, parse({"out.mp4"}, off, error));
    ASSERT_EQ(ParseResult::Run, parse({"--flash-report", "out.mp4"}, plain, error));
    ASSERT_EQ(ParseResult::Run, parse({"out.mp4", "--flash-report=strict"}, strict, error));
    EXPECT_EQ(FlashReport::Off, off.flashReport);
    EXPECT_EQ(FlashReport::Plain, plain.flashReport);
    EXPECT_EQ(FlashReport::Strict, strict.flashReport);
    EXPECT_EQ("out.mp4", strict.output);
    EXPECT_EQ(ParseResult::Error, parse({"--flash-report=loud", "out.mp4"}, wrong, error));
    EXPECT_NE(std::string::npos, error.find("--flash-report=loud")) << error;

    // The video was written either way; only a strict report of a failing video changes the status.
    EXPECT_EQ(0, statusAfterRender(FlashReport::Off, false));
    EXPECT_EQ(0, statusAfterRender(FlashReport::Plain, false));
    EXPECT_EQ(0, statusAfterRender(FlashReport::Strict, true));
    EXPECT_EQ(3, statusAfterRender(FlashReport::Strict, false));
    EXPECT_NE(std::string::npos, std::string(usageText()).find("--flash-report"));
}
