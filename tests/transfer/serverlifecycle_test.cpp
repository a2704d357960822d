#include "testenvironment.h"
#include "transfer/wire.h"
#include "transferclient.h"

#include <QImage>
#include <QJsonArray>

using testsupport::writeFile;

class ServerLifecycle : public TransferServerTest {};

TEST_F(ServerLifecycle, PageIconAndAssetsAreServedFromTheFirstRequest) {
    startServer();
    const Reply page = get("/");
    EXPECT_EQ(page.status, 200);
    EXPECT_EQ(page.header("Content-Type"), "text/html; charset=utf-8");
    EXPECT_NE(page.body.find("<html"), std::string::npos);

    const Reply icon = get("/icon.png");
    EXPECT_EQ(icon.status, 200);
    EXPECT_EQ(icon.header("Content-Type"), "image/png");
    EXPECT_FALSE(QImage::fromData(QByteArray::fromStdString(icon.body), "PNG").isNull());

    int styles = 0, scripts = 0;
    for (const std::string_view asset : wire::assetFiles) {
        const Reply reply = get("/" + std::string(asset));
        EXPECT_EQ(reply.status, 200) << asset;
        EXPECT_FALSE(reply.body.empty()) << asset;
        const bool style = asset.ends_with(".css");
        (style ? styles : scripts)++;
        EXPECT_EQ(reply.header("Content-Type"),
                  style ? "text/css; charset=utf-8" : "text/javascript; charset=utf-8");
        EXPECT_NE(page.body.find(std::string(asset)), std::string::npos)
            << "the page does not load " << asset;
    }
    EXPECT_EQ(styles, 5);
    EXPECT_EQ(scripts, 4);

    // Registering again (the transfer screen appearing again) changes nothing for the page.
    m_server->registerRoutes();
    EXPECT_EQ(get("/").status, 200);
    EXPECT_EQ(get("/nothing-here.js").status, 404);
}

TEST_F(ServerLifecycle, RoutesAnswerOnlyTheirMethods) {
    startServer();
    EXPECT_EQ(get("/upload").status, 404);
    EXPECT_EQ(get("/save").status, 404);
    EXPECT_EQ(postForm("/list", "a=b").status, 404);
    EXPECT_EQ(postForm("/", "a=b").status, 200); // the page answers any method
}

TEST_F(ServerLifecycle, StopsAndStartsAgain) {
    writeFile(doc("a.png"), "a");
    startServer();
    const uint16_t port = m_server->port();
    EXPECT_EQ(list().status, 200);
    m_server->stop();
    EXPECT_FALSE(m_server->isRunning());
    EXPECT_EQ(list().status, 0);

    m_server->setPort(port);
    startServer();
    EXPECT_EQ(m_server->port(), port);
    EXPECT_TRUE(m_server->startServer()); // starting a running server does nothing
    EXPECT_EQ(download("a.png").body, "a");
}

TEST_F(ServerLifecycle, SecondServerOnABusyPortFailsToStart) {
    startServer();
    transfer::TransferServer second([this] { return std::optional<QString>(documents()); });
    second.setBindAddress("127.0.0.1");
    second.setPort(m_server->port());
    EXPECT_FALSE(second.startServer());
    EXPECT_FALSE(second.isRunning());
}

class AddressFamilies : public TransferServerTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(AddressFamilies, ClientsOfEachFamilyAreServed) {
    writeFile(doc("hello.mp3"), "hello");
    startServer({}, GetParam());
    EXPECT_EQ(listJson().value("files").toArray().size(), 1);
    EXPECT_EQ(download("hello.mp3").body, "hello");
    EXPECT_EQ(upload("new.mp3", "new").status, 200);
}

INSTANTIATE_TEST_SUITE_P(Loopback, AddressFamilies, ::testing::Values("127.0.0.1", "::1"),
                         [](const auto &info) { return info.param == "::1" ? "IPv6" : "IPv4"; });

TEST(HttpServer, RegisteringAgainReplacesAndHandlerErrorsBecome500) {
    http::HttpServer server;
    server.route(http::Method::Get, "/x",
                 [](const http::HttpRequest &) { return http::HttpResponse::text("first"); });
    server.route(http::Method::Get, "/x",
                 [](const http::HttpRequest &) { return http::HttpResponse::text("second"); });
    server.route(http::Method::Any, "/boom",
                 [](const http::HttpRequest &) -> http::HttpResponse { throw std::runtime_error("broken"); });
    server.route(http::Method::Get, "/echo", [](const http::HttpRequest &request) {
        std::string text = request.path();
        for (const auto &[key, value] : request.query())
            text += "|" + key + "=" + value;
        return http::HttpResponse::text(text);
    });
    ASSERT_TRUE(server.start(0, "127.0.0.1"));
    const testsupport::HttpClient client("127.0.0.1", server.port());
    EXPECT_EQ(client.get("/x")->body, "second");
    EXPECT_EQ(client.get("/boom")->status, 500);
    EXPECT_EQ(client.get("/echo?b=2&a=1&b=%2B+x")->body, "/echo|b=2|a=1|b=+ x");
    server.stop();
}
