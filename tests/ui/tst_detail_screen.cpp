// The whole detail screen of the demo's online device, in the light and the
// dark palette, with the unlock code, bonus, activities and week sections in
// place; screenshots are kept for looking at.
#include "UiHarness.h"
#include "UiSession.h"

#include <QGuiApplication>
#include <QPalette>
#include <QTest>

namespace {

QPalette darkPalette()
{
    QPalette p;
    p.setColor(QPalette::Window, QColor(0x1e, 0x1e, 0x20));
    p.setColor(QPalette::WindowText, QColor(0xf5, 0xf5, 0xf7));
    p.setColor(QPalette::Base, QColor(0x2c, 0x2c, 0x2e));
    p.setColor(QPalette::AlternateBase, QColor(0x3a, 0x3a, 0x3c));
    p.setColor(QPalette::Text, QColor(0xf5, 0xf5, 0xf7));
    p.setColor(QPalette::Button, QColor(0x3a, 0x3a, 0x3c));
    p.setColor(QPalette::ButtonText, QColor(0xf5, 0xf5, 0xf7));
    p.setColor(QPalette::Highlight, QColor(0x0a, 0x84, 0xff));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::PlaceholderText, QColor(0x98, 0x98, 0x9f));
    return p;
}

}  // namespace

class DetailScreenLookTest : public QObject
{
    Q_OBJECT

    ServiceProcess service{{QStringLiteral("--demo")}};
    UiSession session;
    QQuickWindow* window = nullptr;
    QString deviceId;

    QQuickItem* item(const QString& name) { return Ui::find(window, name); }
    int shownCount(const char* name)
    {
        int count = 0;
        for (auto* i : Ui::findAll(window, QString::fromLatin1(name)))
            count += Ui::isShown(i) ? 1 : 0;
        return count;
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(service.start(), qPrintable(service.errorString()));
        const QString token = service.login(QStringLiteral("parent@example.com"), QStringLiteral("lumaro-demo"));
        QVERIFY(!token.isEmpty());
        for (const auto& device : service.authorizedGet(token, QStringLiteral("/api/v1/devices")).json()) {
            if (device.value("child_name", "") == "Alex")
                deviceId = QString::fromStdString(device["id"].get<std::string>());
        }
        QVERIFY(!deviceId.isEmpty());
        UiSession::clearStore();
        UiSession::storeEntry(QStringLiteral("server_url"), service.baseUrl());
        UiSession::storeEntry(QStringLiteral("auth_token"), token);
    }

    void cleanup()
    {
        session.quit();
        window = nullptr;
        QGuiApplication::setPalette(QPalette());
    }

    void demoDevice_data()
    {
        QTest::addColumn<bool>("dark");
        QTest::newRow("light") << false;
        QTest::newRow("dark") << true;
    }

    void demoDevice()
    {
        QFETCH(bool, dark);
        if (dark)
            QGuiApplication::setPalette(darkPalette());
        window = session.launch();
        QVERIFY(window);

        const QString row = QStringLiteral("deviceRow_") + deviceId;
        QTRY_VERIFY(Ui::isShown(item(row)));
        Ui::click(window, item(row));
        QTRY_VERIFY(Ui::isShown(item(QStringLiteral("unlockCodeButton"))));
        QCOMPARE(Ui::text(item(QStringLiteral("unlockCodeButton"))).size(), 6);
        QVERIFY(Ui::text(item(QStringLiteral("unlockValidFor"))).startsWith(QStringLiteral("Valid for ")));
        // The four sections answer separately, so each is awaited on its own.
        QTRY_COMPARE(shownCount("activityRow"), 3);
        QTRY_COMPARE(shownCount("activityDivider"), 2);
        QTRY_COMPARE(shownCount("usageColumn"), 7);
        QTRY_COMPARE(Ui::text(item(QStringLiteral("usageLimitCaption"))), QStringLiteral("Limit: 2h 0m"));

        // Tall enough for the whole column, so one picture shows every section.
        window->resize(560, 2350);
        QTest::qWait(300);
        Ui::screenshot(window, dark ? QStringLiteral("detail-demo-dark") : QStringLiteral("detail-demo-light"));
    }
};

int main(int argc, char* argv[])
{
    LumaroApp::prepare();
    QGuiApplication app(argc, argv);
    DetailScreenLookTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_detail_screen.moc"
