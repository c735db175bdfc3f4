// External links: URL validation (a table over every rule, and the web-platform-tests corpus), the
// host's gated URL action, and the module's requests with this thread's URL host and suppression.
#include <fstream>
#include <sstream>
#include <thread>

#include "services_support.hpp"
#include "tessel_dynload/links.hpp"

namespace tessel::testing {
namespace {

int32_t validate(std::string_view url) {
    return tessel_external_url_validate(reinterpret_cast<const uint8_t*>(url.data()), static_cast<int32_t>(url.size()));
}

// ---------------------------------------------------------------------------------------------
// Validation

TEST(UrlValidation, AcceptsPlainHttpAndHttpsUrls) {
    const std::string valid[] = {
        "http://a",  // 8 bytes, one-letter host
        "https://a",
        "https://example.com/",
        "https://Example.COM/Path?q=1&r=%20#frag",
        "http://a-b.c-d.org:8080/x",
        "https://sub.example.co.uk:443",
        "http://192.168.0.1/",
        "http://0.0.0.0",
        "http://255.255.255.255:65535/",
        "https://xn--caf-dma.example/",
        "https://example.com:1",
        "https://[2001:db8::1]/",
        "https://[::]:8443/",
        "https://[::1]",
        "https://[1:2:3:4:5:6:7:8]/",
        "https://[fe80::1:2:3:4:5:6]/",
        "https://example.com/caf\xC3\xA9/\xF0\x9F\x98\x80",
        "https://example.com/%e2%98%83",
        "https://example.com?x",
        "https://example.com#x",
        "https://1a.example",
        "https://example.1a",
        "https://" + std::string(63, 'a') + ".com/",
        "https://" + std::string(63, 'a') + "." + std::string(63, 'b') + "." + std::string(63, 'c') + "." +
            std::string(61, 'd'),
        "https://example.com/" + std::string(2048 - 20, 'p'),
    };
    for (const std::string& url : valid) EXPECT_EQ(validate(url), 1) << url;
}

TEST(UrlValidation, RefusesEverythingElse) {
    const std::string invalid[] = {
        // length and scheme
        "",
        "http://",
        "https://",
        "http:/a",
        "ftp://example.com/",
        "javascript:alert(1)",
        "HTTP://example.com",
        "file:///etc/passwd",
        " https://example.com",
        "https:example.com",
        "//example.com/",
        "https://example.com/" + std::string(2048 - 19, 'p'),
        // authority
        "https:///path",
        "https://?q",
        "https://#f",
        "https://user@example.com/",
        "https://user:pw@example.com/",
        "https://@example.com",
        "https://exa\xC3\xA9mple.com/",
        "https://example.com@evil.com/",
        // names
        "https://.example.com",
        "https://example.com.",
        "https://exa..mple.com",
        "https://-example.com",
        "https://example-.com",
        "https://ex_ample.com",
        "https://" + std::string(64, 'a') + ".com",
        "https://" + std::string(63, 'a') + "." + std::string(63, 'b') + "." + std::string(63, 'c') + "." +
            std::string(62, 'd'),
        "https://exa%41mple.com",
        // numeric hosts
        "http://1.2.3",
        "http://1.2.3.4.5",
        "http://256.1.1.1",
        "http://1.2.3.256",
        "http://01.2.3.4",
        "http://1.2.3.04",
        "http://1234",
        "http://example.1",
        "http://foo.0x1f",
        "http://0x7f.0.0.1",
        "http://a.0x",
        // IPv6
        "https://[]",
        "https://[::1",
        "https://[1:2:3:4:5:6:7]/",
        "https://[1:2:3:4:5:6:7:8:9]/",
        "https://[1::2::3]/",
        "https://[12345::]/",
        "https://[::ffff:1.2.3.4]/",
        "https://[fe80::1%25eth0]/",
        "https://[g::]/",
        "https://[:::]/",
        "https://[::1]x/",
        "https://[::1]:/",
        "https://[::1]:0/",
        // ports
        "https://example.com:",
        "https://example.com:0",
        "https://example.com:65536",
        "https://example.com:123456",
        "https://example.com:8a",
        "https://example.com:+80",
        "https://example.com:80:81",
        "https://a:b:c/",
        // anywhere
        "https://example.com/a b",
        "https://example.com/a\tb",
        "https://example.com/\n",
        "https://example.com/\x7F",
        "https://example.com/a\\b",
        "https://example.com\\@evil.com",
        "https://example.com/%",
        "https://example.com/%4",
        "https://example.com/%4g",
        "https://example.com/%%41",
        std::string("https://example.com/\0x", 21),
        "https://example.com/\xC3",
        "https://example.com/\xC0\xAF",
        "https://example.com/\xE0\x80\xAF",
        "https://example.com/\xED\xA0\x80",
        "https://example.com/\xF4\x90\x80\x80",
        "https://example.com/\xFF",
        "https://example.com/\x80",
    };
    for (const std::string& url : invalid) EXPECT_EQ(validate(url), 0) << url;
    EXPECT_EQ(tessel_external_url_validate(nullptr, 10), 0);
    EXPECT_EQ(tessel_external_url_validate(reinterpret_cast<const uint8_t*>("https://a"), -1), 0);
}

/** A minimal reader of the JSON the corpus uses: arrays, objects, strings, true, false, null. */
class JsonReader {
public:
    struct Case {
        std::string input;
        bool failure = false;
    };

    explicit JsonReader(std::string text) : text_(std::move(text)) {}

    /** The cases of the top-level array (comment strings skipped). */
    std::vector<Case> cases() {
        std::vector<Case> out;
        expect('[');
        while (true) {
            skip_space();
            if (peek() == ']') break;
            if (peek() == '"') {
                (void)string();
            } else {
                out.push_back(object());
            }
            skip_space();
            if (peek() == ',') ++pos_;
        }
        return out;
    }

private:
    Case object() {
        Case c;
        expect('{');
        while (true) {
            skip_space();
            if (peek() == '}') {
                ++pos_;
                return c;
            }
            const std::string key = string();
            expect(':');
            skip_space();
            if (peek() == '"') {
                std::string value = string();
                if (key == "input") c.input = std::move(value);
            } else {
                const bool is_true = text_.compare(pos_, 4, "true") == 0;
                pos_ += is_true ? 4 : text_.compare(pos_, 5, "false") == 0 ? 5 : 4;
                if (key == "failure") c.failure = is_true;
            }
            skip_space();
            if (peek() == ',') ++pos_;
        }
    }

    std::string string() {
        expect('"');
        std::string out;
        while (text_[pos_] != '"') {
            char c = text_[pos_++];
            if (c != '\\') {
                out.push_back(c);
                continue;
            }
            c = text_[pos_++];
            switch (c) {
                case 'n':
                    out.push_back('\n');
                    break;
                case 't':
                    out.push_back('\t');
                    break;
                case 'r':
                    out.push_back('\r');
                    break;
                case 'b':
                    out.push_back('\b');
                    break;
                case 'f':
                    out.push_back('\f');
                    break;
                case 'u':
                    append_code_point(out);
                    break;
                default:
                    out.push_back(c);
                    break;
            }
        }
        ++pos_;
        return out;
    }

    void append_code_point(std::string& out) {
        uint32_t cp = hex4();
        if (cp >= 0xD800 && cp <= 0xDBFF && text_.compare(pos_, 2, "\\u") == 0) {
            const std::size_t save = pos_;
            pos_ += 2;
            const uint32_t low = hex4();
            if (low >= 0xDC00 && low <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
            } else {
                pos_ = save;
            }
        }
        // Lone surrogates are kept as their three-byte form, which is not UTF-8.
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }

    uint32_t hex4() {
        const uint32_t value = static_cast<uint32_t>(std::stoul(text_.substr(pos_, 4), nullptr, 16));
        pos_ += 4;
        return value;
    }

    void skip_space() {
        while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_]))) ++pos_;
    }
    char peek() const { return text_[pos_]; }
    void expect(char c) {
        skip_space();
        ASSERT_EQ(text_[pos_], c) << "at " << pos_;
        ++pos_;
    }

    std::string text_;
    std::size_t pos_ = 0;
};

TEST(UrlValidation, RefusesEveryUrlTheWebRefusesInTheWebPlatformCorpus) {
    // The web-platform-tests URL cases (3-Clause BSD licence), kept in the test data beside the checkout.
    std::ifstream in(fs::path(TESSEL_SERVICES_TESTDATA_DIR) / "urltestdata.json", std::ios::binary);
    if (!in) GTEST_SKIP() << "urltestdata.json is not beside the checkout";
    std::stringstream text;
    text << in.rdbuf();
    const std::vector<JsonReader::Case> cases = JsonReader(text.str()).cases();
    ASSERT_GT(cases.size(), 800u);

    int refused_by_web = 0, accepted_by_web_and_here = 0;
    for (const JsonReader::Case& c : cases) {
        if (c.failure) {
            ++refused_by_web;
            EXPECT_EQ(validate(c.input), 0) << c.input;
        } else if (validate(c.input) == 1) {
            ++accepted_by_web_and_here;
        }
    }
    EXPECT_GT(refused_by_web, 250);
    // Plain absolute http(s) URLs the web accepts are accepted here too (a sample of them exists).
    EXPECT_GT(accepted_by_web_and_here, 50);
}

// ---------------------------------------------------------------------------------------------
// The gated action

struct Opened {
    std::vector<std::string> urls;
    int32_t result = 1;
};

int32_t record_opener(const uint8_t* url, int32_t length, void* context) {
    auto* opened = static_cast<Opened*>(context);
    opened->urls.emplace_back(reinterpret_cast<const char*>(url), static_cast<std::size_t>(length));
    return opened->result;
}

int32_t request(TesselExternalUrlAction* state, std::string_view url, Opened* opened) {
    return tessel_external_url_action_request(state, reinterpret_cast<const uint8_t*>(url.data()),
                                              static_cast<int32_t>(url.size()),
                                              opened != nullptr ? &record_opener : nullptr, opened);
}

TEST(UrlAction, OneGestureOpensAtMostOneUrl) {
    Opened opened;
    TesselExternalUrlAction state{};
    EXPECT_EQ(request(&state, "https://example.com/", &opened), 0);  // no gesture yet
    tessel_external_url_action_begin_frame(&state, 1, 0);
    EXPECT_EQ(request(&state, "not a url", &opened), -1);  // invalid: refused, stays armed
    EXPECT_EQ(request(&state, "https://example.com/a", &opened), 1);
    EXPECT_EQ(request(&state, "https://example.com/b", &opened), 0);
    EXPECT_EQ(opened.urls, std::vector<std::string>{"https://example.com/a"});

    tessel_external_url_action_begin_frame(&state, 1, 1);
    EXPECT_EQ(request(&state, "https://example.com/c", &opened), 0);  // suppressed
    tessel_external_url_action_begin_frame(&state, 1, 0);
    opened.result = 0;
    EXPECT_EQ(request(&state, "https://example.com/d", &opened), 0);  // the opener declined
    EXPECT_EQ(state.armed, 0);                                        // and the gesture is spent
    tessel_external_url_action_begin_frame(&state, 1, 0);
    EXPECT_EQ(request(&state, "https://example.com/e", nullptr), 0);  // nobody to open it
    EXPECT_EQ(state.armed, 0);

    tessel_external_url_action_begin_frame(&state, 7, 9);
    EXPECT_EQ(state.armed, 1);
    EXPECT_EQ(state.suppressed, 1);
    tessel_external_url_action_clear(&state);
    EXPECT_EQ(state.armed, 0);
    EXPECT_EQ(state.suppressed, 0);
    EXPECT_EQ(request(nullptr, "https://example.com/", &opened), 0);
    EXPECT_EQ(request(nullptr, "https://", &opened), -1);
    tessel_external_url_action_begin_frame(nullptr, 1, 0);
    tessel_external_url_action_clear(nullptr);
}

// ---------------------------------------------------------------------------------------------
// The module's requests

using OpenExternalUrl = ServicesTest;

TEST_F(OpenExternalUrl, GoesToThisThreadsHostElseTheLibrary) {
    Opened opened;
    const int32_t url = literal("https://freesound.example/s/1/");
    EXPECT_EQ(tessel_jit_open_external_url(url), 0);  // nobody can open it

    set_external_url_host(&record_opener, &opened);
    EXPECT_EQ(tessel_jit_open_external_url(url), 1);
    EXPECT_EQ(opened.urls, std::vector<std::string>{"https://freesound.example/s/1/"});
    opened.result = 5;
    EXPECT_EQ(tessel_jit_open_external_url(url), 5);  // the host's answer as is

    bind_services_to(fixture_path("good"));
    FixtureControl fixture(fixture_path("good"));
    int32_t other_thread = -1;
    std::thread([&] { other_thread = tessel_jit_open_external_url(url); }).join();
    EXPECT_EQ(other_thread, 1);
    EXPECT_EQ(fixture.get(COUNT_OPEN_URL), 1);
    EXPECT_EQ(fixture.text(), "https://freesound.example/s/1/");
    set_external_url_host(nullptr, nullptr);
    fixture.set(KNOB_URL_RESULT, 0);
    EXPECT_EQ(tessel_jit_open_external_url(url), 0);
    EXPECT_EQ(fixture.get(COUNT_OPEN_URL), 2);
}

TEST_F(OpenExternalUrl, RefusesBadTextAndStaysQuietWhileSuppressed) {
    Opened opened;
    set_external_url_host(&record_opener, &opened);
    EXPECT_EQ(tessel_jit_open_external_url(literal("https://example.com/a b")), -1);
    EXPECT_EQ(tessel_jit_open_external_url(4711), -1);  // names no text
    EXPECT_EQ(tessel_jit_open_external_url(literal("https://example.com/" + std::string(2029, 'x'))),
              -1);  // 2049 bytes

    const int32_t url = literal("https://example.com/");
    {
        ExternalUrlSuppression swap;
        EXPECT_TRUE(external_url_suppressed());
        { ExternalUrlSuppression nested; }
        EXPECT_TRUE(external_url_suppressed());  // restored to the outer guard's state
        EXPECT_EQ(tessel_jit_open_external_url(url), 0);
        EXPECT_EQ(tessel_jit_open_external_url(literal("bad url")), -1);
        int32_t other_thread = -1;
        std::thread([&] { other_thread = tessel_jit_open_external_url(url); }).join();
        EXPECT_EQ(other_thread, 0);  // not suppressed there, but that thread has no host either
    }
    EXPECT_FALSE(external_url_suppressed());
    EXPECT_EQ(tessel_jit_open_external_url(url), 1);
    EXPECT_EQ(opened.urls.size(), 1u);
    set_external_url_host(nullptr, nullptr);
}

}  // namespace
}  // namespace tessel::testing
