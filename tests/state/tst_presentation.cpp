// What a device row shows for its last contact at exact moments, and what
// copying leaves on the clipboard.
#include "Clock.h"
#include "Presentation.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QTest>

namespace {

// 2025-03-07T10:15:30Z
constexpr qint64 fixedNow = 1741342530000;

QVariant secondsAgo(qint64 seconds, Qt::DateFormat format = Qt::ISODateWithMs)
{
    return QDateTime::fromMSecsSinceEpoch(fixedNow - seconds * 1000, Qt::UTC).toString(format);
}

}  // namespace

class DeviceStatusTest : public QObject
{
    Q_OBJECT

    Presentation presentation;

private slots:
    void init() { Clock::setSource([] { return fixedNow; }); }
    void cleanup() { Clock::setSource({}); }

    void status_data()
    {
        QTest::addColumn<QVariant>("lastSeen");
        QTest::addColumn<bool>("online");
        QTest::addColumn<QString>("age");
        QTest::addColumn<QString>("status");

        const QString online = QStringLiteral("Online");
        QTest::newRow("never reported") << QVariant() << false << "never" << "never";
        QTest::newRow("null") << QVariant::fromValue(nullptr) << false << "never" << "never";
        QTest::newRow("unreadable") << QVariant(QStringLiteral("yesterday")) << false << "never" << "never";
        QTest::newRow("119 s") << secondsAgo(119) << true << "just now" << online;
        QTest::newRow("150 s") << secondsAgo(150) << true << "2 min ago" << online;
        QTest::newRow("179 s") << secondsAgo(179) << true << "2 min ago" << online;
        QTest::newRow("180 s") << secondsAgo(180) << false << "3 min ago" << "3 min ago";
        QTest::newRow("200 s, no fraction") << secondsAgo(200, Qt::ISODate) << false << "3 min ago" << "3 min ago";
        QTest::newRow("179.999 s")
            << QVariant(QDateTime::fromMSecsSinceEpoch(fixedNow - 179'999, Qt::UTC).toString(Qt::ISODateWithMs))
            << true << "2 min ago" << online;
        QTest::newRow("offset zone, 3 min") << QVariant(QStringLiteral("2025-03-07T12:12:30+02:00")) << false
                                            << "3 min ago" << "3 min ago";
        QTest::newRow("ahead of the clock") << secondsAgo(-600) << true << "just now" << online;
        QTest::newRow("2 hr 59 min") << secondsAgo(2 * 3600 + 59 * 60) << false << "2 hr ago" << "2 hr ago";
        QTest::newRow("47 hr") << secondsAgo(47 * 3600) << false << "1 days ago" << "1 days ago";
    }

    void status()
    {
        QFETCH(QVariant, lastSeen);
        QFETCH(bool, online);
        QFETCH(QString, age);
        QFETCH(QString, status);
        QCOMPARE(presentation.isOnline(lastSeen), online);
        QCOMPARE(presentation.lastSeenText(lastSeen), age);
        QCOMPARE(presentation.statusText(lastSeen), status);
    }

    void statusMovesOnWithTheClock()
    {
        const QVariant seen = secondsAgo(0);
        QCOMPARE(presentation.statusText(seen), QStringLiteral("Online"));
        Clock::setSource([] { return fixedNow + 200'000; });
        QCOMPARE(presentation.statusText(seen), QStringLiteral("3 min ago"));
    }
};

class ClipboardTest : public QObject
{
    Q_OBJECT

    Presentation presentation;

private slots:
    void copyLeavesExactlyOnePlainText()
    {
        QClipboard* clipboard = QGuiApplication::clipboard();
        auto* earlier = new QMimeData;
        earlier->setHtml(QStringLiteral("<b>old</b>"));
        earlier->setData(QStringLiteral("application/x-lumaro-test"), "left over");
        clipboard->setMimeData(earlier);

        presentation.copyText(QStringLiteral("a1b2 c3 "));
        const QMimeData* now = clipboard->mimeData();
        QVERIFY(now);
        QCOMPARE(now->formats(), QStringList{QStringLiteral("text/plain")});
        QCOMPARE(clipboard->text(), QStringLiteral("a1b2 c3 "));
    }
};

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    int status = 0;
    {
        DeviceStatusTest test;
        status |= QTest::qExec(&test, argc, argv);
    }
    {
        ClipboardTest test;
        status |= QTest::qExec(&test, argc, argv);
    }
    return status;
}

#include "tst_presentation.moc"
