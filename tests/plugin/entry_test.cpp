// The library's entry points: what it exports, what the entry asks the host first, and when it
// refuses to load.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <memory>
#include <sstream>
#include <string>

#include "tests/plugin/test_host.h"

namespace sorvella::test {
namespace {

// Defined dynamic symbols of the library, by name, with nm's type letter.
std::map<std::string, char> exportedSymbols(bool* ran) {
    std::map<std::string, char> symbols;
    const std::string command = std::string("nm -D --defined-only '") + pluginPath() + "' 2>&1";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    *ran = pipe != nullptr;
    if (!pipe) return symbols;
    char line[1024];
    while (std::fgets(line, sizeof line, pipe.get()) != nullptr) {
        std::istringstream fields(line);
        std::string address;
        std::string type;
        std::string name;
        if (!(fields >> address >> type >> name) || type.size() != 1) {
            ADD_FAILURE() << "unexpected nm output: " << line;
            continue;
        }
        symbols[name.substr(0, name.find('@'))] = type[0];
    }
    return symbols;
}

TEST(PluginEntry, ExportsExactlyTheTwoEntryPoints) {
    bool ran = false;
    const std::map<std::string, char> symbols = exportedSymbols(&ran);
    ASSERT_TRUE(ran) << "cannot run nm";
    const std::map<std::string, char> expected = {{"VSTPluginMain", 'T'}, {"main", 'T'}};
    EXPECT_EQ(symbols, expected);
}

// Both entry points ask for the host's version before anything else and refuse a host that
// answers 0 without building the instrument. No instance calls its host after effClose.
TEST(PluginEntry, BothEntryPointsAskTheHostVersionFirst) {
    const std::size_t strayBefore = TestHost::strayCallbacks();
    for (const char* name : {"VSTPluginMain", "main"}) {
        for (vst2::intptr version : {2400, 2300, 0}) {
            SCOPED_TRACE(testing::Message() << name << ", host version " << version);
            TestHost host({version, name});
            EXPECT_EQ(host.open(), version != 0);
            const std::vector<HostCall> calls = host.calls();
            ASSERT_FALSE(calls.empty());
            EXPECT_EQ(calls.front().opcode, vst2::audioMasterVersion);
            EXPECT_EQ(calls.front().effect, nullptr);
            if (version == 0) {
                EXPECT_EQ(calls.size(), 1u) << "the instrument must not be built";
            } else {
                EXPECT_EQ(host.effect()->uniqueID, vst2::fourCC('S', 'O', 'R', 'V'));
                host.start();
                host.sendEvents({noteOn(60, 100)});
                host.process(512);
                EXPECT_EQ(host.close(), 1);
            }
        }
    }
    EXPECT_EQ(TestHost::strayCallbacks(), strayBefore);
}

}  // namespace
}  // namespace sorvella::test
