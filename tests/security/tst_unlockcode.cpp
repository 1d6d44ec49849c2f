#include "Clock.h"
#include "OptionalPrinting.h"
#include "TOTPGenerator.h"

#include <QDateTime>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

using namespace Qt::StringLiterals;
using TOTPGenerator::detail::codeForCounter;

namespace {

// The key of the RFC 4226 test vectors, "12345678901234567890", as hex text.
const QString rfcKey = u"3132333435363738393031323334353637383930"_s;

void setClock(qint64 msecs)
{
    Clock::setSource([msecs] { return msecs; });
}

}  // namespace

// The six-digit code: the published vectors, its format, and which step of
// the clock it belongs to.
class TestUnlockCode : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { Clock::setSource({}); }

    void rfc4226Vectors_data()
    {
        QTest::addColumn<quint64>("counter");
        QTest::addColumn<QString>("code");
        const char* codes[] = {"755224", "287082", "359152", "969429", "338314",
                               "254676", "287922", "162583", "399871", "520489"};
        for (quint64 counter = 0; counter < 10; ++counter)
            QTest::addRow("counter %llu", counter) << counter << QString::fromLatin1(codes[counter]);
    }

    void rfc4226Vectors()
    {
        QFETCH(quint64, counter);
        QFETCH(QString, code);
        QCOMPARE(codeForCounter(rfcKey, counter), code);
    }

    void keepsLeadingZeros_data()
    {
        QTest::addColumn<QString>("secret");
        QTest::addColumn<quint64>("counter");
        QTest::addColumn<QString>("code");
        QTest::newRow("remainder 10") << rfcKey << quint64(65371) << u"000010"_s;
        QTest::newRow("remainder 0, empty key") << QString() << quint64(137605) << u"000000"_s;
    }

    void keepsLeadingZeros()
    {
        QFETCH(QString, secret);
        QFETCH(quint64, counter);
        QFETCH(QString, code);
        QCOMPARE(codeForCounter(secret, counter), code);
    }

    // The step number is whole seconds since the epoch divided by 300.
    void codeFollowsClock_data()
    {
        QTest::addColumn<qint64>("msecs");
        QTest::addColumn<quint64>("counter");
        QTest::newRow("epoch") << qint64(0) << quint64(0);
        QTest::newRow("end of first step") << qint64(299'999) << quint64(0);
        QTest::newRow("second step") << qint64(300'000) << quint64(1);
        QTest::newRow("2005-03-18") << qint64(1'111'111'109'000) << quint64(3'703'703);
        QTest::newRow("beyond 2038") << qint64(4'102'444'800'000) << quint64(13'674'816);
        QTest::newRow("just before epoch") << qint64(-1) << quint64(0);
        QTest::newRow("clock before epoch") << qint64(-1'000'000) << quint64(0);
    }

    void codeFollowsClock()
    {
        QFETCH(qint64, msecs);
        QFETCH(quint64, counter);
        setClock(msecs);
        QCOMPARE(TOTPGenerator::currentCode(rfcKey), codeForCounter(rfcKey, counter));
    }

    void secondsRemaining_data()
    {
        QTest::addColumn<qint64>("msecs");
        QTest::addColumn<qint64>("remaining");
        QTest::newRow("epoch") << qint64(0) << qint64(300);
        QTest::newRow("within first second") << qint64(999) << qint64(300);
        QTest::newRow("one second in") << qint64(1'000) << qint64(299);
        QTest::newRow("last second") << qint64(299'000) << qint64(1);
        QTest::newRow("last millisecond") << qint64(299'999) << qint64(1);
        QTest::newRow("next step") << qint64(300'000) << qint64(300);
        QTest::newRow("present step start") << qint64(1'700'000'100'000) << qint64(300);
        QTest::newRow("present step end") << qint64(1'700'000'399'999) << qint64(1);
        QTest::newRow("just before epoch") << qint64(-1) << qint64(300);
        QTest::newRow("clock before epoch") << qint64(-1'000'000) << qint64(300);
    }

    void secondsRemaining()
    {
        QFETCH(qint64, msecs);
        QFETCH(qint64, remaining);
        setClock(msecs);
        QCOMPARE(TOTPGenerator::secondsRemaining(), remaining);
    }

    void changesExactlyWhenCountdownRestarts()
    {
        const qint64 stepStart = 1'700'000'100'000;
        setClock(stepStart - 1);
        const auto before = TOTPGenerator::currentCode(rfcKey);
        QCOMPARE(TOTPGenerator::secondsRemaining(), 1);
        setClock(stepStart);
        QCOMPARE(TOTPGenerator::secondsRemaining(), 300);
        QVERIFY(TOTPGenerator::currentCode(rfcKey) != before);

        // Second by second over three steps: the code changes at, and only at,
        // the readings where the countdown shows 300 again.
        auto previous = TOTPGenerator::currentCode(rfcKey);
        for (qint64 s = 1; s < 900; ++s) {
            setClock(stepStart + s * 1000 + 500);
            const auto code = TOTPGenerator::currentCode(rfcKey);
            QCOMPARE(code != previous, TOTPGenerator::secondsRemaining() == 300);
            previous = code;
        }
    }

    // The agent's side is an independent implementation; oathtool stands in for it.
    void matchesOathtool_data()
    {
        QTest::addColumn<QString>("utc");
        QTest::addColumn<QString>("secret");
        const QString longKey = QString(u"00112233445566778899aabbccddeeff"_s).repeated(5);  // beyond HMAC's block
        QTest::newRow("epoch") << u"1970-01-01 00:00:00"_s << rfcKey;
        QTest::newRow("last second of a step") << u"2024-02-29 12:04:59"_s << rfcKey;
        QTest::newRow("first second of next") << u"2024-02-29 12:05:00"_s << rfcKey;
        QTest::newRow("beyond 2038") << u"2040-07-01 08:30:00"_s << rfcKey;
        QTest::newRow("short key") << u"2024-02-29 12:05:00"_s << u"a1b2c3"_s;
        QTest::newRow("long key") << u"2024-02-29 12:05:00"_s << longKey;
    }

    void matchesOathtool()
    {
        QFETCH(QString, utc);
        QFETCH(QString, secret);
        const QString oathtool = QStandardPaths::findExecutable(u"oathtool"_s);
        if (oathtool.isEmpty())
            QSKIP("oathtool is not installed");

        QProcess process;
        process.start(oathtool, {u"--totp"_s, u"-s"_s, u"300"_s, u"-d"_s, u"6"_s,
                                 u"--now"_s, utc + u" UTC"_s, secret});
        QVERIFY(process.waitForFinished());
        QCOMPARE(process.exitCode(), 0);
        const QString expected = QString::fromLatin1(process.readAllStandardOutput()).trimmed();

        const QDateTime moment = QDateTime::fromString(QString(utc).replace(u' ', u'T') + u'Z', Qt::ISODate);
        QVERIFY(moment.isValid());
        setClock(moment.toMSecsSinceEpoch());
        QCOMPARE(TOTPGenerator::currentCode(secret), expected);
    }
};

QTEST_APPLESS_MAIN(TestUnlockCode)
#include "tst_unlockcode.moc"
