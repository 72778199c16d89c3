#include "platform/config_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/config_line.h"
#include "tests/support/temp_dir.h"

namespace sorvella {
namespace {

namespace fs = std::filesystem;
using test::directoryEntries;
using test::ScopedEnv;
using test::TempDir;

// Escaped texts round trip through the file below; here, lines edited by hand.
TEST(ConfigLine, ReadsHandEditedLinesAndRejectsGarbledOnes) {
    for (auto [line, value] : {std::pair{"latency=50\r", "50"},  // written on another system
                               {"tuning=/a b/c=d.tun", "/a b/c=d.tun"},
                               {"x=\\x4a\\x4B\\=", "JK="}}) {
        auto entry = parseConfigLine(line);
        ASSERT_TRUE(entry) << line;
        EXPECT_EQ(entry->value, value);
    }
    for (std::string_view line : {"", "no equals sign", "=value", "a\\q=1", "a=\\", "a=\\x4",
                                  "a=\\xZZ", "a\\=b", "a=b\x01", "\r"}) {
        EXPECT_FALSE(parseConfigLine(line).has_value()) << line;
    }
    EXPECT_FALSE(parseConfigLine(std::string_view("nul\0=x", 6)).has_value());
}

class ConfigFileTest : public ::testing::Test {
  protected:
    TempDir dir_;
    fs::path path_ = dir_ / "Kestrane" / "Sorvella.conf";
    ConfigFile file_{path_.string()};
};

TEST_F(ConfigFileTest, WritesCreateReplaceAndRemoveValuesAndKeepTheFileMode) {
    EXPECT_FALSE(file_.get("latency").has_value());
    EXPECT_FALSE(file_.erase("latency"));
    EXPECT_FALSE(fs::exists(path_.parent_path())) << "reading created the directory";
    ASSERT_TRUE(file_.set("a", "1"));
    ASSERT_TRUE(file_.set("b", "2"));
    ASSERT_TRUE(file_.set("a", "3"));
    EXPECT_EQ(test::readText(path_), "a=3\nb=2\n");
    struct stat st {};
    ASSERT_EQ(::stat(path_.parent_path().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    ASSERT_EQ(::stat(path_.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ASSERT_EQ(::chmod(path_.c_str(), 0640), 0);
    EXPECT_TRUE(file_.erase("a"));
    EXPECT_FALSE(file_.erase("a"));
    EXPECT_EQ(test::readText(path_), "b=2\n");
    ASSERT_EQ(::stat(path_.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_FALSE(file_.set("", "empty names cannot be stored"));
    // A file edited by hand may hold a name twice: the last is read, a write leaves one.
    test::writeText(path_, "a=1\nb=x\na=2\n");
    EXPECT_EQ(file_.get("a"), "2");
    ASSERT_TRUE(file_.set("a", "5"));
    EXPECT_EQ(test::readText(path_), "a=5\nb=x\n");
    EXPECT_EQ(directoryEntries(path_.parent_path()),
              (std::vector<std::string>{"Sorvella.conf", "Sorvella.conf.lock"}));
}

TEST_F(ConfigFileTest, AwkwardTextsSurviveTheFile) {
    const std::string texts[] = {"a=b=c",
                                 "=leading equals",
                                 "back\\slash\\",
                                 "two\nlines\r\n",
                                 std::string("nul\0inside", 10),
                                 "\x01\x1F\x7F",
                                 "\xFF\xFE\x80 not utf-8",
                                 ""};
    for (const std::string& text : texts)
        ASSERT_TRUE(file_.set(text.empty() ? "empty" : text, text));
    ConfigFile reopened(path_.string());
    for (const std::string& text : texts)
        EXPECT_EQ(reopened.get(text.empty() ? "empty" : text), text);
    EXPECT_EQ(reopened.values().size(), std::size(texts));
    const std::string text = test::readText(path_);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), std::ssize(texts))
        << "a line break or control byte escaped into the file";
    EXPECT_EQ(text.find_first_of(std::string("\r\0", 2)), std::string::npos);
}

TEST_F(ConfigFileTest, GarbledFileReadsItsGoodLinesAndIsNotChangedByReading) {
    fs::create_directories(path_.parent_path());
    const std::string garbled = std::string("\x00\x01\xFF binary\n", 11) + "no separator\n" +
                                "latency=75\n" + "bad\\qescape=1\n" + "=x\n" + "tempo=9";
    test::writeText(path_, garbled);
    EXPECT_EQ(file_.get("latency"), "75");
    EXPECT_EQ(file_.get("tempo"), "9");
    EXPECT_FALSE(file_.get("bad\\qescape").has_value());
    EXPECT_EQ(file_.values().size(), 2u);
    EXPECT_EQ(test::readText(path_), garbled);
    // A write changes its own value and keeps every other line as it was.
    ASSERT_TRUE(file_.set("primary", "Yes"));
    EXPECT_EQ(test::readText(path_), garbled + "\nprimary=Yes\n");
}

TEST_F(ConfigFileTest, SomethingElseAtThePathIsLeftAlone) {
    fs::create_directories(path_);
    EXPECT_FALSE(file_.get("a").has_value());
    EXPECT_FALSE(file_.set("a", "1"));
    EXPECT_TRUE(fs::is_directory(path_));
    fs::remove(path_);

    // Reading a FIFO would wait for a writer forever.
    ASSERT_EQ(::mkfifo(path_.c_str(), 0600), 0);
    EXPECT_FALSE(file_.get("a").has_value());
    EXPECT_FALSE(file_.set("a", "1"));
    EXPECT_TRUE(fs::is_fifo(path_));
}

TEST_F(ConfigFileTest, WritesGoThroughASymbolicLink) {
    fs::create_directories(path_.parent_path());
    fs::path real = dir_ / "dotfiles.conf";
    test::writeText(real, "a=1\n");
    fs::create_symlink(real, path_);
    ASSERT_TRUE(file_.set("b", "2"));
    EXPECT_TRUE(fs::is_symlink(path_));
    EXPECT_EQ(test::readText(real), "a=1\nb=2\n");
}

TEST(ConfigFileHome, PrefersXdgConfigHomeAndNeedsAnAbsolutePath) {
    struct Case {
        const char* xdg;
        const char* home;
        std::optional<std::string> expected;
    };
    for (const Case& c :
         {Case{"/x/config", "/home/u", "/x/config"},
          Case{"relative/config", "/home/u", "/home/u/.config"}, Case{nullptr, "", {}}}) {
        ScopedEnv xdg("XDG_CONFIG_HOME", c.xdg);
        ScopedEnv home("HOME", c.home);
        EXPECT_EQ(userConfigHome(), c.expected) << (c.xdg ? c.xdg : "unset");
    }
}

// Two processes write their own values into one file at the same time; each write merges into
// what the other wrote, so at the end every value of both is there.
TEST_F(ConfigFileTest, TwoProcessesWritingAtOnceKeepEachOthersValues) {
    constexpr int kWrites = 300;
    constexpr int kNames = 100;
    int gate[2];
    ASSERT_EQ(::pipe(gate), 0);
    std::vector<pid_t> children;
    for (const char* prefix : {"first", "second"}) {
        pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            ::close(gate[1]);
            char go;
            while (::read(gate[0], &go, 1) < 0) {
            }
            ConfigFile file(path_.string());
            bool ok = true;
            for (int i = 0; i < kWrites; ++i) {
                std::string name = std::string(prefix) + "-" + std::to_string(i % kNames);
                ok = file.set(name, std::to_string(i)) && ok;
            }
            ::_exit(ok ? 0 : 1);
        }
        children.push_back(pid);
    }
    ::close(gate[0]);
    ::close(gate[1]);  // both children start writing now
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }

    auto values = file_.values();
    EXPECT_EQ(values.size(), 2u * kNames);
    for (const char* prefix : {"first", "second"}) {
        for (int n = 0; n < kNames; ++n) {
            std::string name = std::string(prefix) + "-" + std::to_string(n);
            EXPECT_EQ(values[name], std::to_string(kWrites - kNames + n)) << name;
        }
    }
    EXPECT_EQ(directoryEntries(path_.parent_path()),
              (std::vector<std::string>{"Sorvella.conf", "Sorvella.conf.lock"}));
}

}  // namespace
}  // namespace sorvella
