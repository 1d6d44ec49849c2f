// The device detail screen's frame, today card, device information and the
// downtime and screen-time editors as a parent uses them: against the real
// service, and against a scripted one where answers must be held back or fail.
#include "Clock.h"
#include "DeviceDetailViewModel.h"
#include "KeychainHelper.h"
#include "ScriptedServer.h"
#include "ConsoleTest.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QQmlComponent>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQmlExpression>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>
#include <nlohmann/json.hpp>

using json = nlohmann::json;
using Response = ScriptedServer::Response;

// Reading the detail screen's parts; shared by the test classes.
class DetailScreen : public ConsoleTest
{
    Q_OBJECT

protected:
    QString pickerTime(const char* name) const { return item(name)->property("shownTime").toString(); }
    QQuickItem* page() const { return item("deviceDetailView"); }
    bool contentShown() const { return shown("downtimeSection"); }
    void scrollTo(QQuickItem* target) { Ui::scrollTo(window, target); }

    void quit()
    {
        ConsoleTest::quit();
        Clock::setSource({});
    }
};

class DetailServiceTest : public DetailScreen
{
    Q_OBJECT

    ServiceProcess service;
    QString token;
    QString deviceId;
    QString apiToken;
    int accounts = 0;

    json policy()
    {
        return service.authorizedGet(token, QStringLiteral("/api/v1/devices/") + deviceId + QStringLiteral("/policy"))
            .json();
    }
    // A text member of the service's policy; empty when absent or null.
    QString policyText(const char* key)
    {
        const json value = policy()[key];
        return value.is_string() ? QString::fromStdString(value.get<std::string>()) : QString();
    }
    void setPolicy(const json& changes)
    {
        const auto answer = service.authorizedPut(
            token, QStringLiteral("/api/v1/devices/") + deviceId + QStringLiteral("/policy"), changes);
        QCOMPARE(answer.status, 200);
    }
    void refresh()
    {
        QVERIFY(detailVM());
        QVERIFY(!detailVM()->isLoading());
        QSignalSpy started(detailVM(), &DeviceDetailViewModel::isLoadingChanged);
        Ui::click(window, item("detailRefreshButton"));
        QTRY_VERIFY(started.count() >= 2);
    }

    void openDevice()
    {
        QVERIFY(launchSignedIn());
        const QString rowName = QStringLiteral("deviceRow_") + deviceId;
        QTRY_VERIFY(Ui::isShown(item(rowName)));
        Ui::click(window, item(rowName));
        QTRY_VERIFY(contentShown());
        QTRY_VERIFY(detailVM()->device().has_value());
        QTRY_VERIFY(settled());
    }

private slots:
    void initTestCase() { QVERIFY2(service.start(), qPrintable(service.errorString())); }

    // Each test signs in to an account of its own holding one device.
    void init()
    {
        UiSession::clearStore();
        token = service.registerAccount(QStringLiteral("detail%1@example.com").arg(++accounts), QStringLiteral("pw"),
                                        QStringLiteral("Pat"));
        QVERIFY(!token.isEmpty());
        const json device = service.createDevice(token, QStringLiteral("Study Mac"), QStringLiteral("Alex"));
        deviceId = QString::fromStdString(device.value("id", std::string()));
        apiToken = QString::fromStdString(device.value("api_token", std::string()));
        QVERIFY(!deviceId.isEmpty());
        QVERIFY(!apiToken.isEmpty());
        UiSession::storeEntry(QStringLiteral("server_url"), service.baseUrl());
        UiSession::storeEntry(QStringLiteral("auth_token"), token);
    }

    void cleanup() { quit(); }

    void contentShowsEverySectionForTheDevice()
    {
        QCOMPARE(service.heartbeat(apiToken, 42.5, QStringLiteral("2.3.1")).status, 200);
        openDevice();
        QCOMPARE(textOf("detailTitle"), QStringLiteral("Study Mac"));
        QCOMPARE(textOf("usedTodayText"), QStringLiteral("42m"));
        QCOMPARE(textOf("limitText"), QStringLiteral("of 2h 0m"));
        QCOMPARE(textOf("onlineText"), QStringLiteral("Online"));
        QCOMPARE(textOf("deviceNameRowValue"), QStringLiteral("Study Mac"));
        QCOMPARE(textOf("childNameRowValue"), QStringLiteral("Alex"));
        QCOMPARE(textOf("lastSeenRowValue"), QStringLiteral("just now"));
        QCOMPARE(textOf("agentVersionRowValue"), QStringLiteral("v2.3.1"));
        QVERIFY(shown("setupStringRow"));
        // The bar grows to 42.5 of 120 minutes, in green.
        const qreal full = item("usageBar")->width();
        QTRY_COMPARE(qRound(item("usageBarFill")->width()), qRound(full * 42.5 / 120));
        QCOMPARE(item("usageBarFill")->property("color").value<QColor>().green() > 150, true);
        Ui::screenshot(window, QStringLiteral("detail-content"));
        scrollTo(item("screenTimeSection"));
        Ui::screenshot(window, QStringLiteral("detail-editors"));
        scrollTo(item("deviceInfoSection"));
        Ui::screenshot(window, QStringLiteral("detail-info"));
    }

    // A long list builds only the rows near the view, and every row turns up,
    // in its place and with its own activity, once scrolled to.
    void longActivityListBuildsRowsWhenScrolledTo()
    {
        const int total = 150;
        for (int k = 0; k < total; ++k) {
            const json body = {{"name", "Activity " + std::to_string(k + 1)}, {"day_of_week", k % 7},
                               {"start_time", "16:00"}, {"end_time", "17:00"}, {"buffer_before_minutes", 5},
                               {"buffer_after_minutes", 5}, {"enabled", true}};
            const auto created = service.authorizedPost(
                token, QStringLiteral("/api/v1/devices/") + deviceId + QStringLiteral("/activities"), body);
            QVERIFY(created.status == 200 || created.status == 201);
        }
        openDevice();
        QTRY_COMPARE(int(detailVM()->activities().size()), total);
        const int builtAtFirst = int(allShown("activityName").size());
        QVERIFY2(builtAtFirst < total, qPrintable(QString::number(builtAtFirst)));

        auto onScreen = [this](const QString& name) {
            for (QQuickItem* label : allShown("activityName")) {
                if (Ui::text(label) != name)
                    continue;
                const QPointF at = label->mapToScene(QPointF(0, label->height() / 2));
                return at.y() > 0 && at.y() < window->height();
            }
            return false;
        };
        const auto& activities = detailVM()->activities();
        // The last row sits right above the usage section, with nothing blank between.
        scrollTo(item("usageHistorySection"));
        QTRY_VERIFY(onScreen(activities.back().name));
        QQuickItem* last = nullptr;
        for (QQuickItem* row : allShown("activityRow")) {
            if (!last || row->mapToScene(QPointF()).y() > last->mapToScene(QPointF()).y())
                last = row;
        }
        QVERIFY(last);
        const qreal cardBottom = last->mapToScene(QPointF(0, last->height())).y() + 10;
        const qreal usageTop = item("usageHistorySection")->mapToScene(QPointF()).y();
        QVERIFY2(usageTop - cardBottom >= 0 && usageTop - cardBottom < 40,
                 qPrintable(QStringLiteral("%1 to %2").arg(cardBottom).arg(usageTop)));
        // And one from the middle, with its own name and switch.
        const Activity& middle = activities[total / 2];
        for (int step = 0; step < 200 && !onScreen(middle.name); ++step) {
            QQuickItem* flick = item("detailScroll")->property("contentItem").value<QQuickItem*>();
            flick->setProperty("contentY", flick->property("contentY").toReal() - 40);
            QTest::qWait(5);
        }
        QVERIFY(onScreen(middle.name));
        QVERIFY(int(allShown("activityName").size()) < total);
    }

    void deviceWithoutAgentHidesItsVersion()
    {
        openDevice();
        QCOMPARE(textOf("onlineText"), QStringLiteral("Offline"));
        QCOMPARE(textOf("lastSeenRowValue"), QStringLiteral("never"));
        QVERIFY(!shown("agentVersionRow"));
        QCOMPARE(textOf("usedTodayText"), QStringLiteral("0m"));
        QCOMPARE(item("usageBarFill")->width(), 0.0);
    }

    void onlineRule_data()
    {
        QTest::addColumn<int>("age");
        QTest::addColumn<QString>("state");
        QTest::newRow("179 s") << 179 << "Online";
        QTest::newRow("180 s") << 180 << "Offline";
    }
    void onlineRule()
    {
        QFETCH(int, age);
        QCOMPARE(service.heartbeat(apiToken, 5).status, 200);
        openDevice();
        const auto seen = QDateTime::fromString(*detailVM()->device()->lastSeen, Qt::ISODateWithMs);
        QVERIFY(seen.isValid());
        Clock::setSource([at = seen.toMSecsSinceEpoch() + age * 1000] { return at; });
        // What the screen's clock does every half minute.
        page()->setProperty("clockTick", page()->property("clockTick").toInt() + 1);
        QTEST(textOf("onlineText"), "state");
        const QColor dot = item("onlineDot")->property("color").value<QColor>();
        QCOMPARE(dot.alphaF() > 0.9, age < 180);
    }

    void switchesHideAndShowTheirRows()
    {
        openDevice();
        QVERIFY(shown("downtimeRows"));
        QVERIFY(shown("screenTimeRows"));
        QVERIFY(press("downtimeToggleSwitch"));
        QTRY_VERIFY(!shown("downtimeRows"));
        QCOMPARE(policy().value("downtime_enabled", true), false);
        QVERIFY(press("screenTimeToggleSwitch"));
        QTRY_VERIFY(!shown("screenTimeRows"));
        QCOMPARE(policy().value("screen_time_enabled", true), false);
        Ui::screenshot(window, QStringLiteral("detail-switches-off"));
        QVERIFY(press("downtimeToggleSwitch"));
        QTRY_VERIFY(shown("downtimeRows"));
        QCOMPARE(policy().value("downtime_enabled", false), true);
    }

    void windowRowsShowTheDefaultUntilOverridden()
    {
        setPolicy({{"downtime_start", "20:30"}, {"downtime_end", "06:45"}});
        openDevice();
        for (const char* name : {"defaultStartPicker", "weekdayStartPicker", "weekendStartPicker"})
            QCOMPARE(pickerTime(name), QStringLiteral("20:30"));
        for (const char* name : {"defaultEndPicker", "weekdayEndPicker", "weekendEndPicker"})
            QCOMPARE(pickerTime(name), QStringLiteral("06:45"));
        QVERIFY(!shown("weekdayResetButton"));
        QVERIFY(!shown("weekendResetButton"));

        setPolicy({{"downtime_weekend_end", "09:00"}});
        refresh();
        QTRY_VERIFY(shown("weekendResetButton"));
        QVERIFY(!shown("weekdayResetButton"));
        QCOMPARE(pickerTime("weekendEndPicker"), QStringLiteral("09:00"));
        QCOMPARE(pickerTime("weekendStartPicker"), QStringLiteral("20:30"));

        QVERIFY(press("weekendResetButton"));
        QTRY_VERIFY(!shown("weekendResetButton"));
        QVERIFY(policy()["downtime_weekend_end"].is_null());
        // The picker follows the policy back to the default window.
        QCOMPARE(pickerTime("weekendEndPicker"), QStringLiteral("06:45"));
    }

    void timePickerSendsTheUsersTime()
    {
        openDevice();
        QQuickItem* hour = item("weekdayStartPickerHour");
        QVERIFY(hour);
        scrollTo(hour);
        hour->forceActiveFocus();
        QTest::keyClick(window, Qt::Key_Up);
        QTRY_COMPARE(policyText("downtime_weekday_start"), QStringLiteral("22:00"));
        QTRY_VERIFY(shown("weekdayResetButton"));
        QCOMPARE(pickerTime("weekdayStartPicker"), QStringLiteral("22:00"));
        // The default window is untouched.
        QCOMPARE(policyText("downtime_start"), QStringLiteral("21:00"));

        // Typed digits, confirmed with Return.
        Ui::type(window, hour, QStringLiteral("6"));
        QTest::keyClick(window, Qt::Key_Return);
        QTRY_COMPARE(policyText("downtime_weekday_start"), QStringLiteral("06:00"));
        QQuickItem* minute = item("weekdayStartPickerMinute");
        Ui::type(window, minute, QStringLiteral("30"));
        QTest::keyClick(window, Qt::Key_Return);
        QTRY_COMPARE(policyText("downtime_weekday_start"), QStringLiteral("06:30"));

        // The wheel over the focused field.
        const QPointF at = minute->mapToScene(QPointF(minute->width() / 2, minute->height() / 2));
        QWheelEvent wheel(at, window->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QGuiApplication::sendEvent(window, &wheel);
        QTRY_COMPARE(policyText("downtime_weekday_start"), QStringLiteral("06:31"));
        QCOMPARE(pickerTime("weekdayStartPicker"), QStringLiteral("06:31"));
        QCOMPARE(policyText("downtime_weekday_end"), QString());
    }

    void weekendStepperStartsFromTheWeekdayLimit()
    {
        setPolicy({{"screen_time_limit_minutes", 90}});
        openDevice();
        QCOMPARE(textOf("weekendsStepperValue"), QStringLiteral("1h 30m"));
        QVERIFY(!shown("clearWeekendButton"));
        QVERIFY(press("weekendsStepperIncrement"));
        QTRY_COMPARE(textOf("weekendsStepperValue"), QStringLiteral("1h 45m"));
        const json sent = policy();
        QCOMPARE(sent.value("screen_time_weekend_limit_minutes", 0), 105);
        QCOMPARE(sent.value("screen_time_limit_minutes", 0), 90);
        QVERIFY(shown("clearWeekendButton"));
        QCOMPARE(textOf("weekdaysStepperValue"), QStringLiteral("1h 30m"));

        QVERIFY(press("clearWeekendButton"));
        QTRY_VERIFY(!shown("clearWeekendButton"));
        QVERIFY(policy()["screen_time_weekend_limit_minutes"].is_null());
        QCOMPARE(textOf("weekendsStepperValue"), QStringLiteral("1h 30m"));
    }

    void weekendDaysDefaultToTheWeekendLimit()
    {
        setPolicy({{"screen_time_limit_minutes", 60}, {"screen_time_weekend_limit_minutes", 180},
                   {"screen_time_wed_minutes", 30}});
        openDevice();
        const QStringList expected{"1h 0m", "1h 0m", "30m", "1h 0m", "1h 0m", "3h 0m", "3h 0m"};
        for (int day = 0; day < 7; ++day) {
            const QString name = QStringLiteral("dayStepper%1Value").arg(day);
            QCOMPARE(Ui::text(item(name)), expected[day]);
            QCOMPARE(Ui::isShown(item(QStringLiteral("clearDayButton%1").arg(day))), day == 2);
        }
        // Days on their default are dimmed.
        const auto colour = [this](int day) {
            return item(QStringLiteral("dayStepper%1Value").arg(day))->property("color").value<QColor>();
        };
        QVERIFY(colour(0) != colour(2));
        QCOMPARE(colour(0), colour(5));
        // Stepping a day without an override starts from the figure it shows.
        QVERIFY(press("dayStepper6Decrement"));
        QTRY_COMPARE(Ui::text(item("dayStepper6Value")), QStringLiteral("2h 45m"));
        QCOMPARE(policy().value("screen_time_sun_minutes", 0), 165);
        QTRY_VERIFY(shown("clearDayButton6"));
        QVERIFY(press("clearDayButton2"));
        QTRY_VERIFY(!shown("clearDayButton2"));
        QCOMPARE(Ui::text(item("dayStepper2Value")), QStringLiteral("1h 0m"));
        QVERIFY(policy()["screen_time_wed_minutes"].is_null());
    }

    void steppersStopAt15And720_data()
    {
        QTest::addColumn<int>("limit");
        QTest::addColumn<QString>("blocked");
        QTest::addColumn<QString>("open");
        QTest::newRow("floor") << 15 << "weekdaysStepperDecrement" << "weekdaysStepperIncrement";
        QTest::newRow("ceiling") << 720 << "weekdaysStepperIncrement" << "weekdaysStepperDecrement";
    }
    void steppersStopAt15And720()
    {
        QFETCH(int, limit);
        QFETCH(QString, blocked);
        QFETCH(QString, open);
        setPolicy({{"screen_time_limit_minutes", limit}});
        openDevice();
        QVERIFY(!item(blocked)->isEnabled());
        QVERIFY(item(open)->isEnabled());
        // A key press at the end sends nothing either.
        QQuickItem* stepper = item("weekdaysStepper");
        scrollTo(stepper);
        QMetaObject::invokeMethod(stepper, "step", Q_ARG(QVariant, limit == 15 ? -1 : 1));
        QTest::qWait(200);
        QVERIFY(!detailVM()->isSaving());
        QCOMPARE(policy().value("screen_time_limit_minutes", 0), limit);
        Ui::click(window, item(open));
        QTRY_COMPARE(policy().value("screen_time_limit_minutes", 0), limit == 15 ? 30 : 705);
    }

    void setupStringUsesTheDefaultAddressWhenNoneIsStored()
    {
        openDevice();
        QGuiApplication::clipboard()->setText(QStringLiteral("earlier"));
        QCoro::waitFor(KeychainHelper::deleteKey(QStringLiteral("server_url")));
        QVERIFY(press("copySetupButton"));
        QTRY_COMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("https://api.lumaro.app|") + apiToken);
    }

    void setupStringUsesTheStoredAddress()
    {
        openDevice();
        QVERIFY(press("copySetupButton"));
        QTRY_COMPARE(QGuiApplication::clipboard()->text(), service.baseUrl() + u'|' + apiToken);
    }

    void pencilOpensTheRenameSheet()
    {
        openDevice();
        QVERIFY(press("editNameButton"));
        QTRY_VERIFY(shown("renameDeviceField"));
        QVERIFY(page()->property("showEditName").toBool());
    }

    void backReturnsToTheList()
    {
        openDevice();
        Ui::click(window, item("backButton"));
        QTRY_VERIFY(!page());
    }
};

// A scripted service for what the real one cannot do on demand: hold answers
// back, fail, or answer a policy edit with a figure of its own.
class DetailScriptedTest : public DetailScreen
{
    Q_OBJECT

    std::unique_ptr<ScriptedServer> server;
    bool holdLoads = false;
    int failLoadsWith = 0;
    std::optional<json> policyAnswer;

    static json devicePolicy()
    {
        return {{"downtime_enabled", false}, {"downtime_start", "21:00"}, {"downtime_end", "07:00"},
                {"screen_time_enabled", true}, {"screen_time_limit_minutes", 120}};
    }

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
            r = Response::ofJson(request.method == "PUT" && policyAnswer ? *policyAnswer : devicePolicy());
        else if (target == "/api/v1/devices/d1/usage?days=7")
            r = Response::ofJson(json::array({{{"date", "2025-03-07"}, {"total_minutes", 100.9}}}));
        else if (target == "/api/v1/devices/d1/activities")
            r = Response::ofJson(json::array());
        else
            return Response::ofJson({{"detail", "Not Found"}}, 404);
        if (request.method == "PUT") {
            r.action = Response::Action::Hold;
        } else if (failLoadsWith) {
            r = Response::ofJson({{"detail", "database offline"}}, failLoadsWith);
        } else if (holdLoads) {
            r.action = Response::Action::Hold;
        }
        return r;
    }

    // The oldest held request's body, keys sorted.
    QString heldBody() const
    {
        const auto held = server->heldRequests();
        return held.isEmpty() ? QString() : QString::fromStdString(json::parse(held[0].body.toStdString()).dump());
    }

    // Pushes the detail screen as the list does, with the id alone.
    void pushDetail()
    {
        QQuickItem* stack = item("navigationStack");
        QVERIFY(stack);
        QQmlEngine* engine = qmlEngine(stack);
        auto* component = new QQmlComponent(engine, stack);
        component->setData("import Lumaro.Screens\nDeviceDetailView {}", QUrl());
        QVERIFY2(component->isReady(), qPrintable(component->errorString()));
        auto* context = new QQmlContext(qmlContext(stack), stack);
        context->setContextProperty(QStringLiteral("detailPage"), component);
        QQmlExpression push(context, stack, QStringLiteral("push(detailPage, { deviceId: 'd1' })"));
        push.evaluate();
        QVERIFY2(!push.hasError(), qPrintable(push.error().toString()));
        QTRY_VERIFY(page());
        QTRY_VERIFY(settled());
    }

private slots:
    void init()
    {
        server = std::make_unique<ScriptedServer>();
        server->setHandler([this](const ScriptedServer::Request& request) { return route(request); });
        holdLoads = false;
        failLoadsWith = 0;
        policyAnswer.reset();
        UiSession::clearStore();
        UiSession::storeEntry(QStringLiteral("server_url"), server->baseUrl());
        UiSession::storeEntry(QStringLiteral("auth_token"), QStringLiteral("parent-token"));
        QVERIFY(launchSignedIn());
    }

    void cleanup()
    {
        if (server)
            server->releaseAll();
        quit();
        server.reset();
    }

    void loadingFillsThePageUntilAnswersArrive()
    {
        holdLoads = true;
        pushDetail();
        QTRY_COMPARE(server->heldCount(), 4);
        QVERIFY(shown("loadingText"));
        QCOMPARE(textOf("loadingText"), QStringLiteral("Loading..."));
        QCOMPARE(textOf("detailTitle"), QStringLiteral("Device"));
        QVERIFY(!shown("errorView"));
        QVERIFY(!item("todayCard"));
        Ui::screenshot(window, QStringLiteral("detail-loading"));
        server->releaseAll();
        QTRY_VERIFY(contentShown());
        QVERIFY(!shown("loadingText"));
        QCOMPARE(textOf("detailTitle"), QStringLiteral("Den Mac"));
        QCOMPARE(textOf("usedTodayText"), QStringLiteral("1h 40m"));
        // No agent has reported and no token came with the device.
        QVERIFY(!shown("agentVersionRow"));
        QVERIFY(!shown("setupStringRow"));
        QVERIFY(!shown("downtimeRows"));
    }

    void errorOffersRetry()
    {
        failLoadsWith = 500;
        pushDetail();
        QTRY_VERIFY(shown("errorView"));
        // The service's own words, verbatim.
        QCOMPARE(textOf("errorText"), QStringLiteral("database offline"));
        QVERIFY(shown("retryButton"));
        QVERIFY(!shown("loadingText"));
        Ui::screenshot(window, QStringLiteral("detail-error"));

        failLoadsWith = 0;
        const auto before = server->requests().size();
        Ui::click(window, item("retryButton"));
        QTRY_VERIFY(contentShown());
        QVERIFY(server->requests().size() >= before + 4);
        QVERIFY(!shown("errorView"));
    }

    void refreshKeyLoadsAgain()
    {
        pushDetail();
        QTRY_VERIFY(contentShown());
        const auto before = server->requests().size();
        QTest::keyClick(window, Qt::Key_F5);
        QTRY_VERIFY(server->requests().size() >= before + 4);
    }

    void stepperFiguresComeFromTheServiceAnswer()
    {
        pushDetail();
        QTRY_VERIFY(contentShown());
        QCOMPARE(textOf("weekdaysStepperValue"), QStringLiteral("2h 0m"));
        json answered = devicePolicy();
        answered["screen_time_limit_minutes"] = 200;
        policyAnswer = answered;

        QVERIFY(press("weekdaysStepperIncrement"));
        QTRY_COMPARE(server->heldCount(), 1);
        QCOMPARE(heldBody(), QStringLiteral(R"({"screen_time_limit_minutes":135})"));
        // Until the service answers, the figure stays, and a second step
        // starts from it again.
        QCOMPARE(textOf("weekdaysStepperValue"), QStringLiteral("2h 0m"));
        Ui::click(window, item("weekdaysStepperIncrement"));
        QTest::qWait(100);
        QCOMPARE(textOf("weekdaysStepperValue"), QStringLiteral("2h 0m"));

        server->releaseHeld();
        QTRY_COMPARE(textOf("weekdaysStepperValue"), QStringLiteral("3h 20m"));
        // The second step went out merged after the first answer, still 120 + 15.
        QTRY_COMPARE(server->heldCount(), 1);
        QCOMPARE(heldBody(), QStringLiteral(R"({"screen_time_limit_minutes":135})"));
        server->releaseHeld();
        QTRY_VERIFY(!detailVM()->isSaving());
    }

    void switchShowsThePolicyUntilTheServiceAnswers()
    {
        pushDetail();
        QTRY_VERIFY(contentShown());
        QQuickItem* toggle = item("downtimeToggleSwitch");
        QVERIFY(!toggle->property("checked").toBool());
        json answered = devicePolicy();
        answered["downtime_enabled"] = true;
        policyAnswer = answered;
        QVERIFY(press("downtimeToggleSwitch"));
        QTRY_COMPARE(server->heldCount(), 1);
        QVERIFY(!toggle->property("checked").toBool());
        QVERIFY(!shown("downtimeRows"));
        server->releaseHeld();
        QTRY_VERIFY(toggle->property("checked").toBool());
        QVERIFY(shown("downtimeRows"));
    }
};

int main(int argc, char** argv)
{
    LumaroApp::prepare();
    QGuiApplication app(argc, argv);
    int status = 0;
    {
        DetailServiceTest test;
        status |= QTest::qExec(&test, argc, argv);
    }
    {
        DetailScriptedTest test;
        status |= QTest::qExec(&test, argc, argv);
    }
    return status;
}

#include "tst_detail.moc"
