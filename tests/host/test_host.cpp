// The host program as a person or a script runs it: headless frames with a screenshot, a real window
// under a virtual display, and clear failures when the module or the graphics runtime is missing.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

struct Outcome {
    int status = -1;
    std::string output;  // standard output and standard error together
};

/** Runs a shell command line and collects what it prints. */
Outcome run(const std::string& command) {
    Outcome r;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) return r;
    std::array<char, 4096> buf;
    std::size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), pipe)) > 0) r.output.append(buf.data(), n);
    const int status = pclose(pipe);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

/** Width and height from a PNG file's header, or 0 x 0. */
std::pair<uint32_t, uint32_t> png_size(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    unsigned char h[24] = {};
    if (!in.read(reinterpret_cast<char*>(h), sizeof h) || h[1] != 'P' || h[2] != 'N' || h[3] != 'G') return {0, 0};
    auto be = [&](int i) { return (uint32_t(h[i]) << 24) | (uint32_t(h[i + 1]) << 16) | (uint32_t(h[i + 2]) << 8) | h[i + 3]; };
    return {be(16), be(20)};
}

class Host : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("pellam-host-" + std::to_string(::getpid()) + "-" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string host() const { return std::string("SDL_AUDIODRIVER=dummy ") + TESSEL_HOST_PROGRAM; }
    fs::path dir_;
};

// Starter wall 0 after 300 frames; the picture stays in the build folder for a person to look at.
TEST_F(Host, HeadlessRunWritesTheLastFrame) {
    const fs::path shot = fs::path(TESSEL_BINARY_DIR) / "screenshots" / "starter_wall_0.png";
    fs::create_directories(shot.parent_path());
    fs::remove(shot);
    Outcome r = run(host() + " --headless --frames 300 --screenshot " + shot.string() + " --storage " +
                (dir_ / "store").string());
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(png_size(shot), std::make_pair(2000u, 900u)) << r.output;
}

TEST_F(Host, WindowUnderAVirtualDisplay) {
    if (std::system("command -v xvfb-run >/dev/null 2>&1") != 0) GTEST_SKIP() << "xvfb-run is not installed";
    const fs::path shot = dir_ / "window.png";
    // A 2560 x 1440 display: the module asks for a window 900 high with the display's aspect ratio.
    // With a display, SDL's desktop-bus connection keeps memory until the process ends, and the leak
    // checker reads stale pointers in it as our leaks: leaks are checked by the headless run instead.
    Outcome r = run("xvfb-run -a -s '-screen 0 2560x1440x24' env -u WAYLAND_DISPLAY SDL_RENDER_DRIVER=software "
                    "ASAN_OPTIONS=detect_leaks=0 " +
                host() + " --frames 120 --mute --screenshot " + shot.string() + " --storage " +
                (dir_ / "store").string());
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(png_size(shot), std::make_pair(1600u, 900u)) << r.output;
}

TEST_F(Host, MissingModuleIsNamedWithTheReason) {
    Outcome r = run(host() + " --headless --frames 1 --module " + (dir_ / "nowhere.so").string());
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.output.find("cannot load the module " + (dir_ / "nowhere.so").string() + ": no such file"),
              std::string::npos)
        << r.output;

    const fs::path junk = dir_ / "junk.so";
    std::ofstream(junk) << "not a library";
    r = run(host() + " --headless --frames 1 --module " + junk.string());
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.output.find("cannot load the module " + junk.string() + ": "), std::string::npos) << r.output;
}

TEST_F(Host, MissingGraphicsRuntimeIsReported) {
    // A copy of the program alone in a folder finds no graphics runtime beside it.
    const fs::path lonely = dir_ / "pellam-marble-wall";
    fs::copy_file(TESSEL_HOST_PROGRAM, lonely);
    Outcome r = run("cd " + dir_.string() + " && env -u TESSEL_RUNTIME_LIBRARY_PATH -u TESSEL_RUNTIME_DLL_PATH " +
                lonely.string() + " --headless --frames 1");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.output.find("cannot load the graphics runtime: "), std::string::npos) << r.output;
}

TEST_F(Host, OptionsHelpVersionAndMistakes) {
    struct Case {
        const char* args;
        int status;
        const char* says;
    };
    const Case cases[] = {
        {"--help", 0, "Usage: pellam-marble-wall"},
        {"--version", 0, "nightly-20261002-377"},
        {"--frames", 2, "--frames needs a number"},
        {"--frames 0", 2, "--frames needs a positive number"},
        {"--frames 12x", 2, "--frames needs a positive number"},
        {"--screenshot", 2, "--screenshot needs a path"},
        {"--bogus", 2, "unknown option '--bogus'"},
    };
    for (const Case& c : cases) {
        Outcome r = run(host() + " " + c.args);
        EXPECT_EQ(r.status, c.status) << c.args;
        EXPECT_NE(r.output.find(c.says), std::string::npos) << c.args << ": " << r.output;
    }
}

}  // namespace
