// Screens closed while their requests are still out: answers that arrive for
// a detail screen already gone, or after signing out, must land nowhere, and
// opening and closing the screen many times must not make the console grow.
#include "AuthViewModel.h"
#include "DeviceDetailViewModel.h"
#include "ScriptedServer.h"
#include "ConsoleTest.h"

#include <QQmlComponent>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQmlExpression>
#include <QRandomGenerator>
#include <QTest>
#include <malloc.h>
#include <nlohmann/json.hpp>

#if defined(__SANITIZE_ADDRESS__)
// From the sanitizer runtime; GCC ships no header for it.
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

using json = nlohmann::json;
using Response = ScriptedServer::Response;

namespace {

// Bytes the allocator has handed out and not had back.
qint64 heapInUse()
{
#if defined(__SANITIZE_ADDRESS__)
    return qint64(__sanitizer_get_current_allocated_bytes());
#else
    return qint64(mallinfo2().uordblks);
#endif
}

}  // namespace

class LifetimeTest : public ConsoleTest
{
    Q_OBJECT

    std::unique_ptr<ScriptedServer> server;
    QRandomGenerator random{20261209};
    QQmlComponent* detailPage = nullptr;  // one per console, as the list keeps one

    QQuickItem* stack() const { return item("navigationStack"); }

    // Every detail request is held; tests release them when they choose.
    Response route(const ScriptedServer::Request& request)
    {
        const QByteArray target = request.target;
        if (target == "/api/v1/auth/me")
            return Response::ofJson({{"id", "u1"}, {"email", "pat@example.com"}, {"name", "Pat"}});
        if (target == "/api/v1/devices")
            return Response::ofJson(json::array());
        Response r;
        if (target == "/api/v1/devices/d1")
            r = Response::ofJson({{"id", "d1"}, {"name", "Den Mac"}, {"child_name", "Sam"}});
        else if (target == "/api/v1/devices/d1/policy")
            r = Response::ofJson({{"downtime_enabled", true}, {"downtime_start", "21:00"}, {"downtime_end", "07:00"},
                       {"screen_time_enabled", true}, {"screen_time_limit_minutes", 120}});
        else if (target == "/api/v1/devices/d1/usage?days=7")
            r = Response::ofJson(json::array({{{"date", "2025-03-07"}, {"total_minutes", 30}}}));
        else if (target == "/api/v1/devices/d1/activities")
            r = Response::ofJson(json::array());
        else if (target == "/api/v1/devices/d1/grant-bonus")
            r = Response::ofJson({{"bonus_until", "2025-03-07T10:10:00Z"}});
        else
            return Response::ofJson({{"detail", "Not Found"}}, 404);
        r.action = Response::Action::Hold;
        return r;
    }

    // Pushes the detail screen as the list does, with the id alone.
    bool pushDetail()
    {
        if (!detailPage) {
            QQmlEngine* engine = qmlEngine(stack());
            detailPage = new QQmlComponent(engine, engine);
            detailPage->setData("import Lumaro.Screens\nDeviceDetailView {}", QUrl());
        }
        QQmlContext context(qmlContext(stack()));
        context.setContextProperty(QStringLiteral("detailPage"), detailPage);
        QQmlExpression push(&context, stack(), QStringLiteral("push(detailPage, { deviceId: 'd1' })"));
        push.evaluate();
        return !push.hasError() && QTest::qWaitFor([this] { return detailVM() != nullptr; });
    }

    bool popDetail()
    {
        QQmlExpression pop(qmlContext(stack()), stack(), QStringLiteral("pop()"));
        pop.evaluate();
        return QTest::qWaitFor([this] { return !detailVM() && settled(); });
    }

    // One visit: the load goes out, maybe part of it is answered and an edit
    // and a bonus are sent, and the screen closes before the rest arrives.
    bool visit()
    {
        if (!pushDetail() || !QTest::qWaitFor([this] { return server->heldCount() >= 4; }))
            return false;
        const int answered = int(random.bounded(5));
        for (int i = 0; i < answered; ++i)
            server->releaseHeld();
        if (random.bounded(2)) {
            detailVM()->startSetScreenTimeLimit(135);
            detailVM()->startGrantBonus(5);
        }
        QCoreApplication::processEvents();
        if (!popDetail())
            return false;
        server->releaseAll();
        QTest::qWait(5);
        server->clearRequests();  // the server's own log is not the console's memory
        return true;
    }

    void collect()
    {
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            qmlEngine(stack())->collectGarbage();
            QTest::qWait(10);
        }
    }

private slots:
    void init()
    {
        server = std::make_unique<ScriptedServer>();
        server->setHandler([this](const ScriptedServer::Request& request) { return route(request); });
        UiSession::clearStore();
        UiSession::storeEntry(QStringLiteral("server_url"), server->baseUrl());
        UiSession::storeEntry(QStringLiteral("auth_token"), QStringLiteral("parent-token"));
        detailPage = nullptr;
        QVERIFY(launchSignedIn());
        // Without the slide animations a visit takes a few frames, not half a second.
        QQmlExpression still(qmlContext(stack()), stack(),
                             QStringLiteral("pushEnter = null; pushExit = null; popEnter = null; popExit = null"));
        still.evaluate();
        QVERIFY2(!still.hasError(), qPrintable(still.error().toString()));
    }

    void cleanup()
    {
        server->releaseAll();
        quit();
        server.reset();
    }

    void openAndCloseWhileRequestsRun()
    {
        // The first visits fill caches (compiled components, fonts, pools).
        for (int i = 0; i < 20; ++i)
            QVERIFY2(visit(), qPrintable(QString::number(i)));
        collect();
        const qint64 before = heapInUse();
        for (int i = 20; i < 200; ++i)
            QVERIFY2(visit(), qPrintable(QString::number(i)));
        collect();
        const qint64 grown = heapInUse() - before;
        qInfo("heap after 20 visits: %lld bytes; grown over 180 more: %lld bytes", before, grown);
        // Each visit builds a whole screen of a few hundred objects; keeping
        // the screen or its model would cost far more than 40 KB a visit.
        QVERIFY2(grown < 180 * 40 * 1024, qPrintable(QString::number(grown)));
        // The screen still works.
        QVERIFY(pushDetail());
        QTRY_VERIFY(server->heldCount() >= 4);
        server->releaseAll();
        QTRY_VERIFY(Ui::isShown(item("downtimeSection")));
    }

    void signOutWhileRequestsRun()
    {
        QVERIFY(pushDetail());
        QTRY_VERIFY(server->heldCount() >= 4);
        server->releaseHeld();
        QTRY_VERIFY(detailVM() && detailVM()->isLoading());
        detailVM()->startGrantBonus(10);
        QTRY_VERIFY(server->heldCount() >= 4);
        session.app()->authVM()->logout();
        QTRY_VERIFY(Ui::isShown(item("submitButton")));
        server->releaseAll();
        QTest::qWait(200);
        QVERIFY(Ui::isShown(item("submitButton")));
        QVERIFY(!session.app()->authVM()->isAuthenticated());
    }
};

int main(int argc, char* argv[])
{
    LumaroApp::prepare();
    QGuiApplication app(argc, argv);
    LifetimeTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_lifetime.moc"
