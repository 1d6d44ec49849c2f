// A parent's whole first session, screen by screen, against the real service
// and keyring; afterwards the service must hold exactly what the parent did,
// and the parent's password and token must be nowhere but the keyring.
#include "AuthViewModel.h"
#include "Log.h"
#include "TOTPGenerator.h"
#include "ConsoleTest.h"

#include <QClipboard>
#include <QDateTime>
#include <QDirIterator>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTest>
#include <nlohmann/json.hpp>

#include <mutex>
#include <thread>
#include <unistd.h>

using json = nlohmann::json;

namespace {

// Everything this process and its children write to standard output and
// error, still passed on to where it went before.
class OutputTap
{
public:
    OutputTap()
    {
        int fds[2];
        if (::pipe(fds) != 0)
            return;
        m_original = ::dup(STDOUT_FILENO);
        std::fflush(nullptr);
        ::dup2(fds[1], STDOUT_FILENO);
        ::dup2(fds[1], STDERR_FILENO);
        ::close(fds[1]);
        m_reader = std::thread([this, in = fds[0]] {
            char buffer[4096];
            for (ssize_t n; (n = ::read(in, buffer, sizeof buffer)) > 0;) {
                [[maybe_unused]] const ssize_t written = ::write(m_original, buffer, size_t(n));
                const std::lock_guard lock(m_mutex);
                m_seen.append(buffer, n);
            }
            ::close(in);
        });
        // It reads until the process ends; nothing may wait for it at exit.
        m_reader.detach();
    }

    QByteArray seen()
    {
        std::fflush(nullptr);
        QTest::qWait(50);  // let the reader drain the pipe
        const std::lock_guard lock(m_mutex);
        return m_seen;
    }

    static OutputTap& instance()
    {
        static OutputTap tap;
        return tap;
    }

private:
    int m_original = -1;
    std::thread m_reader;
    std::mutex m_mutex;
    QByteArray m_seen;
};

const QString password = QStringLiteral("first-pass-1");

}  // namespace

class JourneyTest : public ConsoleTest
{
    Q_OBJECT

    QTemporaryDir storage;
    ServiceProcess service{{QStringLiteral("--db"), storage.filePath(QStringLiteral("service.db"))}};
    QString deviceId;
    QString token;
    QStringList logLines;

    // The service's view, read with a session of the test's own.
    json serviceGet(const QString& bearer, const QString& path)
    {
        const auto answer = service.authorizedGet(bearer, path);
        return answer.status == 200 ? answer.json() : json();
    }
    QString devicePath(const char* tail = "") const
    {
        return QStringLiteral("/api/v1/devices/") + deviceId + QString::fromLatin1(tail);
    }

private slots:
    void initTestCase()
    {
        Log::setSink([this](const QString& line) { logLines.append(line); });
        QVERIFY2(service.start(), qPrintable(service.errorString()));
        UiSession::clearStore();
        UiSession::storeEntry(QStringLiteral("server_url"), service.baseUrl());
    }

    void cleanupTestCase()
    {
        session.quit();
        Log::setSink({});
    }

    void signUp()
    {
        window = session.launch();
        QVERIFY(window);
        Ui::click(window, item("segment_Sign Up"));
        Ui::type(window, item("nameField"), QStringLiteral("Robin Parker"));
        Ui::type(window, item("emailField"), QStringLiteral("robin@example.com"));
        Ui::type(window, item("passwordField"), password);
        Ui::click(window, item("submitButton"));
        QTRY_VERIFY(shown("emptyState"));
        token = UiSession::storedEntry(QStringLiteral("auth_token")).value_or(QString());
        QVERIFY(!token.isEmpty());
    }

    void enrolADevice()
    {
        QVERIFY(press("emptyAddDeviceButton"));
        QTRY_VERIFY(item("deviceNameField")->hasActiveFocus());
        Ui::type(window, item("deviceNameField"), QStringLiteral("Family iMac"));
        Ui::type(window, item("childNameField"), QStringLiteral("Alex"));
        QVERIFY(press("createButton"));
        QTRY_VERIFY(shown("createdLabel"));
        QVERIFY(shown("tokenBox"));
        QVERIFY(press("closeSheetButton"));
        QTRY_VERIFY(!shown("deviceNameField"));

        QTRY_VERIFY(!shown("emptyState"));
    }

    void openTheDevice()
    {
        // Rows are named after their device; the account has exactly one.
        QQuickItem* list = item("deviceList");
        QVERIFY(list);
        QTRY_COMPARE(list->property("count").toInt(), 1);
        QQuickItem* row = nullptr;
        QTRY_VERIFY([&] {
            for (QQuickItem* candidate : list->property("contentItem").value<QQuickItem*>()->childItems()) {
                if (candidate->objectName().startsWith(QStringLiteral("deviceRow_")) && Ui::isShown(candidate))
                    row = candidate;
            }
            return row != nullptr;
        }());
        deviceId = row->objectName().mid(QStringLiteral("deviceRow_").size());
        QVERIFY(press(row));
        QTRY_VERIFY(shown("downtimeSection") && settled());
        QCOMPARE(Ui::text(item("detailTitle")), QStringLiteral("Family iMac"));
    }

    void changeALimitAndClearAnOverride()
    {
        QVERIFY(press("weekdaysStepperIncrement"));
        QTRY_COMPARE(Ui::text(item("weekdaysStepperValue")), QStringLiteral("2h 15m"));
        // Wednesday gets a figure of its own, then goes back to the default.
        QVERIFY(press("dayStepper2Decrement"));
        QTRY_VERIFY(shown("clearDayButton2"));
        QVERIFY(press("clearDayButton2"));
        QTRY_VERIFY(!shown("clearDayButton2"));
        QCOMPARE(Ui::text(item("dayStepper2Value")), QStringLiteral("2h 15m"));
    }

    void addToggleAndDeleteActivities()
    {
        for (const char* name : {"Piano", "Chess"}) {
            QVERIFY(press("addActivityButton"));
            QTRY_VERIFY(shown("activityNameField"));
            Ui::type(window, item("activityNameField"), QString::fromLatin1(name));
            QVERIFY(press("sheetConfirmButton"));
            QTRY_VERIFY(!shown("activityNameField"));
        }
        QTRY_COMPARE(allShown("activityRow").size(), 2);
        const auto names = allShown("activityName");
        QCOMPARE(Ui::text(names[0]), QStringLiteral("Piano"));
        QCOMPARE(Ui::text(names[1]), QStringLiteral("Chess"));

        // Piano is switched off, Chess deleted.
        QVERIFY(press(allShown("activitySwitch")[0]));
        QTRY_VERIFY(!allShown("activitySwitch")[0]->property("checked").toBool());
        QVERIFY(press(allShown("activityDelete")[1]));
        QTRY_COMPARE(allShown("activityRow").size(), 1);
        QCOMPARE(Ui::text(allShown("activityName")[0]), QStringLiteral("Piano"));
    }

    void grantBonus()
    {
        QVERIFY(press("bonusButton10"));
        QTRY_VERIFY(shown("bonusActiveLine"));
        QVERIFY(Ui::text(item("bonusActiveText")).startsWith(QStringLiteral("Bonus active \u2014 ")));
    }

    void copyTheUnlockCode()
    {
        QGuiApplication::clipboard()->setText(QStringLiteral("earlier"));
        QQuickItem* code = item("unlockCodeButton");
        QVERIFY(code);
        QTRY_COMPARE(Ui::text(code).size(), 6);
        QVERIFY(press(code));
        QTRY_COMPARE(QGuiApplication::clipboard()->text(), Ui::text(code));
    }

    void rename()
    {
        QVERIFY(press("editNameButton"));
        QTRY_VERIFY(shown("renameDeviceField"));
        QCOMPARE(Ui::text(item("renameDeviceField")), QStringLiteral("Family iMac"));
        Ui::type(window, item("renameDeviceField"), QStringLiteral("Study iMac"));
        Ui::type(window, item("renameChildField"), QStringLiteral("Sam"));
        QVERIFY(press("sheetConfirmButton"));
        QTRY_VERIFY(!shown("renameDeviceField"));
        QTRY_COMPARE(Ui::text(item("detailTitle")), QStringLiteral("Study iMac"));
    }

    void goBackAndSignOut()
    {
        QVERIFY(press("backButton"));
        QTRY_VERIFY(!item("deviceDetailView") && settled());
        QQuickItem* row = item(QStringLiteral("deviceRow_") + deviceId);
        QTRY_VERIFY(Ui::isShown(row));
        QTRY_COMPARE(Ui::text(Ui::find(window, QStringLiteral("deviceName"))), QStringLiteral("Study iMac"));

        QTRY_VERIFY(session.app()->authVM()->user().has_value());
        QVERIFY(press("accountMenuButton"));
        QTRY_VERIFY(shown("signOutItem"));
        QTest::qWait(300);  // the menu takes clicks once it has opened
        QVERIFY(press("signOutItem"));
        QTRY_VERIFY(shown("submitButton"));
        QTRY_VERIFY(!UiSession::storedEntry(QStringLiteral("auth_token")).has_value());
    }

    // Everything above, as the service now holds it.
    void serviceHoldsExactlyWhatWasDone()
    {
        const QString own = service.login(QStringLiteral("robin@example.com"), password);
        QVERIFY(!own.isEmpty());
        const json me = serviceGet(own, QStringLiteral("/api/v1/auth/me"));
        QCOMPARE(me.value("name", std::string()), std::string("Robin Parker"));

        const json devices = serviceGet(own, QStringLiteral("/api/v1/devices"));
        QVERIFY(devices.is_array());
        QCOMPARE(devices.size(), size_t(1));
        const json& device = devices[0];
        QCOMPARE(device.value("name", std::string()), std::string("Study iMac"));
        QCOMPARE(device.value("child_name", std::string()), std::string("Sam"));
        // Ten minutes granted a few seconds ago.
        const auto until = QDateTime::fromString(QString::fromStdString(device.value("bonus_until", std::string())),
                                                 Qt::ISODateWithMs);
        QVERIFY(until.isValid());
        const qint64 left = QDateTime::currentDateTimeUtc().secsTo(until);
        QVERIFY2(left > 8 * 60 && left <= 10 * 60, qPrintable(QString::number(left)));

        json policy = serviceGet(own, devicePath("/policy"));
        QCOMPARE(policy.value("screen_time_limit_minutes", 0), 135);
        QCOMPARE(policy.value("screen_time_enabled", false), true);
        QCOMPARE(policy.value("downtime_enabled", false), true);
        for (const char* day : {"mon", "tue", "wed", "thu", "fri", "sat", "sun"}) {
            const std::string key = std::string("screen_time_") + day + "_minutes";
            QVERIFY2(policy[key].is_null(), key.c_str());
        }
        QVERIFY(policy["screen_time_weekend_limit_minutes"].is_null());

        const json activities = serviceGet(own, devicePath("/activities"));
        QVERIFY(activities.is_array());
        QCOMPARE(activities.size(), size_t(1));
        const json& piano = activities[0];
        QCOMPARE(piano.value("name", std::string()), std::string("Piano"));
        QCOMPARE(piano.value("enabled", true), false);
        QCOMPARE(piano.value("day_of_week", -1), 0);
        QCOMPARE(piano.value("start_time", std::string()), std::string("16:00"));
        QCOMPARE(piano.value("end_time", std::string()), std::string("17:00"));
        QCOMPARE(piano.value("buffer_before_minutes", -1), 5);
        QCOMPARE(piano.value("buffer_after_minutes", -1), 5);

        // The code the parent read out is the one the agent computes now.
        const auto code = TOTPGenerator::currentCode(QString::fromStdString(device.value("shared_secret", "")));
        QVERIFY(code);
        QCOMPARE(QGuiApplication::clipboard()->text().size(), 6);
        if (TOTPGenerator::secondsRemaining() < 280)  // not just past a step boundary
            QCOMPARE(QGuiApplication::clipboard()->text(), *code);
    }

    void secretsAppearNowhere()
    {
        QVERIFY(!token.isEmpty());
        const QList<QByteArray> secrets{token.toUtf8(), password.toUtf8()};
        const auto leaks = [&](const QByteArray& text) {
            return std::any_of(secrets.begin(), secrets.end(), [&](const QByteArray& s) { return text.contains(s); });
        };
        for (const QString& line : logLines)
            QVERIFY2(!leaks(line.toUtf8()), qPrintable(line));
        QVERIFY2(!leaks(OutputTap::instance().seen()), "a secret was printed");

        // The throwaway HOME and XDG folders of the session: the keyring's own
        // file is encrypted, so it may not show a secret either.
        const QString home = qEnvironmentVariable("LUMARO_TEST_HOME");
        QVERIFY2(!home.isEmpty(), "runs inside the test session's throwaway HOME");
        int files = 0;
        for (QDirIterator it(home, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories); it.hasNext();) {
            QFile file(it.next());
            if (file.open(QIODevice::ReadOnly)) {
                ++files;
                QVERIFY2(!leaks(file.readAll()), qPrintable(file.fileName()));
            }
        }
        QVERIFY(files > 0);

        // The service keeps a hash of each, never the text.
        service.stop();
        for (QDirIterator it(storage.path(), QDir::Files); it.hasNext();) {
            QFile file(it.next());
            QVERIFY(file.open(QIODevice::ReadOnly));
            QVERIFY2(!leaks(file.readAll()), qPrintable(file.fileName()));
        }
    }
};

int main(int argc, char* argv[])
{
    LumaroApp::prepare();
    OutputTap::instance();
    QGuiApplication app(argc, argv);
    JourneyTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_journey.moc"
