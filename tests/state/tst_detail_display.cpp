// What the detail screen's cards and editors show: the usage bar's colour and
// figures, the compact time picker's reading of a time text, the per-day
// defaults and window fall-backs, the minute steppers' bounds, and the setup
// string handed to the agent.
#include "DeviceSetup.h"
#include "KeychainHelper.h"
#include "MemoryCredentialStore.h"
#include "MinuteSteps.h"
#include "PolicyRows.h"
#include "TaskResult.h"
#include "TimeOfDay.h"
#include "TodaySummary.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QTest>
#include <cmath>
#include <limits>

class UsageBarTest : public QObject
{
    Q_OBJECT

private slots:
    void colour_data()
    {
        QTest::addColumn<double>("fraction");
        QTest::addColumn<QString>("colour");
        QTest::newRow("empty") << 0.0 << "green";
        QTest::newRow("0.7 is still green") << 0.7 << "green";
        QTest::newRow("0.71") << 0.71 << "orange";
        QTest::newRow("0.9 is still orange") << 0.9 << "orange";
        QTest::newRow("0.91") << 0.91 << "red";
        QTest::newRow("full") << 1.0 << "red";
    }
    void colour()
    {
        QFETCH(double, fraction);
        QTEST(TodaySummary::barColorName(fraction), "colour");
    }

    void figures_data()
    {
        QTest::addColumn<double>("used");
        QTest::addColumn<QString>("text");
        QTest::newRow("nothing") << 0.0 << "0m";
        QTest::newRow("cut, not rounded") << 59.9 << "59m";
        QTest::newRow("hours") << 135.7 << "2h 15m";
        QTest::newRow("not a number") << std::nan("") << "0m";
    }
    void figures()
    {
        QFETCH(double, used);
        QTEST(TodaySummary::usedText(used), "text");
    }

    void limitReadsOfTheLimit() { QCOMPARE(TodaySummary::limitText(120), QStringLiteral("of 2h 0m")); }
};

class TimeOfDayTest : public QObject
{
    Q_OBJECT

private slots:
    void parse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::newRow("plain") << "21:00" << "21:00";
        QTest::newRow("hour only") << "7" << "07:00";
        QTest::newRow("empty") << "" << "00:00";
        QTest::newRow("no numbers") << "ab:cd" << "00:00";
        QTest::newRow("empty pieces dropped") << "::7::5" << "07:05";
        // The junk is skipped first, so 30 becomes the hour; a clock rolls 30 h to 6 h.
        QTest::newRow("junk before the minute") << "x:30" << "06:00";
        QTest::newRow("spaces make no number") << " 7:30" << "06:00";
        QTest::newRow("third piece ignored") << "08:15:59" << "08:15";
        QTest::newRow("minutes roll into the hour") << "07:75" << "08:15";
        QTest::newRow("end of day rolls to midnight") << "23:60" << "00:00";
        QTest::newRow("signed numbers count") << "+7:-5" << "06:55";
        QTest::newRow("beyond 64 bits is no number") << "99999999999999999999:10" << "10:00";
        QTest::newRow("largest 64-bit hour") << "9223372036854775807" << "07:00";
    }
    void parse()
    {
        QFETCH(QString, text);
        const auto time = TimeOfDay::parse(text);
        QTEST(TimeOfDay::format(time.hour, time.minute), "shown");
        QVERIFY(time.hour >= 0 && time.hour < 24);
        QVERIFY(time.minute >= 0 && time.minute < 60);
    }

    void formatPadsToTwoDigits()
    {
        QCOMPARE(TimeOfDay::format(7, 5), QStringLiteral("07:05"));
        QCOMPARE(TimeOfDay::format(6, 30), QStringLiteral("06:30"));
        QCOMPARE(TimeOfDay::format(0, 0), QStringLiteral("00:00"));
    }
};

class PolicyRowsTest : public QObject
{
    Q_OBJECT

    static QList<qint64> figures(const Policy& policy)
    {
        QList<qint64> shown;
        for (const auto& row : PolicyRows::dayRows(policy))
            shown.append(row.minutes);
        return shown;
    }

private slots:
    void daysFollowTheDailyLimitWithoutWeekendLimit()
    {
        const auto rows = PolicyRows::dayRows(Policy{.screenTimeLimitMinutes = 90});
        QCOMPARE(rows.size(), size_t(7));
        QCOMPARE(rows.front().label, QStringLiteral("Mon"));
        QCOMPARE(rows.back().label, QStringLiteral("Sun"));
        QCOMPARE(rows.back().index, 6);
        QCOMPARE(figures(Policy{.screenTimeLimitMinutes = 90}), (QList<qint64>{90, 90, 90, 90, 90, 90, 90}));
        for (const auto& row : rows)
            QVERIFY(!row.value);
    }

    void weekendDaysFollowTheWeekendLimit()
    {
        const Policy policy{.screenTimeLimitMinutes = 90, .screenTimeWeekendLimitMinutes = 180};
        QCOMPARE(figures(policy), (QList<qint64>{90, 90, 90, 90, 90, 180, 180}));
        QCOMPARE(PolicyRows::weekendMinutes(policy), 180);
        QCOMPARE(PolicyRows::weekendMinutes(Policy{.screenTimeLimitMinutes = 90}), 90);
    }

    void overridesWinOverDefaults()
    {
        const Policy policy{.screenTimeLimitMinutes = 90, .screenTimeWeekendLimitMinutes = 180,
                            .screenTimeWedMinutes = 30, .screenTimeSunMinutes = 45};
        QCOMPARE(figures(policy), (QList<qint64>{90, 90, 30, 90, 90, 180, 45}));
        const auto rows = PolicyRows::dayRows(policy);
        QCOMPARE(rows[2].value, std::optional<qint64>(30));
        QCOMPARE(rows[6].value, std::optional<qint64>(45));
        QVERIFY(!rows[5].value);
    }

    void windowsFallBackToTheDefaultWindow()
    {
        QCOMPARE(PolicyRows::windowTime(std::nullopt, QStringLiteral("21:00")), QStringLiteral("21:00"));
        QCOMPARE(PolicyRows::windowTime(QStringLiteral("22:30"), QStringLiteral("21:00")), QStringLiteral("22:30"));
    }
};

class MinuteStepsTest : public QObject
{
    Q_OBJECT

private slots:
    void step_data()
    {
        QTest::addColumn<qint64>("minutes");
        QTest::addColumn<int>("steps");
        QTest::addColumn<QVariant>("next");
        const QVariant none;
        QTest::newRow("up") << qint64(60) << 1 << QVariant(qint64(75));
        QTest::newRow("down") << qint64(60) << -1 << QVariant(qint64(45));
        QTest::newRow("down to the floor") << qint64(30) << -1 << QVariant(qint64(15));
        QTest::newRow("stops at 15") << qint64(15) << -1 << none;
        QTest::newRow("up to the ceiling") << qint64(705) << 1 << QVariant(qint64(720));
        QTest::newRow("stops at 720") << qint64(720) << 1 << none;
        QTest::newRow("off the grid") << qint64(100) << 1 << QVariant(qint64(115));
        QTest::newRow("below the range, up") << qint64(0) << 1 << QVariant(qint64(15));
        QTest::newRow("below the range, down") << qint64(0) << -1 << none;
        QTest::newRow("above the range, down") << qint64(1000) << -1 << QVariant(qint64(720));
        QTest::newRow("above the range, up") << qint64(1000) << 1 << none;
        QTest::newRow("huge, down") << std::numeric_limits<qint64>::max() << -1 << QVariant(qint64(720));
        QTest::newRow("very negative, up") << std::numeric_limits<qint64>::min() << 1 << QVariant(qint64(15));
    }
    void step()
    {
        QFETCH(qint64, minutes);
        QFETCH(int, steps);
        QFETCH(QVariant, next);
        const QVariant stepped = MinuteSteps::step(minutes, steps);
        QCOMPARE(stepped.isValid(), next.isValid());
        if (next.isValid())
            QCOMPARE(stepped.toLongLong(), next.toLongLong());
        QCOMPARE(MinuteSteps::canStep(minutes, steps), next.isValid());
    }
};

class SetupStringTest : public QObject
{
    Q_OBJECT

    std::shared_ptr<MemoryCredentialStore> store;

    static QString copied(const QString& token)
    {
        auto result = runTask(DeviceSetup::copySetupString(token));
        return result.finished && result.value ? *result.value : QStringLiteral("<unfinished>");
    }

private slots:
    void init()
    {
        store = std::make_shared<MemoryCredentialStore>();
        store->setLatency(5);
        KeychainHelper::setStore(store);
        QGuiApplication::clipboard()->setText(QStringLiteral("earlier"));
    }
    void cleanup() { KeychainHelper::setStore(nullptr); }

    void defaultAddressWhenNoneIsStored()
    {
        QCOMPARE(copied(QStringLiteral("tok-1")), QStringLiteral("https://api.lumaro.app|tok-1"));
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("https://api.lumaro.app|tok-1"));
    }

    void storedAddressWins()
    {
        store->put(QString::fromLatin1(KeychainHelper::service), QStringLiteral("server_url"),
                   "http://10.0.0.5:8000");
        QCOMPARE(copied(QStringLiteral("tok-2")), QStringLiteral("http://10.0.0.5:8000|tok-2"));
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        QCOMPARE(data->formats(), QStringList{QStringLiteral("text/plain")});
    }

    void noTokenLeavesTheClipboardAlone()
    {
        QCOMPARE(copied(QString()), QString());
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("earlier"));
    }
};

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    int status = 0;
    {
        UsageBarTest test;
        status |= QTest::qExec(&test, argc, argv);
    }
    {
        TimeOfDayTest test;
        status |= QTest::qExec(&test, argc, argv);
    }
    {
        PolicyRowsTest test;
        status |= QTest::qExec(&test, argc, argv);
    }
    {
        MinuteStepsTest test;
        status |= QTest::qExec(&test, argc, argv);
    }
    {
        SetupStringTest test;
        status |= QTest::qExec(&test, argc, argv);
    }
    return status;
}

#include "tst_detail_display.moc"
