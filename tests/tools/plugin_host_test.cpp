#include "tools/render/plugin_host.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/tools/tools_test_support.h"
#include "tools/render/render_song.h"

namespace sorvella {
namespace {

class CaptureSink : public AudioSink {
  public:
    bool consume(const float* const* channels, int frames, std::string&) override {
        left.insert(left.end(), channels[0], channels[0] + frames);
        right.insert(right.end(), channels[1], channels[1] + frames);
        return true;
    }
    std::vector<float> left, right;
};

class PluginHostTest : public ::testing::Test {
  protected:
    void SetUp() override {
        logPath_ = dir_.file("calls.log");
        ::setenv("FAKE_INSTRUMENT_LOG", logPath_.c_str(), 1);
        ::unsetenv("FAKE_INSTRUMENT_FAIL");
    }
    void TearDown() override {
        ::unsetenv("FAKE_INSTRUMENT_LOG");
        ::unsetenv("FAKE_INSTRUMENT_FAIL");
    }
    std::vector<std::string> log() const { return test::readLines(logPath_); }
    std::vector<std::string> eventLines() const {
        std::vector<std::string> kept;
        for (const std::string& line : log()) {
            if (line.rfind("event ", 0) == 0) kept.push_back(line);
        }
        return kept;
    }

    test::ScratchDir dir_;
    std::string logPath_;
};

TEST_F(PluginHostTest, RefusesWhatIsNotAWorkingPlugin) {
    PluginHost host;
    std::string error;
    ASSERT_TRUE(host.load(FAKE_INSTRUMENT_MAIN_ONLY_PATH, 44100.0, 512, error)) << error;
    host.close();
    EXPECT_EQ(log().at(0).rfind("entry main ", 0), 0u) << "the legacy entry name";

    EXPECT_FALSE(host.load(dir_.file("none.so"), 44100.0, 512, error));
    EXPECT_NE(error.find("cannot load plugin " + dir_.file("none.so")), std::string::npos);

    test::writeBytes(dir_.file("text.so"), {'h', 'i', '\n'});
    EXPECT_FALSE(host.load(dir_.file("text.so"), 44100.0, 512, error));
    EXPECT_NE(error.find("cannot load plugin"), std::string::npos) << error;

    ::setenv("FAKE_INSTRUMENT_FAIL", "entry", 1);
    EXPECT_FALSE(host.load(FAKE_INSTRUMENT_PATH, 44100.0, 512, error));
    EXPECT_NE(error.find("returned no instance"), std::string::npos) << error;

    ::setenv("FAKE_INSTRUMENT_FAIL", "magic", 1);
    EXPECT_FALSE(host.load(FAKE_INSTRUMENT_PATH, 44100.0, 512, error));
    EXPECT_NE(error.find("wrong magic"), std::string::npos) << error;
    EXPECT_EQ(host.numParams(), 0);
}

TEST_F(PluginHostTest, ChecksProgramAndParameterNumbers) {
    PluginHost host;
    std::string error;
    ASSERT_TRUE(host.load(FAKE_INSTRUMENT_PATH, 44100.0, 64, error)) << error;
    EXPECT_TRUE(host.setProgram(2, error));
    EXPECT_FALSE(host.setProgram(3, error));
    EXPECT_EQ(error, "program 3 does not exist (the plugin has 3 programs)");
    EXPECT_TRUE(host.setParameter(3, 0.75f, error));
    EXPECT_FALSE(host.setParameter(4, 0.5f, error));
    EXPECT_EQ(error, "parameter 4 does not exist (the plugin has 4 parameters)");
    EXPECT_FALSE(host.setParameter(-1, 0.5f, error));
    host.resume();
    host.close();
    host.close();
    EXPECT_EQ(log(), (std::vector<std::string>{
                         "entry VSTPluginMain version=2400 rate=44100 block=64 level=4 canSend=1 "
                         "canSize=-1 other=0 vendor=Kestrane product=sorvella-render",
                         "open", "sampleRate 44100", "blockSize 64", "program 2", "param 3 0.75",
                         "mains 1", "mains 0", "close"}));
}

TEST_F(PluginHostTest, EventsArriveAtTheirFramesAcrossBlocks) {
    PluginHost host;
    std::string error;
    ASSERT_TRUE(host.load(FAKE_INSTRUMENT_PATH, 44100.0, 512, error)) << error;
    const std::vector<TimedEvent> events{
        {0, {0x90, 60, 100}},  {100, {0x90, 64, 100}}, {511, {0x80, 60, 0}}, {512, {0x90, 67, 90}},
        {512, {0xB0, 7, 100}}, {1000, {0x80, 64, 0}},  {1535, {0x80, 67, 0}}};
    RenderLimits limits;
    limits.tailSeconds = 0.0;
    CaptureSink sink;
    RenderResult result;
    host.resume();
    ASSERT_TRUE(renderEvents(host, events, limits, &sink, nullptr, result, error)) << error;
    host.close();

    EXPECT_EQ(eventLines(),
              (std::vector<std::string>{"event 0 0 90 3c 64", "event 100 100 90 40 64",
                                        "event 511 511 80 3c 00", "event 512 0 90 43 5a",
                                        "event 512 0 b0 07 64", "event 1000 488 80 40 00",
                                        "event 1535 511 80 43 00"}));
    // The song ends right after its last event: three whole blocks.
    EXPECT_EQ(result.frames, 1536);
    ASSERT_EQ(sink.left.size(), 1536u);
    EXPECT_FLOAT_EQ(sink.left[99], 0.125f);
    EXPECT_FLOAT_EQ(sink.left[100], 0.25f);
    EXPECT_FLOAT_EQ(sink.left[510], 0.25f);
    EXPECT_FLOAT_EQ(sink.left[511], 0.125f);
    EXPECT_FLOAT_EQ(sink.left[512], 0.25f);
    EXPECT_FLOAT_EQ(sink.left[1000], 0.125f);
    EXPECT_FLOAT_EQ(sink.left[1535], 0.0f);
    EXPECT_FLOAT_EQ(sink.right[0], 0.5f);
}

TEST_F(PluginHostTest, TailStopsOnceTheOutputFallsSilent) {
    PluginHost host;
    std::string error;
    ASSERT_TRUE(host.load(FAKE_INSTRUMENT_PATH, 1000.0, 100, error)) << error;
    ASSERT_TRUE(host.setParameter(0, 0.0f, error));  // right channel silent
    RenderLimits limits;
    limits.tailSeconds = 10.0;
    limits.silenceSeconds = 0.5;
    RenderResult result;
    host.resume();
    ASSERT_TRUE(renderEvents(host, {{0, {0x90, 1, 1}}, {250, {0x80, 1, 0}}}, limits, nullptr,
                             nullptr, result, error));
    // Song ends at 251; silent from there: 500 frames later, at the next block end.
    EXPECT_EQ(result.frames, 800);

    // A constant output never counts as silence: the whole tail plays.
    ASSERT_TRUE(host.setParameter(0, 0.5f, error));
    ASSERT_TRUE(renderEvents(host, {{0, {0x90, 2, 1}}, {250, {0x80, 2, 0}}}, limits, nullptr,
                             nullptr, result, error));
    EXPECT_EQ(result.frames, 251 + 10000);
    host.close();
}

}  // namespace
}  // namespace sorvella
