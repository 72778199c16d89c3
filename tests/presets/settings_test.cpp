#include "presets/settings_key.h"

#include <gtest/gtest.h>

#include <filesystem>
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

    std::string fileText() const { return test::readText(file_); }

    TempDir home_;
    ScopedEnv xdg_{"XDG_CONFIG_HOME", home_.path().c_str()};
    fs::path file_ = home_ / "Kestrane" / "Sorvella.conf";
    SettingsKey key_;
};

TEST_F(SettingsTest, NumbersReadLikeAtoiAndAtofAndNonFiniteOnesAsTheDefault) {
    const std::pair<const char*, std::int32_t> ints[] = {{"abc", 0},
                                                         {"  -17xyz", -17},
                                                         {"\t\n\v\f\r+8", 8},
                                                         {"- 5", 0},
                                                         {"0x1F", 0},
                                                         {"12.9", 12},
                                                         {"2147483648", kIntMax},
                                                         {"-2147483649", kIntMin},
                                                         {"99999999999999999999999", kIntMax}};
    for (const auto& [text, expected] : ints) {
        EXPECT_EQ(decodeSettingInt(text), expected) << '"' << text << '"';
    }
    const std::pair<const char*, float> floats[] = {
        {"2.5xyz", 2.5f}, {"abc", 0.0f}, {" \t+3.25", 3.25f}, {"-1e2", -100.0f}, {"1,5", 1.0f}};
    for (const auto& [text, expected] : floats) {
        EXPECT_EQ(decodeSettingFloat(text), expected) << '"' << text << '"';
    }
    for (const char* text : {"nan", "-Infinity", "1e999", "1e39", "-4e38"}) {
        ASSERT_TRUE(key_.setText(settings::kDefaultGain, text));
        EXPECT_EQ(key_.getFloat(settings::kDefaultGain, 1.0f), 1.0f) << text;
    }
    for (std::int32_t value : {-1, kIntMax, kIntMin}) {
        ASSERT_TRUE(key_.setInt(settings::kInputChannel, value));
        EXPECT_EQ(key_.getInt(settings::kInputChannel, 99), value);
    }
    ASSERT_TRUE(key_.setFloat(settings::kTempo, 133.3333f));
    EXPECT_EQ(key_.getText(settings::kTempo), "133.333");
    ASSERT_TRUE(key_.setFloat(settings::kTempo, std::numeric_limits<float>::infinity()));
    EXPECT_EQ(key_.getFloat(settings::kTempo, 120.0f), 120.0f);
}

TEST_F(SettingsTest, FlagsTextsAndKeysSharingTheFile) {
    EXPECT_FALSE(fs::exists(file_.parent_path()));
    ASSERT_TRUE(key_.setFlag(settings::kPrimary, true));
    EXPECT_EQ(fileText(), "primary=Yes\n");
    for (const char* text : {"yes", "Yes ", "1", ""}) {
        ASSERT_TRUE(key_.setText(settings::kPrimary, text));
        EXPECT_FALSE(key_.getFlag(settings::kPrimary, true)) << '"' << text << '"';
    }
    const std::string path = "/home/u/T\xC3\xBCnings/odd = name\\\n.tun";
    ASSERT_TRUE(key_.setText(settings::kTuning, path));
    EXPECT_EQ(key_.getText(settings::kTuning), path);
    EXPECT_TRUE(key_.setText(settings::kTuning, std::nullopt));
    EXPECT_FALSE(key_.getText(settings::kTuning).has_value());
    ASSERT_TRUE(key_.setText(settings::kTuning, std::string("a\0b", 3)));
    EXPECT_EQ(key_.getText(settings::kTuning), "a");

    SettingsKey other;
    ASSERT_TRUE(other.open(settings::kSubkey, "anything"));
    ASSERT_TRUE(key_.setInt(settings::kMidiOut, 1));
    ASSERT_TRUE(other.setInt(settings::kKnobsMode, 2));
    EXPECT_EQ(key_.getInt(settings::kKnobsMode, 0), 2);
    EXPECT_EQ(other.getInt(settings::kMidiOut, 5), 1);

    key_.close();
    EXPECT_EQ(key_.getInt(settings::kMidiOut, 50), 50);
    EXPECT_FALSE(key_.setInt(settings::kMidiOut, 30));
    ScopedEnv noXdg("XDG_CONFIG_HOME", nullptr);
    ScopedEnv noHome("HOME", nullptr);
    SettingsKey never;  // without a configuration directory a key does not open
    EXPECT_FALSE(never.open(settings::kSubkey, settings::kClassText));
    EXPECT_FALSE(never.setFlag(settings::kPrimary, true));
}

TEST(SettingsPath, MapsTheSubkeyBelowTheConfigDirectory) {
    ScopedEnv xdg("XDG_CONFIG_HOME", "/cfg");
    EXPECT_EQ(settingsFilePath("Software\\Kestrane\\Sorvella"), "/cfg/Kestrane/Sorvella.conf");
    EXPECT_EQ(settingsFilePath("Kestrane\\Sorvella"), "/cfg/Kestrane/Sorvella.conf");
    for (std::string_view bad : {"", "Software", "Software\\Kestrane\\", "Software\\..\\Sorvella",
                                 "Software\\.\\x", "Software\\a/b", "Software\\\\x"}) {
        EXPECT_FALSE(settingsFilePath(bad).has_value()) << bad;
    }
    EXPECT_FALSE(settingsFilePath(std::string_view("Software\\a\0b", 12)).has_value());
}

}  // namespace
}  // namespace sorvella
