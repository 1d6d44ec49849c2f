#include "KeychainHelper.h"
#include "Log.h"
#include "OptionalPrinting.h"
#include "QtKeychainStore.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>
#include <qcoro/qcorotask.h>

using namespace Qt::StringLiterals;

namespace {

const QString current = QString::fromLatin1(KeychainHelper::service);
const QString legacy = QString::fromLatin1(KeychainHelper::legacyService);
const QStringList keys = {u"auth_token"_s, u"server_url"_s};

}  // namespace

// The token store against the real Secret Service of the private test session.
class TestKeyring : public QObject
{
    Q_OBJECT

    std::shared_ptr<QtKeychainStore> store;
    QStringList log;

    std::optional<QString> get(const QString& key) { return QCoro::waitFor(KeychainHelper::get(key)); }
    void save(const QString& key, const QString& value) { QCoro::waitFor(KeychainHelper::save(key, value)); }

    void removeEverywhere()
    {
        for (const auto& service : {current, legacy})
            for (const auto& key : keys)
                QCoro::waitFor(store->remove(service, key));
    }

    // Items as the keyring itself lists them; QtKeychain files an entry under
    // the attributes "server" (our service) and "user" (the key).
    int keyringItems(const QString& service, const QString& key)
    {
        QProcess tool;
        tool.start(u"secret-tool"_s, {u"search"_s, u"--all"_s, u"server"_s, service, u"user"_s, key});
        if (!tool.waitForFinished())
            return -1;
        const QString out = QString::fromUtf8(tool.readAllStandardOutput() + tool.readAllStandardError());
        return int(out.split(u'\n').filter(QRegularExpression(u"^\\[.+\\]$"_s)).size());
    }

private slots:
    void initTestCase()
    {
        // Only the throwaway keyring of the private session may be written.
        if (qEnvironmentVariableIsEmpty("LUMARO_TEST_HOME"))
            QSKIP("needs the private keyring session (with_private_keyring)");
    }

    void init()
    {
        store = std::make_shared<QtKeychainStore>();
        KeychainHelper::setStore(store);
        removeEverywhere();
        log.clear();
        Log::setSink([this](const QString& line) { log.append(line); });
    }

    void cleanup()
    {
        removeEverywhere();
        Log::setSink({});
        KeychainHelper::setStore(nullptr);
        // Neither the fallback nor a failed save may have happened.
        QCOMPARE(log, QStringList());
    }

    void savingTwiceKeepsOneItem()
    {
        save(u"auth_token"_s, u"first"_s);
        save(u"auth_token"_s, u"second"_s);
        QCOMPARE(get(u"auth_token"_s), u"second"_s);
        if (QStandardPaths::findExecutable(u"secret-tool"_s).isEmpty())
            QSKIP("secret-tool is not installed");
        QCOMPARE(keyringItems(current, u"auth_token"_s), 1);
    }

    void roundTrip_data()
    {
        QTest::addColumn<QString>("value");
        QTest::newRow("non-ASCII") << u"Gr\u00fc\u00dfe \u65e5\u672c \U0001F30D"_s;
        QTest::newRow("leading byte-order mark") << u"\ufeffhttps://lumaro.example"_s;
        QTest::newRow("empty") << QString();
    }

    void roundTrip()
    {
        QFETCH(QString, value);
        save(u"server_url"_s, value);
        const auto text = get(u"server_url"_s);
        QVERIFY(text);
        QCOMPARE(*text, value);
    }

    void legacyEntryIsCopiedAndKept()
    {
        QCOMPARE(QCoro::waitFor(store->write(legacy, u"auth_token"_s, "old-t\xc3\xb6ken")), 0);
        QCOMPARE(get(u"auth_token"_s), u"old-t\u00f6ken"_s);
        QCOMPARE(QCoro::waitFor(store->read(current, u"auth_token"_s)).data, QByteArray("old-t\xc3\xb6ken"));
        QCOMPARE(QCoro::waitFor(store->read(legacy, u"auth_token"_s)).data, QByteArray("old-t\xc3\xb6ken"));
    }

    void deleteIsFinal()
    {
        save(u"auth_token"_s, u"token"_s);
        QCOMPARE(QCoro::waitFor(store->write(legacy, u"auth_token"_s, "old-token")), 0);
        QCoro::waitFor(KeychainHelper::deleteKey(u"auth_token"_s));
        QCOMPARE(get(u"auth_token"_s), std::nullopt);
        if (QStandardPaths::findExecutable(u"secret-tool"_s).isEmpty())
            QSKIP("secret-tool is not installed");
        QCOMPARE(keyringItems(current, u"auth_token"_s), 0);
        QCOMPARE(keyringItems(legacy, u"auth_token"_s), 0);
    }
};

QTEST_GUILESS_MAIN(TestKeyring)
#include "tst_keyring.moc"
