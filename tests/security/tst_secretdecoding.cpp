#include "OptionalPrinting.h"
#include "TOTPGenerator.h"

#include <QTest>

using namespace Qt::StringLiterals;

using OptionalBytes = std::optional<QByteArray>;

// How the device's shared secret becomes the key of the unlock code.
class TestSecretDecoding : public QObject
{
    Q_OBJECT

private slots:
    void decodes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<OptionalBytes>("bytes");
        const OptionalBytes none;

        QTest::newRow("empty") << QString() << OptionalBytes(QByteArray());
        QTest::newRow("one digit") << u"a"_s << OptionalBytes(QByteArray());
        QTest::newRow("one non-digit") << u"g"_s << OptionalBytes(QByteArray());
        QTest::newRow("zero byte") << u"00"_s << OptionalBytes(QByteArray(1, '\0'));
        QTest::newRow("all digits") << u"0123456789abcdef"_s
                                    << OptionalBytes(QByteArray::fromHex("0123456789abcdef"));
        QTest::newRow("upper case") << u"ABCDEF"_s << OptionalBytes(QByteArray("\xab\xcd\xef"));
        QTest::newRow("mixed case") << u"aBcD"_s << OptionalBytes(QByteArray("\xab\xcd"));
        QTest::newRow("odd count drops last") << u"abc"_s << OptionalBytes(QByteArray("\xab"));
        QTest::newRow("odd last g ignored") << u"abg"_s << OptionalBytes(QByteArray("\xab"));
        QTest::newRow("odd last non-ASCII ignored") << u"ab\u00e9"_s << OptionalBytes(QByteArray("\xab"));
        QTest::newRow("odd last astral ignored") << u"ab\U0001F600"_s << OptionalBytes(QByteArray("\xab"));
        QTest::newRow("g high") << u"ga"_s << none;
        QTest::newRow("g low") << u"ag"_s << none;
        QTest::newRow("g in a later pair") << u"abcdeg"_s << none;
        QTest::newRow("plus sign") << u"+f"_s << none;
        QTest::newRow("minus sign") << u"-1"_s << none;
        QTest::newRow("leading blank") << u" f"_s << none;
        QTest::newRow("trailing blank") << u"f "_s << none;
        QTest::newRow("0x prefix") << u"0x12"_s << none;
        QTest::newRow("non-ASCII") << u"\u00e9a"_s << none;
        QTest::newRow("fullwidth digits") << u"\uff11\uff12"_s << none;
        QTest::newRow("Arabic-Indic digits") << u"\u0661\u0662"_s << none;
        QTest::newRow("NUL") << QString(QChar(0)) + u"0"_s << none;
    }

    void decodes()
    {
        QFETCH(QString, text);
        QFETCH(OptionalBytes, bytes);
        QCOMPARE(bytesFromHexString(text), bytes);
    }

    // Secrets that decode to the same key must give the same code.
    void sameKeySameCode_data()
    {
        QTest::addColumn<QString>("secret");
        QTest::addColumn<QString>("sameAs");
        QTest::newRow("one character is the empty key") << u"7"_s << QString();
        QTest::newRow("odd count is truncated") << u"3132333"_s << u"313233"_s;
        QTest::newRow("odd last g") << u"313233g"_s << u"313233"_s;
        QTest::newRow("case") << u"ABCDEF"_s << u"abcdef"_s;
    }

    void sameKeySameCode()
    {
        QFETCH(QString, secret);
        QFETCH(QString, sameAs);
        const auto code = TOTPGenerator::detail::codeForCounter(secret, 1);
        QVERIFY(code);
        QCOMPARE(code, TOTPGenerator::detail::codeForCounter(sameAs, 1));
    }

    void nonHexSecretGivesNoCode()
    {
        QCOMPARE(TOTPGenerator::detail::codeForCounter(u"3132g3"_s, 1), std::nullopt);
        QCOMPARE(TOTPGenerator::currentCode(u"g0"_s), std::nullopt);
    }
};

QTEST_APPLESS_MAIN(TestSecretDecoding)
#include "tst_secretdecoding.moc"
