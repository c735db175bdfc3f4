// Preference storage: root resolution, names, the file formats, saves that fail or are cut short,
// and the no-replace rename.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "services_support.hpp"
#include "tessel_dynload/dynamic_library.hpp"
#include "tessel_dynload/internal/preference_io.hpp"
#include "tessel_dynload/preferences.hpp"

namespace tessel::testing {
namespace {

std::optional<std::string> read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void write_file(const fs::path& path, std::string_view content) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
}

/** Every test stores under a temporary root of its own. */
class PreferencesTest : public ServicesTest {
protected:
    void SetUp() override {
        ServicesTest::SetUp();
        set_preference_storage_root(root.path());
        ns = literal("pellam_marble_wall");
    }
    void TearDown() override {
        set_preference_storage_root(std::nullopt);
        ServicesTest::TearDown();
    }

    fs::path value_file(std::string_view key, std::string_view kind) const {
        return root / "pellam_marble_wall" / (std::string(key) + "." + std::string(kind));
    }

    /** Loads key as ascii into a fresh array of 16 elements set to -1; the result and the array. */
    std::pair<int32_t, std::array<int32_t, 16>> load_ascii(std::string_view key, int32_t capacity = 16) {
        std::array<int32_t, 16> values;
        values.fill(-1);
        const int32_t dest = name_hash("prefs.dest");
        tessel_jit_register_global_i32_array(dest, 0, values.data(), 16);
        const int32_t result = tessel_jit_storage_load_ascii(ns, literal(key), dest, capacity);
        clear_registered_global_memory();
        return {result, values};
    }

    TempDir root;
    int32_t ns = 0;
};

// ---------------------------------------------------------------------------------------------
// Root and names

TEST(PreferenceRoot, ResolvesConfiguredThenEnvironment) {
    const std::string storage = "/data/storage", xdg = "/data/xdg", home = "/home/user";
    const struct {
        std::optional<std::string> storage, xdg, home;
        std::optional<fs::path> expected;
    } cases[] = {
        {storage, xdg, home, fs::path("/data/storage/ns/key.i32")},
        {"", xdg, home, fs::path("/data/xdg/TesselLang/ns/key.i32")},
        {std::nullopt, "", home, fs::path("/home/user/.local/share/TesselLang/ns/key.i32")},
        {std::nullopt, std::nullopt, home, fs::path("/home/user/.local/share/TesselLang/ns/key.i32")},
        {std::nullopt, std::nullopt, "", std::nullopt},
        {std::nullopt, std::nullopt, std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        ScopedEnv s("TESSEL_STORAGE_DIR", c.storage), x("XDG_DATA_HOME", c.xdg), h("HOME", c.home);
        EXPECT_EQ(preference_path("ns", "key", "i32"), c.expected);
        set_preference_storage_root(fs::path("/configured"));
        EXPECT_EQ(preference_path("ns", "key", "i32"), fs::path("/configured/ns/key.i32"));
        set_preference_storage_root(std::nullopt);
    }
}

TEST(PreferenceNames, LettersDigitsUnderscoreAndHyphenUpTo63Bytes) {
    const struct {
        std::string name;
        bool valid;
    } cases[] = {
        {"a", true},
        {"slot_4-Z9", true},
        {std::string(63, 'n'), true},
        {std::string(64, 'n'), false},
        {"", false},
        {".", false},
        {"..", false},
        {"a.b", false},
        {"a/b", false},
        {"/abs", false},
        {"a b", false},
        {"a\\b", false},
        {std::string("a\0b", 3), false},
        {"caf\xC3\xA9", false},
        {"a:b", false},
    };
    ScopedEnv storage("TESSEL_STORAGE_DIR", "/root");
    for (const auto& c : cases) {
        EXPECT_EQ(is_valid_preference_name(c.name), c.valid) << c.name;
        EXPECT_EQ(preference_path(c.name, "key", "ascii").has_value(), c.valid) << c.name;
        EXPECT_EQ(preference_path("ns", c.name, "ascii").has_value(), c.valid) << c.name;
    }
    EXPECT_FALSE(preference_path("ns", "key", "../../escape").has_value());
    EXPECT_FALSE(preference_path("ns", "key", "\xff").has_value());
    EXPECT_EQ(preference_path("ns", "key", "ascii"), fs::path("/root/ns/key.ascii"));
}

// ---------------------------------------------------------------------------------------------
// ascii values

TEST_F(PreferencesTest, AsciiRoundTripAndExactFileContent) {
    EXPECT_EQ(tessel_jit_storage_save_ascii(ns, literal("wall"), literal("MW2AACWBGBxyz"), 10), 1);
    EXPECT_EQ(read_file(value_file("wall", "ascii")), "MW2AACWBGB");
    auto [count, values] = load_ascii("wall");
    EXPECT_EQ(count, 10);
    EXPECT_EQ(values[0], 'M');
    EXPECT_EQ(values[9], 'B');
    EXPECT_EQ(values[10], -1);  // past the count: untouched

    EXPECT_EQ(load_ascii("wall", 9).first, -1);  // one smaller than the file
    EXPECT_EQ(load_ascii("wall", 9).second[0], -1);
    EXPECT_EQ(load_ascii("wall", 0).first, -1);
    EXPECT_EQ(load_ascii("absent").first, -1);
}

TEST_F(PreferencesTest, EmptyAsciiValueIsAFileOfNoBytes) {
    EXPECT_EQ(tessel_jit_storage_save_ascii(ns, literal("empty"), literal("abc"), 0), 1);
    EXPECT_EQ(read_file(value_file("empty", "ascii")), "");
    auto [count, values] = load_ascii("empty");
    EXPECT_EQ(count, 0);
    EXPECT_EQ(values[0], -1);
}

TEST_F(PreferencesTest, AsciiSavesRefuseBadArguments) {
    const int32_t text = literal("MW2\tabc");
    const struct {
        const char* name;
        int32_t ns, key, text, length;
    } cases[] = {
        {"tab", ns, literal("k"), text, 4},
        {"longer than the text", ns, literal("k"), text, 8},
        {"negative length", ns, literal("k"), text, -1},
        {"unknown text", ns, literal("k"), 777, 0},
        {"unknown key", ns, 778, text, 3},
        {"dotted key", ns, literal("a.b"), text, 3},
        {"slash namespace", literal("a/b"), literal("k"), text, 3},
        {"dot-dot namespace", literal(".."), literal("k"), text, 3},
        {"64-byte key", ns, literal(std::string(64, 'k')), text, 3},
    };
    for (const auto& c : cases) EXPECT_EQ(tessel_jit_storage_save_ascii(c.ns, c.key, c.text, c.length), 0) << c.name;
    EXPECT_EQ(tessel_jit_storage_save_ascii(ns, literal(std::string(63, 'k')), text, 3), 1);
    std::vector<fs::path> written;
    for (const auto& entry : fs::recursive_directory_iterator(root.path())) written.push_back(entry.path());
    EXPECT_EQ(written, (std::vector<fs::path>{root / "pellam_marble_wall", value_file(std::string(63, 'k'), "ascii")}));
}

TEST_F(PreferencesTest, AsciiLoadsRefuseFilesAUserBroke) {
    const struct {
        const char* name;
        std::string content;
        int32_t expected;
    } cases[] = {
        {"plain", "MW2ABC", 6},
        {"full capacity", std::string(16, 'z'), 16},
        {"trailing newline", "MW2ABC\n", -1},
        {"carriage return", "MW2\rABC", -1},
        {"zero byte", std::string("MW2\0", 4), -1},
        {"DEL", "MW2\x7F", -1},
        {"UTF-8", "caf\xC3\xA9", -1},
        {"too long", std::string(17, 'z'), -1},
    };
    for (const auto& c : cases) {
        write_file(value_file("edited", "ascii"), c.content);
        auto [count, values] = load_ascii("edited");
        EXPECT_EQ(count, c.expected) << c.name;
        if (count < 0) {
            EXPECT_EQ(values[0], -1) << c.name;
        }
    }
    // Not a regular file: refused, and a FIFO must not block the reader.
    fs::remove(value_file("edited", "ascii"));
    fs::create_directory(value_file("edited", "ascii"));
    EXPECT_EQ(load_ascii("edited").first, -1);
    ASSERT_EQ(::mkfifo(value_file("fifo", "ascii").c_str(), 0600), 0);
    EXPECT_EQ(load_ascii("fifo").first, -1);
}

// ---------------------------------------------------------------------------------------------
// i32 values

TEST_F(PreferencesTest, I32FilesAreDecimalWithOneNewline) {
    for (int32_t value : {-5, 0, 42, 2147483647, -2147483647 - 1}) {
        EXPECT_EQ(tessel_jit_storage_save_i32(ns, literal("sound"), value), 1);
        EXPECT_EQ(read_file(value_file("sound", "i32")), std::to_string(value) + "\n");
        EXPECT_EQ(tessel_jit_storage_load_i32(ns, literal("sound"), 99), value);
    }
    EXPECT_EQ(tessel_jit_storage_save_i32(ns, literal("n"), -5), 1);
    EXPECT_EQ(fs::file_size(value_file("n", "i32")), 3u);
}

TEST_F(PreferencesTest, I32LoadsAcceptOnlyADecimalNumber) {
    const struct {
        std::string content;
        int32_t expected;  // 99 is the default
    } cases[] = {
        {" 42\n", 42},
        {"+7", 7},
        {"-0", 0},
        {"\t-2147483648\r\n", -2147483647 - 1},
        {"2147483647", 2147483647},
        {"\xC2\xA0"
         "12\xE3\x80\x80",
         12},  // Unicode white space is trimmed too
        {"-", 99},
        {"+", 99},
        {"4 2", 99},
        {"2147483648", 99},
        {"-2147483649", 99},
        {"99999999999999999999999", 99},
        {"0x10", 99},
        {"1e3", 99},
        {"--1", 99},
        {"", 99},
        {std::string(64, ' '), 99},
        {std::string(61, ' ') + "42", 42},  // 63 bytes
        {std::string(62, ' ') + "42", 99},  // 64 bytes
        {"4\xff", 99},
        {std::string("4\0", 2), 99},
    };
    for (const auto& c : cases) {
        write_file(value_file("edited", "i32"), c.content);
        EXPECT_EQ(tessel_jit_storage_load_i32(ns, literal("edited"), 99), c.expected) << c.content;
    }
    EXPECT_EQ(tessel_jit_storage_load_i32(ns, literal("absent"), 99), 99);
    EXPECT_EQ(tessel_jit_storage_load_i32(ns, literal("bad.key"), 98), 98);
    EXPECT_EQ(tessel_jit_storage_load_i32(ns, 12345, 97), 97);
    EXPECT_EQ(tessel_jit_storage_save_i32(ns, literal("bad key"), 1), 0);
}

TEST_F(PreferencesTest, SavesCreateMissingDirectoriesAndNeedARoot) {
    set_preference_storage_root(root / "deep" / "er");
    EXPECT_EQ(tessel_jit_storage_save_i32(ns, literal("v"), 3), 1);
    EXPECT_EQ(read_file(root / "deep/er/pellam_marble_wall/v.i32"), "3\n");

    set_preference_storage_root(std::nullopt);
    ScopedEnv s("TESSEL_STORAGE_DIR", std::nullopt), x("XDG_DATA_HOME", ""), h("HOME", (root / "home").string());
    EXPECT_EQ(tessel_jit_storage_save_i32(ns, literal("v"), 4), 1);
    EXPECT_EQ(read_file(root / "home/.local/share/TesselLang/pellam_marble_wall/v.i32"), "4\n");

    ScopedEnv no_home("HOME", std::nullopt);
    EXPECT_EQ(tessel_jit_storage_save_i32(ns, literal("v"), 5), 0);
    EXPECT_EQ(tessel_jit_storage_load_i32(ns, literal("v"), 6), 6);

    write_file(root / "blocked", "a file where the namespace directory should go");
    set_preference_storage_root(root / "blocked");
    EXPECT_EQ(tessel_jit_storage_save_i32(ns, literal("v"), 7), 0);
}

// ---------------------------------------------------------------------------------------------
// Failed and interrupted saves

/** Which step of a save fails. */
enum class Step { open, write, flush, rename, none };
Step failing_step = Step::none;

internal::PreferenceFileOps failing_ops() {
    const internal::PreferenceFileOps real = internal::system_preference_file_ops();
    static internal::PreferenceFileOps base;
    base = real;
    return {
        [](int dir, const char* name, int flags, mode_t mode) {
            if (failing_step == Step::open) return errno = EACCES, -1;
            return base.openat(dir, name, flags, mode);
        },
        [](int fd, const void* data, size_t size) -> ssize_t {
            if (failing_step == Step::write) {
                // Half of the bytes go out before the device fills up.
                (void)base.write(fd, data, size / 2);
                return errno = ENOSPC, -1;
            }
            return base.write(fd, data, size);
        },
        [](int fd) {
            if (failing_step == Step::flush) return errno = EIO, -1;
            return base.fsync(fd);
        },
        [](int from_dir, const char* from, int to_dir, const char* to) {
            if (failing_step == Step::rename) return errno = EXDEV, -1;
            return base.renameat(from_dir, from, to_dir, to);
        },
    };
}

TEST_F(PreferencesTest, AFailedSaveKeepsTheOldValueAndLeavesNoTemporaryFile) {
    const internal::PreferenceFileOps previous = internal::replace_preference_file_ops(failing_ops());
    for (Step step : {Step::open, Step::write, Step::flush, Step::rename}) {
        failing_step = Step::none;
        ASSERT_EQ(tessel_jit_storage_save_ascii(ns, literal("wall"), literal("OLDVALUE"), 8), 1);
        ASSERT_EQ(tessel_jit_storage_save_i32(ns, literal("sound"), 1), 1);
        failing_step = step;
        EXPECT_EQ(tessel_jit_storage_save_ascii(ns, literal("wall"), literal("NEW VALUE THAT IS LONGER"), 24), 0);
        EXPECT_EQ(tessel_jit_storage_save_i32(ns, literal("sound"), 0), 0);
        EXPECT_EQ(read_file(value_file("wall", "ascii")), "OLDVALUE") << static_cast<int>(step);
        EXPECT_EQ(read_file(value_file("sound", "i32")), "1\n") << static_cast<int>(step);
        EXPECT_FALSE(fs::exists(value_file("wall", "ascii.tmp"))) << static_cast<int>(step);
        EXPECT_FALSE(fs::exists(value_file("sound", "i32.tmp"))) << static_cast<int>(step);
    }
    failing_step = Step::none;
    internal::replace_preference_file_ops(previous);
}

int short_writes = 0;

TEST_F(PreferencesTest, ShortWritesAreCompleted) {
    internal::PreferenceFileOps ops = internal::system_preference_file_ops();
    ops.write = [](int fd, const void* data, size_t size) -> ssize_t {
        ++short_writes;
        return ::write(fd, data, size > 0 ? 1 : 0);
    };
    const internal::PreferenceFileOps previous = internal::replace_preference_file_ops(ops);
    EXPECT_EQ(tessel_jit_storage_save_ascii(ns, literal("wall"), literal("MW2ABC"), 6), 1);
    internal::replace_preference_file_ops(previous);
    EXPECT_EQ(short_writes, 6);
    EXPECT_EQ(read_file(value_file("wall", "ascii")), "MW2ABC");
}

TEST_F(PreferencesTest, APlantedSymlinkAtTheTemporaryNameIsNotFollowed) {
    const fs::path outside = root / "outside.txt";
    write_file(outside, "precious");
    fs::create_directories(value_file("wall", "ascii").parent_path());
    fs::create_symlink(outside, value_file("wall", "ascii.tmp"));
    EXPECT_EQ(tessel_jit_storage_save_ascii(ns, literal("wall"), literal("MW2ABC"), 6), 1);
    EXPECT_EQ(read_file(outside), "precious");
    EXPECT_EQ(read_file(value_file("wall", "ascii")), "MW2ABC");
    EXPECT_FALSE(fs::is_symlink(value_file("wall", "ascii")));
}

// A child saves the same keys over and over and is killed at arbitrary moments: every value file it
// leaves behind holds one whole value, never a mix or a fragment.
TEST_F(PreferencesTest, KillingASaverNeverLeavesATornValue) {
    const std::string values[2] = {std::string(900, 'a'), std::string(300, 'B') + std::string(300, 'c')};
    const char* keys[3] = {"slot0", "slot1", "wall"};
    for (const char* key : keys) {
        ASSERT_EQ(
            tessel_jit_storage_save_ascii(ns, literal(key), literal(values[0]), static_cast<int32_t>(values[0].size())),
            1);
    }
    const int32_t value_ids[2] = {literal(values[0]), literal(values[1])};
    int32_t key_ids[3];
    for (int k = 0; k < 3; ++k) key_ids[k] = literal(keys[k]);

    std::mt19937 random(20261002);
    for (int round = 0; round < 30; ++round) {
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(ready[0]);
            for (uint64_t n = 0;; ++n) {
                const int32_t value = value_ids[n % 2];
                const int32_t length = static_cast<int32_t>(values[n % 2].size());
                for (int32_t key : key_ids) tessel_jit_storage_save_ascii(ns, key, value, length);
                tessel_jit_storage_save_i32(ns, key_ids[0], n % 2 == 0 ? -123456789 : 2000000000);
                if (n == 0) {
                    const char byte = 1;
                    (void)!::write(ready[1], &byte, 1);
                }
            }
        }
        ::close(ready[1]);
        char byte = 0;
        ASSERT_EQ(::read(ready[0], &byte, 1), 1);
        ::close(ready[0]);
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 3000));
        ASSERT_EQ(::kill(child, SIGKILL), 0);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);

        for (const char* key : keys) {
            const std::optional<std::string> content = read_file(value_file(key, "ascii"));
            ASSERT_TRUE(content.has_value()) << key;
            EXPECT_TRUE(*content == values[0] || *content == values[1])
                << "round " << round << " " << key << " holds " << content->size() << " bytes";
        }
        const std::optional<std::string> number = read_file(value_file("slot0", "i32"));
        ASSERT_TRUE(number.has_value());
        EXPECT_TRUE(*number == "-123456789\n" || *number == "2000000000\n") << *number;
    }
}

// ---------------------------------------------------------------------------------------------
// No-replace rename

TEST(AtomicRenameNoReplace, MovesOnlyOntoAFreeName) {
    TempDir dir;
    write_file(dir / "a", "first");
    write_file(dir / "taken", "second");
    ASSERT_TRUE(atomic_rename_no_replace(dir / "a", dir / "b").ok());
    EXPECT_EQ(read_file(dir / "b"), "first");
    EXPECT_FALSE(fs::exists(dir / "a"));

    Status taken = atomic_rename_no_replace(dir / "b", dir / "taken");
    EXPECT_EQ(taken.error(), "atomic no-replace rename " + (dir / "b").string() + " -> " + (dir / "taken").string() +
                                 " failed: File exists");
    EXPECT_EQ(read_file(dir / "taken"), "second");

    Status missing = atomic_rename_no_replace(dir / "none", dir / "c");
    EXPECT_EQ(missing.error(), "atomic no-replace rename " + (dir / "none").string() + " -> " + (dir / "c").string() +
                                   " failed: No such file or directory");
    EXPECT_EQ(atomic_rename_no_replace(fs::path(std::string("a\0b", 3)), dir / "c").error(),
              "recording source path contains NUL");
    EXPECT_EQ(atomic_rename_no_replace(dir / "b", fs::path(std::string("c\0", 2))).error(),
              "recording destination path contains NUL");
}

}  // namespace
}  // namespace tessel::testing
