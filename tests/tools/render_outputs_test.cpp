// Where sorvella-render writes, run as a user runs it: devices, pipes, links, read-only files and
// standard output are treated as what they are, one file is never named twice, and an
// interrupted render leaves no partial file. The output cases run as the current user and, under
// root, also as "nobody".
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/tools/audio_test_support.h"
#include "tests/tools/tools_test_support.h"
#include "tools/demo/smf_writer.h"

extern char** environ;

namespace sorvella {
namespace {

namespace fs = std::filesystem;

constexpr uid_t kNobody = 65534;

class RenderOutputs : public ::testing::Test {
  protected:
    void SetUp() override {
        ::chmod(dir_.path().c_str(), 0777);
        SmfTrack t;
        t.noteOn(0, 0, 60, 100);
        t.noteOff(96, 0, 60);
        test::writeBytes(file("song.mid"), encodeSmf(0, 96, {t}));
    }
    std::string file(const std::string& name) const { return dir_.file(name); }
    // A file of the test's own, owned by the user the renderer runs as.
    void make(const std::string& name, const std::string& text, mode_t mode) {
        test::writeBytes(file(name), {text.begin(), text.end()});
        ::chmod(file(name).c_str(), mode);
        if (user_ != ::getuid()) {
            EXPECT_EQ(::chown(file(name).c_str(), user_, user_), 0);
        }
    }
    test::ProcessResult render(std::vector<std::string> args) {
        args.insert(args.begin(), SORVELLA_RENDER_PATH);
        args.insert(args.end(),
                    {"--plugin", FAKE_INSTRUMENT_PATH, "--rate", "8000", "--tail", "0"});
        if (user_ != ::getuid()) {
            const std::string id = std::to_string(user_);
            args.insert(args.begin(), {"--reuid=" + id, "--regid=" + id, "--clear-groups"});
            return test::runProgram("/usr/bin/setpriv", args, {{"TMPDIR", dir_.path()}});
        }
        const std::string program = args.front();
        args.erase(args.begin());
        return test::runProgram(program, args, {{"TMPDIR", dir_.path()}});
    }
    void expectNoPartialFile() const {
        for (const std::string& name : dir_.entries())
            EXPECT_EQ(name.find(".partial-"), std::string::npos) << name;
    }
    void runAll();

    test::ScratchDir dir_;
    uid_t user_ = ::getuid();
};

void RenderOutputs::runAll() {
    // A device stays a device.
    auto r = render({file("song.mid"), "-o", "/dev/null"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(fs::is_character_file("/dev/null"));

    // A named pipe gets the stream and stays a pipe.
    ASSERT_EQ(::mkfifo(file("pipe").c_str(), 0666), 0);
    if (user_ != ::getuid()) {
        ASSERT_EQ(::chown(file("pipe").c_str(), user_, user_), 0);
    }
    std::vector<std::uint8_t> piped;
    std::thread reader([&] { piped = test::readBytes(file("pipe")); });
    r = render({file("song.mid"), "-o", file("pipe")});
    // Should the render have failed before it opened the pipe, the reader still gets its end.
    const int unblock = ::open(file("pipe").c_str(), O_WRONLY | O_NONBLOCK);
    if (unblock >= 0) ::close(unblock);
    reader.join();
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(fs::is_fifo(file("pipe")));
    EXPECT_EQ(std::string(piped.begin(), piped.begin() + std::min<std::size_t>(4, piped.size())),
              "RIFF");

    // A link is followed; the file it names is replaced and keeps its permissions.
    make("real.wav", "old", 0640);
    fs::create_symlink(file("real.wav"), file("link.wav"));
    r = render({file("song.mid"), "-o", file("link.wav")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(fs::is_symlink(file("link.wav")));
    EXPECT_EQ(test::readAudio(file("real.wav")).frames(), 4001u);
    EXPECT_EQ(fs::status(file("real.wav")).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

    // A read-only file is refused, even for root.
    make("ro.wav", "keep", 0444);
    r = render({file("song.mid"), "-o", file("ro.wav")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err,
              "sorvella-render: cannot write " + file("ro.wav") + ": the file is read-only\n");
    EXPECT_EQ(test::readBytes(file("ro.wav")), (std::vector<std::uint8_t>{'k', 'e', 'e', 'p'}));

    // One file under two names.
    const std::string spelt = dir_.path() + "/./same.wav";
    for (const std::vector<std::string>& twice :
         {std::vector<std::string>{"-o", file("same.wav"), "--save-bank", spelt},
          std::vector<std::string>{"-o", file("link.wav"), "--save-patch", file("real.wav")}}) {
        std::vector<std::string> args{file("song.mid")};
        args.insert(args.end(), twice.begin(), twice.end());
        r = render(args);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_NE(r.err.find("name the same file"), std::string::npos) << r.err;
    }
    EXPECT_FALSE(fs::exists(file("same.wav")));

    // Standard output.
    r = render({file("song.mid"), "-o", "-"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    test::writeBytes(file("stdout.wav"), {r.out.begin(), r.out.end()});
    EXPECT_EQ(test::readAudio(file("stdout.wav")).frames(), 4001u);
    expectNoPartialFile();
}

TEST_F(RenderOutputs, TreatsEachKindOfTargetAsWhatItIs) {
    runAll();
}

TEST_F(RenderOutputs, TreatsEachKindOfTargetAsWhatItIsForAnUnprivilegedUser) {
    if (::getuid() != 0) GTEST_SKIP() << "not root: the run above was already unprivileged";
    if (::access("/usr/bin/setpriv", X_OK) != 0) GTEST_SKIP() << "no setpriv to become nobody";
    user_ = kNobody;
    runAll();
}

// Starts the renderer on a song long enough to interrupt, its output in the scratch folder.
pid_t startLongRender(const test::ScratchDir& dir, const std::string& out) {
    SmfTrack t;
    t.noteOn(0, 0, 60, 100);
    t.noteOff(96 * 400, 0, 60);  // 200 s
    test::writeBytes(dir.file("long.mid"), encodeSmf(0, 96, {t}));
    std::vector<std::string> args{SORVELLA_RENDER_PATH, dir.file("long.mid"), "-o",           out,
                                  "--plugin",           FAKE_INSTRUMENT_PATH, "--no-progress"};
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> env{"FAKE_INSTRUMENT_SLOW=1"};
    for (char** e = environ; *e; ++e)
        env.emplace_back(*e);
    std::vector<char*> envp;
    for (std::string& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    // Whatever the test runner ignores, the renderer starts with the usual dispositions.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGTERM);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
    pid_t pid = -1;
    posix_spawn(&pid, argv[0], nullptr, &attributes, argv.data(), envp.data());
    posix_spawnattr_destroy(&attributes);
    return pid;
}

TEST(RenderInterrupted, RemovesThePartialFileAndDiesOfTheSignal) {
    for (int signal : {SIGINT, SIGTERM}) {
        test::ScratchDir dir;
        const pid_t pid = startLongRender(dir, dir.file("out.wav"));
        ASSERT_GT(pid, 0);
        bool writing = false;
        for (int wait = 0; wait < 1000 && !writing; ++wait) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            for (const std::string& name : dir.entries())
                writing |= name.rfind("out.wav.partial-", 0) == 0;
        }
        ::kill(pid, signal);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(writing) << "the render never began writing";
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
        EXPECT_EQ(dir.entries(), std::vector<std::string>{"long.mid"}) << signal;
    }
}

}  // namespace
}  // namespace sorvella
