#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QStringList operations = {u"save:auth_token=t1"_s, u"get:auth_token"_s, u"save:auth_token=t2"_s,
                                u"get:auth_token"_s, u"delete:auth_token"_s, u"get:auth_token"_s};

// A session bus that can start nothing, so no real keyring daemon is ever activated.
const char* const busConfig = R"(<busconfig>
  <type>session</type>
  <listen>unix:tmpdir=/tmp</listen>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
)";

// Locks the private keyring's default collection, then runs the probe; with
// no display the unlock prompt fails at once.
const char* const lockedKeyring = R"sh(source "$1"; shift
with_private_keyring bash -c 'dbus-send --session --print-reply --dest=org.freedesktop.secrets \
  /org/freedesktop/secrets org.freedesktop.Secret.Service.Lock \
  array:objpath:/org/freedesktop/secrets/collection/login >/dev/null && exec "$@"' locked "$@")sh";

}  // namespace

// Which failures of the platform store count as "no store at all" (entries
// kept in memory for the run) and which are a working store refusing a request.
class TestStoreReachability : public QObject
{
    Q_OBJECT

    QTemporaryDir scratch;
    QString busConfigPath;

private slots:
    void initTestCase()
    {
        QVERIFY(scratch.isValid());
        busConfigPath = scratch.filePath(u"session.conf"_s);
        QFile file(busConfigPath);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(busConfig);
    }

    void reachability_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("busAddress");
        QTest::addColumn<QStringList>("tools");
        QTest::addColumn<QStringList>("output");

        const QString probe = QStringLiteral(KEYRING_PROBE);
        const QString privateBus = u"dbus-run-session"_s;
        const QStringList onBus = {u"--config-file="_s + busConfigPath, u"--"_s};
        const QStringList inMemory = {
            u"log: [Lumaro] No credential store is available; the sign-in will not be remembered after this run"_s,
            u"get auth_token: t1"_s, u"get auth_token: t2"_s, u"get auth_token: nothing"_s};
        const auto refused = [](int status) {
            const QString failed = u"log: [Lumaro] Keychain save failed: "_s + QString::number(status);
            return QStringList{failed, u"get auth_token: nothing"_s, failed, u"get auth_token: nothing"_s,
                               u"get auth_token: nothing"_s};
        };

        QTest::newRow("no session bus")
            << probe << operations << u"unix:path=/nonexistent"_s << QStringList() << inMemory;
        QTest::newRow("bus without a Secret Service")
            << privateBus << onBus + QStringList(probe) + operations << QString()
            << QStringList{privateBus} << inMemory;
        QTest::newRow("Secret Service failing every request")
            << privateBus << onBus + QStringList{QStringLiteral(UNUSABLE_SECRET_SERVICE), probe} + operations
            << QString() << QStringList{privateBus} << refused(7);
        QTest::newRow("locked keyring")
            << u"bash"_s
            << QStringList{u"-c"_s, QString::fromUtf8(lockedKeyring), u"locked"_s,
                           QStringLiteral(LUMARO_COMMON_SH), probe} + operations
            << QString() << QStringList{privateBus, u"gnome-keyring-daemon"_s, u"dbus-send"_s} << refused(4);
    }

    void reachability()
    {
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        QFETCH(QString, busAddress);
        QFETCH(QStringList, tools);
        QFETCH(QStringList, output);
        for (const QString& tool : tools) {
            if (QStandardPaths::findExecutable(tool).isEmpty())
                QSKIP(qPrintable(tool + u" is not installed"_s));
        }

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(u"DISPLAY"_s);
        env.remove(u"WAYLAND_DISPLAY"_s);
        if (!busAddress.isEmpty())
            env.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, busAddress);
        QProcess process;
        process.setProcessEnvironment(env);
        process.start(program, arguments);
        QVERIFY(process.waitForFinished(60'000));
        const QByteArray errors = process.readAllStandardError();
        QVERIFY2(process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0, errors.constData());
        const QString out = QString::fromUtf8(process.readAllStandardOutput());
        QVERIFY2(out.split(u'\n', Qt::SkipEmptyParts) == output, qPrintable(out + u"\nstderr: "_s + QString::fromUtf8(errors)));
    }
};

QTEST_GUILESS_MAIN(TestStoreReachability)
#include "tst_keyringreach.moc"
