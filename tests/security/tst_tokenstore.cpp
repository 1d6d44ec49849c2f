#include "KeychainHelper.h"
#include "Log.h"
#include "MemoryStore.h"
#include "OptionalPrinting.h"

#include <QCoreApplication>
#include <QTest>
#include <qcoro/qcorotask.h>

using namespace Qt::StringLiterals;

namespace {

const QString current = QString::fromLatin1(KeychainHelper::service);
const QString legacy = QString::fromLatin1(KeychainHelper::legacyService);

// Shared set-up: a fresh in-memory store behind the helper, log lines captured.
class StoreFixture : public QObject
{
    Q_OBJECT

protected:
    std::shared_ptr<MemoryStore> store;
    QStringList log;

    std::optional<QString> get(const QString& key) { return QCoro::waitFor(KeychainHelper::get(key)); }
    void save(const QString& key, const QString& value) { QCoro::waitFor(KeychainHelper::save(key, value)); }
    void deleteKey(const QString& key) { QCoro::waitFor(KeychainHelper::deleteKey(key)); }

protected slots:
    void init()
    {
        store = std::make_shared<MemoryStore>();
        KeychainHelper::setStore(store);
        log.clear();
        Log::setSink([this](const QString& line) { log.append(line); });
    }

    void cleanup()
    {
        Log::setSink({});
        KeychainHelper::setStore(nullptr);
    }
};

}  // namespace

// Saving and reading entries of the current service.
class TestTokenStore : public StoreFixture
{
    Q_OBJECT

private slots:
    void savingTwiceKeepsOneItemWithTheSecondValue()
    {
        save(u"auth_token"_s, u"first"_s);
        save(u"auth_token"_s, u"second"_s);
        QCOMPARE(store->itemCount(), 1);
        QCOMPARE(store->value(current, u"auth_token"_s), QByteArray("second"));
        QCOMPARE(get(u"auth_token"_s), u"second"_s);
        QCOMPARE(log, QStringList());
    }

    void roundTrip_data()
    {
        QTest::addColumn<QString>("value");
        QTest::newRow("address") << u"https://lumaro.example:8443/"_s;
        QTest::newRow("non-ASCII") << u"Gr\u00fc\u00dfe \u65e5\u672c \U0001F30D"_s;
        QTest::newRow("empty") << QString();
        QTest::newRow("leading byte-order mark") << u"\ufefftoken"_s;
    }

    void roundTrip()
    {
        QFETCH(QString, value);
        save(u"server_url"_s, value);
        QCOMPARE(store->value(current, u"server_url"_s), value.toUtf8());
        const auto text = get(u"server_url"_s);
        QVERIFY(text);  // an empty value is an empty text, not nothing
        QCOMPARE(*text, value);
    }

    // What the store hands back decides the answer; a present item never
    // costs a look-up under the legacy service, even when it is unreadable.
    void storedBytes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<std::optional<QString>>("text");
        const std::optional<QString> none;
        QTest::newRow("UTF-8") << QByteArray("caf\xc3\xa9") << std::optional(u"caf\u00e9"_s);
        QTest::newRow("empty data") << QByteArray() << std::optional(QString());
        QTest::newRow("byte-order mark kept") << QByteArray("\xef\xbb\xbf" "ab") << std::optional(u"\ufeffab"_s);
        QTest::newRow("invalid byte") << QByteArray("\xff") << none;
        QTest::newRow("cut-off sequence") << QByteArray("ab\xc3") << none;
        QTest::newRow("overlong form") << QByteArray("\xc0\xaf") << none;
        QTest::newRow("surrogate") << QByteArray("\xed\xa0\x80") << none;
    }

    void storedBytes()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(std::optional<QString>, text);
        store->put(current, u"auth_token"_s, bytes);
        store->put(legacy, u"auth_token"_s, "legacy");
        QCOMPARE(get(u"auth_token"_s), text);
        QCOMPARE(store->reads(legacy), 0);
    }

    void missingEverywhereGivesNothingAfterTwoReads()
    {
        QCOMPARE(get(u"auth_token"_s), std::nullopt);
        QCOMPARE(store->reads(current), 1);
        QCOMPARE(store->reads(legacy), 1);
        QCOMPARE(store->itemCount(), 0);
        QCOMPARE(log, QStringList());
    }

    void failedReadFallsBackToLegacy()
    {
        store->failReads(current, -25308);
        store->put(legacy, u"auth_token"_s, "legacy");
        QCOMPARE(get(u"auth_token"_s), u"legacy"_s);
        QCOMPARE(store->reads(legacy), 1);
    }

    void failedSaveIsLogged_data()
    {
        QTest::addColumn<int>("status");
        QTest::newRow("duplicate item") << -25299;
        QTest::newRow("access denied") << 4;
        QTest::newRow("other error") << 7;
    }

    void failedSaveIsLogged()
    {
        QFETCH(int, status);
        store->failWrites(status);
        save(u"auth_token"_s, u"token"_s);
        QCOMPARE(log, QStringList(u"[Lumaro] Keychain save failed: "_s + QString::number(status)));
    }
};

// Entries carried over from the earlier product's service, and sign-out.
class TestLegacyCarryOver : public StoreFixture
{
    Q_OBJECT

private slots:
    void copiedOnceAndLeftInPlace()
    {
        store->put(legacy, u"auth_token"_s, "old-token");
        QCOMPARE(get(u"auth_token"_s), u"old-token"_s);
        QCOMPARE(store->value(current, u"auth_token"_s), QByteArray("old-token"));
        QCOMPARE(get(u"auth_token"_s), u"old-token"_s);
        QCOMPARE(store->reads(legacy), 1);
        QCOMPARE(store->value(legacy, u"auth_token"_s), QByteArray("old-token"));
    }

    void legacyBytes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<std::optional<QString>>("text");
        QTest::newRow("empty data is copied") << QByteArray() << std::optional(QString());
        QTest::newRow("invalid UTF-8 is not") << QByteArray("\xfe\xff") << std::optional<QString>();
    }

    void legacyBytes()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(std::optional<QString>, text);
        store->put(legacy, u"server_url"_s, bytes);
        QCOMPARE(get(u"server_url"_s), text);
        QCOMPARE(store->value(current, u"server_url"_s).has_value(), text.has_value());
    }

    void failedCopyStillAnswers()
    {
        store->put(legacy, u"auth_token"_s, "old-token");
        store->failWrites(-25299);
        QCOMPARE(get(u"auth_token"_s), u"old-token"_s);
        QCOMPARE(log, QStringList(u"[Lumaro] Keychain save failed: -25299"_s));
    }

    // Signing out must stay signed out: the legacy copy would otherwise sign
    // the parent in again on the next read.
    void deleteIsFinal_data()
    {
        QTest::addColumn<bool>("inCurrent");
        QTest::addColumn<bool>("inLegacy");
        QTest::addColumn<bool>("readFirst");
        QTest::newRow("both services") << true << true << false;
        QTest::newRow("legacy only, after its copy") << false << true << true;
        QTest::newRow("current only") << true << false << false;
    }

    void deleteIsFinal()
    {
        QFETCH(bool, inCurrent);
        QFETCH(bool, inLegacy);
        QFETCH(bool, readFirst);
        if (inCurrent)
            store->put(current, u"auth_token"_s, "token");
        if (inLegacy)
            store->put(legacy, u"auth_token"_s, "old-token");
        store->put(current, u"server_url"_s, "https://a.example");
        store->put(legacy, u"server_url"_s, "https://b.example");
        if (readFirst)
            QVERIFY(get(u"auth_token"_s));

        deleteKey(u"auth_token"_s);
        QCOMPARE(get(u"auth_token"_s), std::nullopt);
        QCOMPARE(store->itemCount(), 2);  // the other key is untouched in both services
        QCOMPARE(get(u"server_url"_s), u"https://a.example"_s);
        QCOMPARE(log, QStringList());
    }

    void deletingAnUnknownKeyChangesAndLogsNothing()
    {
        store->put(current, u"server_url"_s, "https://a.example");
        deleteKey(u"never_stored"_s);
        QCOMPARE(store->itemCount(), 1);
        QCOMPARE(log, QStringList());
    }
};

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int status = 0;
    {
        TestTokenStore test;
        status |= QTest::qExec(&test, argc, argv);
    }
    {
        TestLegacyCarryOver test;
        status |= QTest::qExec(&test, argc, argv);
    }
    return status;
}

#include "tst_tokenstore.moc"
