#pragma once

#include <httplib.h>
#include <nlohmann/json.hpp>

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTest>

#include <csignal>
#include <optional>
#include <string>

using nlohmann::json;

// Printable QCOMPARE failures for the types these tests compare most.
namespace QTest {
template <>
inline char* toString(const std::string& text)
{
    return qstrdup(text.c_str());
}
template <>
inline char* toString(const json& value)
{
    return qstrdup(value.dump().c_str());
}
} // namespace QTest

struct Reply {
    int status = 0; // 0: no HTTP answer at all
    std::string body;
    json value; // the body parsed; discarded when it is not JSON

    // The "detail" text of an error answer; empty when there is none.
    std::string detail() const;
};

// The real lumaro-service as a child process, on a free port, stopped with
// SIGTERM like a user or a service manager would.
class LiveService {
public:
    // The arguments besides --port 0 and --quiet; an in-memory database unless they name one.
    explicit LiveService(QStringList arguments = { "--db", ":memory:" });
    ~LiveService();
    LiveService(const LiveService&) = delete;
    LiveService& operator=(const LiveService&) = delete;

    void setEnvironment(const QProcessEnvironment& environment) { process_.setProcessEnvironment(environment); }
    // Starts it and reads the address line; false with error() when that fails.
    bool start();
    QString error() const { return error_; }
    // The next line the service prints after the address, trimmed; empty when none comes.
    QString nextLine(int timeoutMs = 5000);
    // Sends the signal and waits: the exit code, or -1 when it crashed or did not stop.
    int stop(int signal = SIGTERM);

    std::string baseUrl() const { return baseUrl_; }

    Reply send(const std::string& method, const std::string& path, const std::string& token = {},
               const std::optional<json>& body = std::nullopt);
    // A body sent byte for byte, for what no JSON encoder would write.
    Reply sendRaw(const std::string& method, const std::string& path, const std::string& token,
                  const std::string& body);
    Reply get(const std::string& path, const std::string& token) { return send("GET", path, token); }
    Reply post(const std::string& path, const std::string& token, const json& body)
    {
        return send("POST", path, token, body);
    }
    Reply put(const std::string& path, const std::string& token, const json& body)
    {
        return send("PUT", path, token, body);
    }
    Reply patch(const std::string& path, const std::string& token, const json& body)
    {
        return send("PATCH", path, token, body);
    }
    Reply del(const std::string& path, const std::string& token) { return send("DELETE", path, token); }

    // Fixtures: a new parent's token, and a new device of that parent (empty or null on failure, with a warning).
    std::string signUp(const std::string& email, const std::string& password = "correct horse");
    json createDevice(const std::string& token, const std::string& name = "Alex's MacBook",
                      const std::string& childName = "Alex");

private:
    QStringList arguments_;
    QProcess process_;
    std::string baseUrl_;
    QString error_;
};

// A complete, valid activity body.
inline const json kPianoActivity = { { "name", "Piano" },       { "day_of_week", 0 },
                                     { "start_time", "16:00" }, { "end_time", "17:00" },
                                     { "buffer_before_minutes", 5 }, { "buffer_after_minutes", 5 },
                                     { "enabled", true } };

// "/api/v1/devices/" + id + suffix
std::string devicePath(const json& device, const std::string& suffix = {});
