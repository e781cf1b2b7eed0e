#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include "engine/part_records.h"
#include "net/curl_session.h"
#include "store/checksums.h"
#include "support/file_worker_fixture.h"
#include "support/internet_checks.h"
#include "support/temp_folder.h"
#include "support/test_ftp_server.h"
#include "support/test_http_server.h"

namespace {

// The library's one-shot digest, independent of the workers' streaming
// one, as raw bytes.
std::string RawDigestOf(const std::string& bytes, const EVP_MD* kind) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(bytes.data(), bytes.size(), digest, &length, kind, nullptr);
    return std::string(reinterpret_cast<const char*>(digest), length);
}

std::string Base64Of(const std::string& raw) {
    std::string text(4 * ((raw.size() + 2) / 3) + 1, '\0');
    const int length =
        EVP_EncodeBlock(reinterpret_cast<unsigned char*>(text.data()),
                        reinterpret_cast<const unsigned char*>(raw.data()), static_cast<int>(raw.size()));
    text.resize(static_cast<std::size_t>(length));
    return text;
}

std::string HexOf(const std::string& raw) {
    std::string hex;
    for (const char byte : raw) {
        static constexpr char kHex[] = "0123456789abcdef";
        hex += kHex[static_cast<unsigned char>(byte) >> 4];
        hex += kHex[static_cast<unsigned char>(byte) & 0x0F];
    }
    return hex;
}

std::string Sha256Of(const std::string& bytes) { return HexOf(RawDigestOf(bytes, EVP_sha256())); }
std::string Sha512Of(const std::string& bytes) { return HexOf(RawDigestOf(bytes, EVP_sha512())); }

std::string Mismatch(const std::string& kind, const std::string& expected, const std::string& got) {
    return "Checksum mismatch: " + kind + " expected " + expected.substr(0, 8) + "\u2026, got " +
           got.substr(0, 8) + "\u2026";
}

// Requested files with a checksum the user gave, fetched by the real workers.
class ChecksumTest : public FileWorkerFixture {
protected:
    ChecksumTest() { sessions = CurlSessionFactory(); }

    void Expect(const std::string& url, const std::string& checksum) {
        const std::optional<Checksum> parsed = ParseChecksum(checksum);
        ASSERT_TRUE(parsed) << checksum;
        store.Checksums.Set(url, *parsed);
    }

    // The entry ended requested with the mismatch, the file renamed.
    void ExpectMismatch(const std::string& url, const std::string& status, const std::string& corruptName) {
        ASSERT_EQ(store.RequestedFiles.Count(), 1);
        EXPECT_EQ(store.RequestedFiles.GetAt(0)->status, status);
        EXPECT_EQ(window.RowText(0, 1), status);
        EXPECT_EQ(store.DownloadedFiles.Count(), 0);
        EXPECT_EQ(window.endedEntries.back(), url + ": " + status);
        EXPECT_TRUE(folder.Exists(corruptName));
        EXPECT_FALSE(folder.Exists("Software/f.zip"));
        // Nothing takes the renamed file for a part to continue.
        EXPECT_FALSE(LoadPartRecord("Software/f.zip"));
        store.RequestedFiles.RemoveAt(0);
    }

    void ExpectVerified(const std::string& kind, const std::string& hex) {
        ASSERT_EQ(store.DownloadedFiles.Count(), 1);
        EXPECT_EQ(store.DownloadedFiles.GetAt(0)->status, "Success");
        EXPECT_EQ(window.statusText, "Success");
        EXPECT_EQ(window.checkResult, kind + " verified (from the digest you gave): " + hex);
        store.DownloadedFiles.RemoveAt(0);
    }

    TestHttpServer server;
};

// Each kind, in each way it may be written, matching and not; a file
// renamed as corrupt never replaces one of that name already there.
TEST_F(ChecksumTest, EachKindIsCheckedWhileTheFileIsWritten) {
    // The digests of "abc".
    const std::string md5 = "900150983cd24fb0d6963f7d28e17f72";
    const std::string sha1 = "a9993e364706816aba3e25717850c26c9cd0d89d";
    const std::string sha256 = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
    const std::string sha512 =
        "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a2192992a274fc1a836ba3c23a3feebbd454d"
        "4423643"
        "ce80e2a9ac94fa54ca49f";
    const std::string wrong256 = "0" + sha256.substr(1);
    const struct {
        std::string given;
        std::string kind;
        std::string expected;  // as it should be shown
        std::string actual;
        bool match;
    } cases[] = {
        {"md5:900150983CD24FB0D6963F7D28E17F72", "md5", md5, md5, true},
        {"a9993e364706816aba3e25717850c26c9cd0d89d", "sha1", sha1, sha1, true},
        {"SHA256:ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad", "sha256", sha256, sha256,
         true},
        {"sha512:"
         "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a2192992a274fc1a836ba3c23a3feebbd454"
         "d4423643ce80e2a9ac94fa54ca49f",
         "sha512", sha512, sha512, true},
        {"md5:00000000000000000000000000000000", "md5", std::string(32, '0'), md5, false},
        {"ffffffffffffffffffffffffffffffffffffffff", "sha1", std::string(40, 'f'), sha1, false},
        {"sha512:" + std::string(128, '0'), "sha512", std::string(128, '0'), sha512, false},
    };
    server.Route("/f.zip", TestHttpReply::Ok("abc"));
    const std::string url = server.Url("/f.zip");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.given);
        Expect(url, c.given);
        Start(url);
        ASSERT_TRUE(RunUntilDone());
        if (c.match) {
            EXPECT_EQ(folder.Read("Software/f.zip"), "abc");
            ExpectVerified(c.kind, c.actual);
        } else {
            ExpectMismatch(url, Mismatch(c.kind, c.expected, c.actual), "Software/f.zip.corrupt");
            EXPECT_EQ(folder.Read("Software/f.zip.corrupt"), "abc");
            std::filesystem::remove(folder / "Software/f.zip.corrupt");
        }
    }

    // A second corrupt file takes the next free name; the first stays.
    folder.Write("Software/f.zip.corrupt", "earlier");
    Expect(url, wrong256);
    Start(url);
    ASSERT_TRUE(RunUntilDone());
    ExpectMismatch(url, Mismatch("sha256", wrong256, sha256), "Software/f.zip.corrupt.1");
    EXPECT_EQ(folder.Read("Software/f.zip.corrupt"), "earlier");
}

// A continued file is checked whole: the part an earlier run wrote is hashed
// first, so a byte damaged in it is caught, whether the rest is appended or
// the server confirms the file complete. The next start fetches it whole.
TEST_F(ChecksumTest, AContinuedFileIsCheckedWhole) {
    const std::string body = PatternedBytes(40000);
    const std::string tag = "\"v1\"";
    std::string damaged = body;
    damaged[7000] = static_cast<char>(damaged[7000] ^ 0x20);
    server.RouteBy("/f.zip", [&](const TestHttpRequest& request) {
        if (request.Header("Range") == "bytes=40000-") {
            TestHttpReply reply = TestHttpReply::Status(416, "Range Not Satisfiable", "");
            reply.headers.push_back("Content-Range: bytes */40000");
            return reply;
        }
        return TestHttpReply::Ranged(body, tag);
    });
    const std::string url = server.Url("/f.zip");
    Expect(url, "sha256:" + Sha256Of(body));
    const struct {
        const char* name;
        std::string part;
        bool match;
    } cases[] = {
        {"continued", body.substr(0, 15000), true},
        {"damaged part continued", damaged.substr(0, 15000), false},
        {"damaged file already whole", damaged, false},
    };
    std::filesystem::create_directory(folder / "Software");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        folder.Write("Software/f.zip", c.part);
        SavePartRecord("Software/f.zip", {url, tag, 40000});
        const std::size_t before = server.Requests().size();
        Start(url);
        ASSERT_TRUE(RunUntilDone());
        EXPECT_EQ(server.Requests()[before].Header("Range"), "bytes=" + std::to_string(c.part.size()) + "-");
        if (c.match) {
            ExpectVerified("sha256", Sha256Of(body));
            continue;
        }
        ExpectMismatch(url, Mismatch("sha256", Sha256Of(body), Sha256Of(damaged)), "Software/f.zip.corrupt");
        std::filesystem::remove(folder / "Software/f.zip.corrupt");

        // Started again, it is fetched whole and passes.
        const std::size_t again = server.Requests().size();
        Start(url);
        ASSERT_TRUE(RunUntilDone());
        EXPECT_FALSE(server.Requests()[again].HasHeader("Range"));
        EXPECT_TRUE(folder.Read("Software/f.zip") == body);
        ExpectVerified("sha256", Sha256Of(body));
    }
}

// Over FTP the same: a damaged part continued with REST is caught, and the
// file fetched again is verified.
TEST_F(ChecksumTest, AnFtpFileContinuedIsCheckedWhole) {
    const std::string body = PatternedBytes(300000);
    TempFolder served;
    served.Write("f.zip", body);
    TestFtpServer ftp(served.Path());
    const std::string url = ftp.Url("/f.zip");
    Expect(url, Sha256Of(body));
    std::string damaged = body.substr(0, 100000);
    damaged[50000] = static_cast<char>(damaged[50000] ^ 0x01);
    std::filesystem::create_directory(folder / "Software");
    folder.Write("Software/f.zip", damaged);
    SavePartRecord("Software/f.zip", {url, "", 300000});

    Start(url);
    ASSERT_TRUE(RunUntilDone());
    ExpectMismatch(url, Mismatch("sha256", Sha256Of(body), Sha256Of(damaged + body.substr(100000))),
                   "Software/f.zip.corrupt");

    Start(url);
    ASSERT_TRUE(RunUntilDone());
    EXPECT_TRUE(folder.Read("Software/f.zip") == body);
    ExpectVerified("sha256", Sha256Of(body));
}

// With the option on, the first digest the publisher gives is used: the
// answer's header, then the file's own checksum files, then its folder's
// lists; a missing or over-long one is passed over and a redirection is
// not followed. A digest the user gave wins over all of them, and a file
// without any is left as it is. The result stays with the address.
TEST_F(ChecksumTest, ThePublishersFirstDigestIsUsed) {
    options.findPublishedChecksums = true;
    const std::string body = PatternedBytes(700000);  // over two of the writer's buffers
    const std::string sha256 = Sha256Of(body);
    const std::string sha512 = Sha512Of(body);
    const std::string wrong(64, 'e');
    const std::string overLong = std::string(1024 * 1024, '#') + "\n" + wrong + "  f.zip\n";
    const std::vector<std::string> everyFile = {"f.zip.sha256", "f.zip.sha512", "f.zip.sha256sum",
                                                "SHA256SUMS", "SHA512SUMS"};
    server.Route("/elsewhere.sha256", TestHttpReply::Ok(wrong));
    const struct {
        const char* name;
        std::vector<std::string> headers;
        std::vector<std::pair<std::string, TestHttpReply>> files;
        std::string given;
        std::string result;  // "" when nothing was checked
        std::vector<std::string> asked;
    } cases[] = {
        {"Repr-Digest before any file",
         {"Repr-Digest: md5=:AAAA:, sha-512=:" + Base64Of(RawDigestOf(body, EVP_sha512())) + ":"},
         {{"f.zip.sha256", TestHttpReply::Ok(wrong)}},
         "",
         "sha512 verified (from Repr-Digest): " + sha512,
         {}},
        {"Digest header",
         {"Digest: MD5=abc, SHA-256=" + Base64Of(RawDigestOf(body, EVP_sha256()))},
         {},
         "",
         "sha256 verified (from Digest): " + sha256,
         {}},
        {"the file's own before the folder's list",
         {},
         {{"f.zip.sha256", TestHttpReply::Ok(wrong + "  f.zip\n")},
          {"SHA256SUMS", TestHttpReply::Ok(sha256 + "  f.zip\n")}},
         "",
         Mismatch("sha256", wrong, sha256),
         {"f.zip.sha256"}},
        {"binary-mode line of SHA256SUMS, a redirection not followed",
         {},
         {{"f.zip.sha256", TestHttpReply::Redirect(302, "/elsewhere.sha256")},
          {"SHA256SUMS", TestHttpReply::Ok(wrong + "  other.zip\n" + sha256 + " *f.zip\r\n")}},
         "",
         "sha256 verified (from SHA256SUMS): " + sha256,
         {"f.zip.sha256", "f.zip.sha512", "f.zip.sha256sum", "SHA256SUMS"}},
        {"over-long list passed over, SHA512SUMS hashed from the disk",
         {},
         {{"SHA256SUMS", TestHttpReply::InPieces(overLong, 65536, true)},
          {"SHA512SUMS", TestHttpReply::Ok(sha512 + "  f.zip\n")}},
         "",
         "sha512 verified (from SHA512SUMS): " + sha512,
         everyFile},
        {"nothing published",
         {},
         {{"SHA256SUMS", TestHttpReply::Ok(wrong + "  other.zip\n")}},
         "",
         "",
         everyFile},
        {"the user's digest wins",
         {},
         {{"f.zip.sha256", TestHttpReply::Ok(wrong)}},
         sha256,
         "sha256 verified (from the digest you gave): " + sha256,
         {}},
    };
    int number = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string dir = "/c" + std::to_string(++number) + "/";
        TestHttpReply file = TestHttpReply::Ok(body);
        file.headers = c.headers;
        server.Route(dir + "f.zip", file);
        for (const auto& [name, reply] : c.files) server.Route(dir + name, reply);
        const std::string url = server.Url(dir + "f.zip");
        if (!c.given.empty()) Expect(url, c.given);
        window.checkResult.clear();
        const std::size_t before = server.Requests().size();
        Start(url);
        ASSERT_TRUE(RunUntilDone());

        std::vector<std::string> asked;
        for (std::size_t i = before + 1; i < server.Requests().size(); ++i) {
            asked.push_back(server.Requests()[i].target.substr(dir.size()));
        }
        EXPECT_EQ(asked, c.asked);
        const ChecksumTable::Entry* kept = store.Checksums.Find(url);
        EXPECT_EQ(kept ? kept->result : "", c.result);
        if (c.result.starts_with("Checksum mismatch")) {
            ExpectMismatch(url, c.result, "Software/f.zip.corrupt");
            std::filesystem::remove(folder / "Software/f.zip.corrupt");
            continue;
        }
        ASSERT_EQ(store.DownloadedFiles.Count(), 1);
        EXPECT_EQ(store.DownloadedFiles.GetAt(0)->status, "Success");
        EXPECT_EQ(window.statusText, "Success");
        EXPECT_EQ(window.checkResult, c.result);
        EXPECT_TRUE(folder.Read("Software/f.zip") == body);
        store.DownloadedFiles.RemoveAt(0);
        std::filesystem::remove(folder / "Software/f.zip");
        ForgetPartRecord("Software/f.zip");
    }
}

}  // namespace
