#include <memory>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "net/curl_session.h"
#include "net/internet_exception.h"
#include "support/tls_test_server.h"

namespace {

// What an https request meets: a certificate is accepted only when the
// system's store or the extra authorities' file vouches for it and it names
// the host asked for; otherwise the request fails with libcurl's message.
TEST(CertificatesTest, OnlyAVouchedForCertificateOfTheHostIsAccepted) {
    struct Case {
        TestCertificate certificate;
        bool extraAuthorities;
        std::optional<std::string> failure;  // part of the message, when the request fails
    };
    const Case cases[] = {
        {TestCertificate::kTrusted, true, std::nullopt},
        {TestCertificate::kTrusted, false, "SSL certificate problem"},  // the system's store alone
        {TestCertificate::kUnknownIssuer, true, "SSL certificate problem"},
        {TestCertificate::kOtherName, true, "certificate subject name"},
    };
    for (const Case& c : cases) {
        TlsTestServer server(c.certificate);
        server.backend.Route("/a.htm", TestHttpReply::Ok("secure line\n"));
        CurlSessionSettings settings;
        if (c.extraAuthorities) settings.extraCaFile = TestAuthorityFile();
        const std::unique_ptr<InternetSession> session = OpenCurlSession(settings);
        HttpRequest request;
        request.server = "127.0.0.1";
        request.port = server.Port();
        request.secure = true;
        request.object = "/a.htm";
        try {
            const std::unique_ptr<HttpFile> file = session->SendRequest(request);
            std::string line;
            ASSERT_TRUE(file->ReadString(line));
            EXPECT_FALSE(c.failure) << static_cast<int>(c.certificate);
            EXPECT_EQ(line, "secure line");
            EXPECT_EQ(server.SecureConnections(), 1u);
        } catch (const InternetException& error) {
            ASSERT_TRUE(c.failure) << error.Message();
            EXPECT_NE(error.Message().find(*c.failure), std::string::npos) << error.Message();
            EXPECT_TRUE(server.backend.Requests().empty());
        }
    }
}

}  // namespace
