// The week chart's scaling and colours, and the countdown texts of the
// unlock code and bonus lines.
#include "Countdown.h"
#include "UsageChartModel.h"

#include <QSignalSpy>
#include <QTest>
#include <vector>

using Tone = UsageChartModel::Tone;
Q_DECLARE_METATYPE(Tone)

namespace {

QVariantMap entry(const QString& date, double minutes)
{
    return {{QStringLiteral("date"), date},
            {QStringLiteral("totalMinutes"), minutes},
            {QStringLiteral("dayLabel"), date.right(2)},
            {QStringLiteral("formattedTime"), QString::number(minutes)}};
}

}  // namespace

class ChartScalingTest : public QObject
{
    Q_OBJECT

private slots:
    void heights_data()
    {
        QTest::addColumn<QList<double>>("days");
        QTest::addColumn<qint64>("limit");
        QTest::addColumn<double>("max");
        QTest::addColumn<QList<double>>("bars");
        QTest::addColumn<double>("line");

        QTest::newRow("busiest day sets the scale") << QList<double>{60, 180} << qint64(120) << 180.0
                                                    << QList<double>{40, 120} << 80.0;
        QTest::newRow("limit above every day sets the scale") << QList<double>{30, 90} << qint64(120) << 120.0
                                                              << QList<double>{30, 90} << 120.0;
        QTest::newRow("fractions scale as they are") << QList<double>{12.5} << qint64(50) << 50.0
                                                     << QList<double>{30} << 120.0;
        QTest::newRow("all zero with a zero limit") << QList<double>{0, 0, 0} << qint64(0) << 0.0
                                                    << QList<double>{0, 0, 0} << 0.0;
        QTest::newRow("no days") << QList<double>{} << qint64(0) << 0.0 << QList<double>{} << 0.0;
        QTest::newRow("zero limit, some use") << QList<double>{0, 45} << qint64(0) << 45.0
                                              << QList<double>{0, 120} << 0.0;
        QTest::newRow("negative limit stays at the bottom") << QList<double>{30} << qint64(-10) << 30.0
                                                           << QList<double>{120} << 0.0;
    }

    void heights()
    {
        QFETCH(QList<double>, days);
        QFETCH(qint64, limit);
        QFETCH(double, max);
        QFETCH(QList<double>, bars);
        QFETCH(double, line);

        const std::vector<double> minutes(days.begin(), days.end());
        QCOMPARE(UsageChartModel::maxMinutes(minutes, limit), max);
        for (qsizetype i = 0; i < days.size(); ++i)
            QCOMPARE(UsageChartModel::heightFor(days[i], max), bars[i]);
        QCOMPARE(UsageChartModel::heightFor(double(limit), max), line);
    }
};

class ChartToneTest : public QObject
{
    Q_OBJECT

private slots:
    void tone_data()
    {
        QTest::addColumn<double>("minutes");
        QTest::addColumn<qint64>("limit");
        QTest::addColumn<Tone>("tone");

        QTest::newRow("96 of 120 is exactly 0.8") << 96.0 << qint64(120) << Tone::blue;
        QTest::newRow("97 of 120") << 97.0 << qint64(120) << Tone::orange;
        QTest::newRow("120 of 120 is exactly 1.0") << 120.0 << qint64(120) << Tone::orange;
        QTest::newRow("121 of 120") << 121.0 << qint64(120) << Tone::red;
        QTest::newRow("120.5 of 120") << 120.5 << qint64(120) << Tone::red;
        QTest::newRow("60 of 120") << 60.0 << qint64(120) << Tone::blue;
        QTest::newRow("180 of 120") << 180.0 << qint64(120) << Tone::red;
        QTest::newRow("no use, zero limit") << 0.0 << qint64(0) << Tone::blue;
        QTest::newRow("a minute, zero limit") << 1.0 << qint64(0) << Tone::red;
    }

    void tone()
    {
        QFETCH(double, minutes);
        QFETCH(qint64, limit);
        QFETCH(Tone, tone);
        QCOMPARE(UsageChartModel::tone(minutes, limit), tone);
    }
};

class ChartModelTest : public QObject
{
    Q_OBJECT

private slots:
    void columnsRunOldestFirst()
    {
        UsageChartModel chart;
        chart.setLimitMinutes(120);
        // Today first, as the service sends the days.
        chart.setUsage({entry(QStringLiteral("2025-03-07"), 60), entry(QStringLiteral("2025-03-06"), 180),
                        entry(QStringLiteral("2025-03-05"), 100)});

        const QVariantList columns = chart.columns();
        QCOMPARE(columns.size(), 3);
        const QStringList dates{QStringLiteral("2025-03-05"), QStringLiteral("2025-03-06"), QStringLiteral("2025-03-07")};
        const QList<double> heights{100.0 / 180 * 120, 120, 40};
        const QStringList tones{QStringLiteral("orange"), QStringLiteral("red"), QStringLiteral("blue")};
        for (int i = 0; i < 3; ++i) {
            const QVariantMap column = columns[i].toMap();
            QCOMPARE(column.value(QStringLiteral("date")).toString(), dates[i]);
            QCOMPARE(column.value(QStringLiteral("dayLabel")).toString(), dates[i].right(2));
            QCOMPARE(column.value(QStringLiteral("barHeight")).toDouble(), heights[i]);
            QCOMPARE(column.value(QStringLiteral("tone")).toString(), tones[i]);
        }
        QCOMPARE(chart.limitLineHeight(), 80.0);
    }

    void limitChangesRescale()
    {
        UsageChartModel chart;
        chart.setUsage({entry(QStringLiteral("2025-03-07"), 60)});
        QSignalSpy changed(&chart, &UsageChartModel::chartChanged);
        QSignalSpy caption(&chart, &UsageChartModel::limitMinutesChanged);

        chart.setLimitMinutes(240);
        QCOMPARE(changed.size(), 1);
        QCOMPARE(caption.size(), 1);
        QCOMPARE(chart.limitCaption(), QStringLiteral("Limit: 4h 0m"));
        QCOMPARE(chart.columns().first().toMap().value(QStringLiteral("barHeight")).toDouble(), 30.0);

        chart.setLimitMinutes(240);
        QCOMPARE(changed.size(), 1);
    }
};

class CountdownTextTest : public QObject
{
    Q_OBJECT

private slots:
    void code_data()
    {
        QTest::addColumn<qint64>("seconds");
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("fraction");

        QTest::newRow("start of a step") << qint64(300) << QStringLiteral("Valid for 5:00") << 1.0;
        QTest::newRow("last second") << qint64(1) << QStringLiteral("Valid for 0:01") << 1.0 / 300;
        QTest::newRow("two minutes five") << qint64(125) << QStringLiteral("Valid for 2:05") << 125.0 / 300;
        QTest::newRow("a minute") << qint64(60) << QStringLiteral("Valid for 1:00") << 0.2;
        QTest::newRow("not computed yet") << qint64(0) << QStringLiteral("Valid for 0:00") << 0.0;
        QTest::newRow("below zero") << qint64(-4) << QStringLiteral("Valid for 0:00") << 0.0;
        QTest::newRow("beyond a step") << qint64(301) << QStringLiteral("Valid for 5:01") << 1.0;
    }

    void code()
    {
        QFETCH(qint64, seconds);
        QFETCH(QString, text);
        QFETCH(double, fraction);
        QCOMPARE(Countdown::validForText(seconds), text);
        QCOMPARE(Countdown::codeFraction(seconds), fraction);
    }

    void bonus_data()
    {
        QTest::addColumn<qint64>("seconds");
        QTest::addColumn<QString>("text");

        QTest::newRow("under a minute") << qint64(59) << QStringLiteral("Bonus active \u2014 0:59 remaining");
        QTest::newRow("fifteen minutes five") << qint64(905) << QStringLiteral("Bonus active \u2014 15:05 remaining");
        QTest::newRow("over an hour stays in minutes") << qint64(3661)
                                                       << QStringLiteral("Bonus active \u2014 61:01 remaining");
    }

    void bonus()
    {
        QFETCH(qint64, seconds);
        QFETCH(QString, text);
        QCOMPARE(Countdown::bonusActiveText(seconds), text);
    }
};

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    int status = 0;
    {
        ChartScalingTest test;
        status |= QTest::qExec(&test, argc, argv);
    }
    {
        ChartToneTest test;
        status |= QTest::qExec(&test, argc, argv);
    }
    {
        ChartModelTest test;
        status |= QTest::qExec(&test, argc, argv);
    }
    {
        CountdownTextTest test;
        status |= QTest::qExec(&test, argc, argv);
    }
    return status;
}
#include "tst_usage_chart.moc"
