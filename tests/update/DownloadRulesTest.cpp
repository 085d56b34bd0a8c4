#include "update/DownloadRules.h"

#include <gtest/gtest.h>

namespace velmora::update {
namespace {

TEST(DownloadRules, OnlyATwoHundredWithAllAnnouncedBytesIsDone) {
    EXPECT_TRUE(DownloadComplete(200, 10, 10));
    EXPECT_TRUE(DownloadComplete(206, std::nullopt, 3));
    EXPECT_FALSE(DownloadComplete(200, 10, 9));   // cut short
    EXPECT_FALSE(DownloadComplete(200, 10, 11));  // more than announced
    for (const int status : {100, 199, 300, 302, 304, 404, 500}) EXPECT_FALSE(DownloadComplete(status, 0, 0)) << status;
}

TEST(DownloadRules, RedirectsResolveAgainstTheCurrentUrlOverHttpOnly) {
    const char* current = "http://h:8080/d/e/f.bin?x=1";
    const struct {
        const char* Location;
        std::optional<std::string> Next;
    } cases[] = {
        {"http://other/file.exe", "http://other/file.exe"},
        {"HTTP://other", "http://other/"},
        {"//other:81/a/./b/../c", "http://other:81/a/c"},
        {"/x/y.bin#part", "http://h:8080/x/y.bin"},
        {"g.bin", "http://h:8080/d/e/g.bin"},
        {"../../../g.bin?v=2", "http://h:8080/g.bin?v=2"},
        {"?v=2", "http://h:8080/d/e/f.bin?v=2"},
        {"https://other/file.exe", std::nullopt},
        {"ftp://other/file.exe", std::nullopt},
        {"javascript:alert(1)", std::nullopt},
        {"http://", std::nullopt},
        {"", std::nullopt},
        {"#only", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(ResolveRedirect(current, c.Location), c.Next) << c.Location;
}

TEST(DownloadRules, ATrailEndsAtTheSixthRedirectOrAtAUrlSeenBefore) {
    RedirectTrail trail("http://h/0");
    for (int hop = 1; hop <= kMaxRedirects; ++hop) EXPECT_TRUE(trail.Follow("/" + std::to_string(hop))) << hop;
    EXPECT_FALSE(trail.Follow("/6"));

    RedirectTrail loop("http://h/a");
    EXPECT_TRUE(loop.Follow("/b"));
    EXPECT_FALSE(loop.Follow("http://h/a"));
    for (const int status : {301, 302, 303, 307, 308}) EXPECT_TRUE(IsRedirect(status)) << status;
    for (const int status : {300, 304, 305, 200}) EXPECT_FALSE(IsRedirect(status)) << status;
}

TEST(DownloadRules, ASizeOverFourGiBOrTheFreeSpaceIsRefusedBeforeWriting) {
    EXPECT_EQ(CheckDownloadSize(100, 100), SizeVerdict::Fits);
    EXPECT_EQ(CheckDownloadSize(101, 100), SizeVerdict::NoSpace);
    EXPECT_EQ(CheckDownloadSize(std::int64_t{4} << 30, ~0ull), SizeVerdict::Fits);
    EXPECT_EQ(CheckDownloadSize((std::int64_t{4} << 30) + 1, ~0ull), SizeVerdict::TooLarge);
}

}  // namespace
}  // namespace velmora::update
