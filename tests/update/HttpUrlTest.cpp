#include <gtest/gtest.h>

#include "update/Url.h"

namespace velmora {
namespace {

struct UrlCase {
    const char* name;
    std::string url;
    std::string host;
    std::uint16_t port;
    std::string path;
    std::string proxyUrl;
};

class UrlIsAnalysed : public ::testing::TestWithParam<UrlCase> {};

TEST_P(UrlIsAnalysed, IntoHostPortPathAndProxyTarget) {
    const UrlCase& c = GetParam();
    const UrlResult result = ParseUrl(c.url);
    ASSERT_TRUE(result.Ok) << result.Error;
    EXPECT_EQ(result.Value.Host, c.host);
    EXPECT_EQ(result.Value.Port, c.port);
    EXPECT_EQ(result.Value.Path, c.path);
    EXPECT_EQ(result.Value.Url, c.proxyUrl);
}

const std::string kLongPath = "/" + std::string(300, 'a');

INSTANTIATE_TEST_SUITE_P(
    Http, UrlIsAnalysed,
    ::testing::Values(
        UrlCase{"Plain", "http://example.com/x/y.php?disk=Q", "example.com", 80, "/x/y.php?disk=Q",
                "http://example.com/x/y.php?disk=Q"},
        UrlCase{"NamedPort", "http://example.com:8080/a", "example.com", 8080, "/a", "http://example.com:8080/a"},
        UrlCase{"NoPathGetsSlash", "http://example.com", "example.com", 80, "/", "http://example.com/"},
        UrlCase{"NoPathWithPort", "http://127.0.0.1:81", "127.0.0.1", 81, "/", "http://127.0.0.1:81/"},
        UrlCase{"UpperCaseScheme", "HTTP://h/", "h", 80, "/", "HTTP://h/"},
        UrlCase{"FtpDefaultPort", "ftp://files.example/f.bin", "files.example", 21, "/f.bin",
                "ftp://files.example/f.bin"},
        UrlCase{"GopherDefaultPort", "gopher://g/", "g", 70, "/", "gopher://g/"},
        UrlCase{"LongPathIsCutTo256", "http://h" + kLongPath, "h", 80, kLongPath.substr(0, 256),
                "http://h" + kLongPath}),
    [](const ::testing::TestParamInfo<UrlCase>& info) { return info.param.name; });

struct BadUrlCase {
    const char* name;
    std::string url;
    std::string error;  // empty: any text
};

class UrlIsRefused : public ::testing::TestWithParam<BadUrlCase> {};

TEST_P(UrlIsRefused, WithAText) {
    const UrlResult result = ParseUrl(GetParam().url);
    EXPECT_FALSE(result.Ok);
    EXPECT_FALSE(result.Error.empty());
    if (!GetParam().error.empty()) {
        EXPECT_EQ(result.Error, GetParam().error);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Http, UrlIsRefused,
    ::testing::Values(BadUrlCase{"Empty", "", ""},
                      BadUrlCase{"Https", "https://example.com/", "HTTP Secure Socket is not supported"},
                      BadUrlCase{"HttpsAnyCase", "HtTpS://example.com/", "HTTP Secure Socket is not supported"},
                      BadUrlCase{"NoSlashes", "example.com/path", ""}, BadUrlCase{"EmptyHost", "http:///x", ""},
                      BadUrlCase{"EmptyHostWithPort", "http://:80/x", ""},
                      BadUrlCase{"PortNotDigits", "http://h:8o/x", ""}, BadUrlCase{"PortZero", "http://h:0/", ""},
                      BadUrlCase{"PortTooBig", "http://h:65536/", ""}, BadUrlCase{"PortEmpty", "http://h:/", ""},
                      BadUrlCase{"PortSigned", "http://h:+80/", ""}),
    [](const ::testing::TestParamInfo<BadUrlCase>& info) { return info.param.name; });

}  // namespace
}  // namespace velmora
