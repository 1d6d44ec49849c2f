// What the service keeps on disk: no password or sign-in token in clear, everything back after a restart,
// nothing left of a removed device.
#include "LiveService.h"

#include <sqlite3.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const std::string kPassword = "Unguessable-Pa55phrase";

// Every file of the database: the main file and whatever journal SQLite left beside it.
QByteArray allStoredBytes(const QString& folder)
{
    QByteArray bytes;
    for (const QFileInfo& file : QDir(folder).entryInfoList(QDir::Files)) {
        QFile f(file.filePath());
        if (f.open(QIODevice::ReadOnly))
            bytes += f.readAll();
    }
    return bytes;
}

int rowsOf(const QString& database, const std::string& table, const std::string& deviceId)
{
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(database.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
        return -1;
    sqlite3_stmt* statement = nullptr;
    const std::string sql = "SELECT count(*) FROM " + table + " WHERE device_id = ?";
    int rows = -1;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK) {
        sqlite3_bind_text(statement, 1, deviceId.c_str(), -1, SQLITE_TRANSIENT);
        if (sqlite3_step(statement) == SQLITE_ROW)
            rows = sqlite3_column_int(statement, 0);
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return rows;
}

} // namespace

class StorageTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(folder.isValid());
        database = folder.filePath("service.db");
    }

    void passwordsAndTokensAreNotStoredInClear()
    {
        LiveService service({ "--db", database });
        QVERIFY2(service.start(), qPrintable(service.error()));
        token = service.signUp("disk@example.com", kPassword);
        device = service.createDevice(token);
        QCOMPARE(service.put(devicePath(device, "/policy"), token, { { "screen_time_limit_minutes", 45 } }).status, 200);
        QCOMPARE(service.stop(), 0);

        const QByteArray stored = allStoredBytes(folder.path());
        QVERIFY(stored.contains("disk@example.com"));
        QVERIFY2(!stored.contains(QByteArray::fromStdString(kPassword)), "the password is stored in clear");
        QVERIFY2(!stored.contains(QByteArray::fromStdString(token)), "the sign-in token is stored in clear");
        QCOMPARE(QFile::permissions(database) & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());
    }

    void everythingIsBackAfterARestart()
    {
        LiveService service({ "--db", database });
        QVERIFY2(service.start(), qPrintable(service.error()));
        QCOMPARE(service.get("/api/v1/auth/me", token).status, 200);
        QCOMPARE(service.post("/api/v1/auth/login", {}, { { "email", "disk@example.com" }, { "password", kPassword } })
                     .status,
                 200);
        QCOMPARE(service.get("/api/v1/devices", token).value, json::array({ device }));
        QCOMPARE(service.get(devicePath(device, "/policy"), token).value["screen_time_limit_minutes"], json(45));
        QCOMPARE(service.post("/api/v1/agent/heartbeat", device["api_token"], { { "agent_version", "2.0" } }).status, 200);
    }

    void aRemovedDeviceLeavesNoRowsBehind()
    {
        LiveService service({ "--db", database });
        QVERIFY2(service.start(), qPrintable(service.error()));
        const json doomed = service.createDevice(token, "Doomed", "Kid");
        const std::string id = doomed["id"].get<std::string>();
        QCOMPARE(service.post(devicePath(doomed, "/activities"), token, kPianoActivity).status, 200);
        QCOMPARE(service.post("/api/v1/agent/heartbeat", doomed["api_token"],
                              { { "agent_version", "1.0" }, { "minutes_used", 10 } })
                     .status,
                 200);
        QCOMPARE(rowsOf(database, "usage", id), 1);
        QCOMPARE(service.del(devicePath(doomed), token).status, 200);
        QCOMPARE(service.stop(), 0);
        for (const char* table : { "policies", "activities", "usage" })
            QVERIFY2(rowsOf(database, table, id) == 0, table);
    }

    void theDefaultDatabaseIsInTheUsersDataFolder()
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_DATA_HOME", folder.filePath("data"));
        LiveService service(QStringList {});
        service.setEnvironment(environment);
        QVERIFY2(service.start(), qPrintable(service.error()));
        QVERIFY(!service.signUp("default@example.com").empty());
        QCOMPARE(service.stop(), 0);
        QVERIFY(QFile::exists(folder.filePath("data/lumaro-service/service.db")));
    }

private:
    QTemporaryDir folder;
    QString database;
    std::string token;
    json device;
};

QTEST_GUILESS_MAIN(StorageTest)
#include "tst_service_storage.moc"
