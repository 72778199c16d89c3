#include "presets/settings_key.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>

#include "presets/settings_encoding.h"
#include "presets/settings_names.h"
#include "tests/support/temp_dir.h"

namespace sorvella {
namespace {

namespace fs = std::filesystem;
using test::ScopedEnv;
using test::TempDir;

constexpr std::int32_t kIntMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kIntMin = std::numeric_limits<std::int32_t>::min();

class SettingsTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(key_.open(settings::kSubkey, settings::kClassText)); }

    std::string fileText() const {
        std::ifstream in(file_, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    TempDir home_;
    ScopedEnv xdg_{"XDG_CONFIG_HOME", home_.path().c_str()};
    fs::path file_ = home_ / "Kestrane" / "Sorvella.conf";
    SettingsKey key_;
};

TEST_F(SettingsTest, KeyFileAppearsWithTheFirstWrite) {
    EXPECT_EQ(settingsFilePath(settings::kSubkey), file_.string());
    EXPECT_FALSE(fs::exists(file_.parent_path()));
    ASSERT_TRUE(key_.setInt(settings::kLatency, 50));
    EXPECT_EQ(fileText(), "latency=50\n");
    EXPECT_EQ(key_.getInt(settings::kLatency, 0), 50);
}

TEST_F(SettingsTest, IntegersReadTheLeadingNumberLikeAtoi) {
    const std::pair<const char*, std::int32_t> cases[] = {
        {"abc", 0},
        {"", 0},
        {"42", 42},
        {"  -17xyz", -17},
        {"\t\n\v\f\r+8", 8},
        {"- 5", 0},
        {"+-5", 0},
        {"0x1F", 0},
        {"007", 7},
        {"12.9", 12},
        {"1e3", 1},
        {"Yes", 0},
        {"2147483647", kIntMax},
        {"2147483648", kIntMax},
        {"-2147483648", kIntMin},
        {"-2147483649", kIntMin},
        {"99999999999999999999999", kIntMax},
        {"-99999999999999999999999", kIntMin},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(decodeSettingInt(text), expected) << '"' << text << '"';
    }
    ASSERT_TRUE(key_.setText(settings::kLatency, "abc"));
    EXPECT_EQ(key_.getInt(settings::kLatency, 50), 0);
    for (std::int32_t value : {-1, kIntMax, kIntMin}) {
        ASSERT_TRUE(key_.setInt(settings::kInputChannel, value));
        EXPECT_EQ(key_.getText(settings::kInputChannel), std::to_string(value));
        EXPECT_EQ(key_.getInt(settings::kInputChannel, 99), value);
    }
}

TEST_F(SettingsTest, FloatsAreWrittenWithSixSignificantDigits) {
    const std::pair<float, const char*> cases[] = {{120.0f, "120"},
                                                   {0.1f, "0.1"},
                                                   {-0.5f, "-0.5"},
                                                   {3.14159274f, "3.14159"},
                                                   {1234567.0f, "1.23457e+06"},
                                                   {1e-5f, "1e-05"},
                                                   {0.0f, "0"}};
    for (const auto& [value, text] : cases) {
        EXPECT_EQ(encodeSettingFloat(value), text);
    }
    ASSERT_TRUE(key_.setFloat(settings::kTempo, 133.3333f));
    EXPECT_EQ(key_.getText(settings::kTempo), "133.333");
    EXPECT_EQ(key_.getFloat(settings::kTempo, 120.0f), 133.333f);
    ASSERT_TRUE(key_.setFloat(settings::kDefaultGain, 0.1f));
    EXPECT_EQ(key_.getFloat(settings::kDefaultGain, 1.0f), 0.1f);
}

TEST_F(SettingsTest, FloatsReadTheNumberLikeAtof) {
    const std::pair<const char*, float> cases[] = {
        {"2.5xyz", 2.5f}, {"abc", 0.0f}, {"", 0.0f},      {" \t+3.25", 3.25f}, {"-1e2", -100.0f},
        {".5", 0.5f},     {"1,5", 1.0f}, {"0x10", 16.0f}, {"1e-999", 0.0f},    {"120", 120.0f},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(decodeSettingFloat(text), expected) << '"' << text << '"';
    }
}

TEST_F(SettingsTest, NonFiniteFloatsReadAsTheDefault) {
    for (const char* text : {"nan", "-nan", "inf", "-Infinity", "1e999", "1e39", "-4e38"}) {
        EXPECT_FALSE(decodeSettingFloat(text).has_value()) << text;
        ASSERT_TRUE(key_.setText(settings::kDefaultGain, text));
        EXPECT_EQ(key_.getFloat(settings::kDefaultGain, 1.0f), 1.0f) << text;
    }
    ASSERT_TRUE(key_.setFloat(settings::kTempo, std::numeric_limits<float>::infinity()));
    EXPECT_EQ(key_.getFloat(settings::kTempo, 120.0f), 120.0f);
    EXPECT_EQ(decodeSettingFloat("3.4028234e38"), std::numeric_limits<float>::max());
}

TEST_F(SettingsTest, FlagsAreYesOrNoAndTrueOnlyForExactlyYes) {
    ASSERT_TRUE(key_.setFlag(settings::kPrimary, true));
    EXPECT_EQ(key_.getText(settings::kPrimary), "Yes");
    EXPECT_TRUE(key_.getFlag(settings::kPrimary, false));
    ASSERT_TRUE(key_.setFlag(settings::kPrimary, false));
    EXPECT_EQ(key_.getText(settings::kPrimary), "No");
    EXPECT_FALSE(key_.getFlag(settings::kPrimary, true));

    for (const char* text : {"yes", "YES", "Yes ", " Yes", "1", "true", ""}) {
        ASSERT_TRUE(key_.setText(settings::kPrimary, text));
        EXPECT_FALSE(key_.getFlag(settings::kPrimary, true)) << '"' << text << '"';
    }
}

TEST_F(SettingsTest, TextsStoreDeleteAndStopAtANulByte) {
    const std::string map = "FF07" + std::string(54, 'F');
    ASSERT_TRUE(key_.setText(settings::kMidiCfg, map));
    EXPECT_EQ(key_.getText(settings::kMidiCfg), map);

    const std::string path = "/home/u/T\xC3\xBCnings/odd = name\\\n.tun";
    ASSERT_TRUE(key_.setText(settings::kTuning, path));
    EXPECT_EQ(key_.getText(settings::kTuning), path);
    EXPECT_TRUE(key_.setText(settings::kTuning, std::nullopt));
    EXPECT_FALSE(key_.getText(settings::kTuning).has_value());
    EXPECT_FALSE(key_.setText(settings::kTuning, std::nullopt));
    EXPECT_EQ(key_.getText(settings::kMidiCfg), map);

    ASSERT_TRUE(key_.setText(settings::kTuning, std::string("a\0b", 3)));
    EXPECT_EQ(key_.getText(settings::kTuning), "a");
}

TEST_F(SettingsTest, KeysOfTheSameSubkeyShareValuesAndTheLastWriterWins) {
    SettingsKey other;
    ASSERT_TRUE(other.open(settings::kSubkey, "anything"));
    ASSERT_TRUE(key_.setInt(settings::kMidiOut, 1));
    EXPECT_EQ(other.getInt(settings::kMidiOut, 0), 1);
    ASSERT_TRUE(other.setInt(settings::kMidiOut, 0));
    EXPECT_EQ(key_.getInt(settings::kMidiOut, 5), 0);
    ASSERT_TRUE(other.setInt(settings::kKnobsMode, 2));
    EXPECT_EQ(key_.getInt(settings::kKnobsMode, 0), 2);
    EXPECT_EQ(key_.getInt(settings::kMidiOut, 5), 0);
}

TEST_F(SettingsTest, AClosedKeyReadsDefaultsAndIgnoresWrites) {
    ASSERT_TRUE(key_.setInt(settings::kLatency, 20));
    key_.close();
    EXPECT_FALSE(key_.isOpen());
    EXPECT_EQ(key_.getInt(settings::kLatency, 50), 50);
    EXPECT_FALSE(key_.setInt(settings::kLatency, 30));
    EXPECT_FALSE(key_.setText(settings::kLatency, std::nullopt));

    test::ScopedEnv noXdg("XDG_CONFIG_HOME", nullptr);
    test::ScopedEnv noHome("HOME", nullptr);
    SettingsKey never;  // without a configuration directory a key does not open
    EXPECT_FALSE(never.open(settings::kSubkey, settings::kClassText));
    EXPECT_FALSE(never.getText(settings::kLatency).has_value());
    EXPECT_EQ(never.getFloat(settings::kTempo, 120.0f), 120.0f);
    EXPECT_FALSE(never.setFlag(settings::kPrimary, true));
    EXPECT_EQ(fileText(), "latency=20\n");
}

TEST(SettingsPath, MapsTheSubkeyBelowTheConfigDirectory) {
    ScopedEnv xdg("XDG_CONFIG_HOME", "/cfg");
    EXPECT_EQ(settingsFilePath("Software\\Kestrane\\Sorvella"), "/cfg/Kestrane/Sorvella.conf");
    EXPECT_EQ(settingsFilePath("SOFTWARE\\Kestrane\\Sorvella"), "/cfg/Kestrane/Sorvella.conf");
    EXPECT_EQ(settingsFilePath("Kestrane\\Sorvella"), "/cfg/Kestrane/Sorvella.conf");
    for (std::string_view bad :
         {"", "Software", "Software\\", "Software\\Kestrane\\", "Software\\..\\Sorvella",
          "Software\\.\\x", "Software\\a/b", "Software\\\\x"}) {
        EXPECT_FALSE(settingsFilePath(bad).has_value()) << bad;
    }
    EXPECT_FALSE(settingsFilePath(std::string_view("Software\\a\0b", 12)).has_value());
}

}  // namespace
}  // namespace sorvella
