// In-process benchmarks on the real QML, offscreen, against lumaro-service:
//   bench_ui open    2. opening a device with every answer held back 200 ms
//   bench_ui storm   3. 100 stepper changes in one second, policy sends held 100 ms
//   bench_ui scale   5. 1,000 devices and 500 activities against 10 and 5
// Every scenario runs 6. the 5 ms probe on the interface thread throughout.
#include "BenchCommon.h"
#include "DeviceDetailViewModel.h"
#include "DevicesViewModel.h"
#include "KeychainHelper.h"
#include "LumaroApp.h"
#include "ServiceProcess.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPropertyAnimation>
#include <QQuickItem>
#include <QQuickWindow>
#include <QScreen>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <map>
#include <qcoro/qcoronetworkreply.h>
#include <qcoro/qcorotask.h>
#include <unistd.h>

using json = nlohmann::json;
using Bench::nowNs;

namespace {

int runs()
{
    const int n = qEnvironmentVariableIntValue("LUMARO_BENCH_RUNS");
    return n > 0 ? n : 7;
}

QString idOf(const json& device)
{
    return QString::fromStdString(device.value("id", std::string()));
}

void storeSignIn(const QString& url, const QString& token)
{
    QCoro::waitFor(KeychainHelper::save(QStringLiteral("server_url"), url));
    QCoro::waitFor(KeychainHelper::save(QStringLiteral("auth_token"), token));
}

// The console as main() starts it. Building the QML engine is set-up, not
// interface time, so the probe is paused for it.
struct Console
{
    LumaroApp* app = nullptr;
    QQuickWindow* window = nullptr;

    bool launch(Bench::Probe& probe)
    {
        app = new LumaroApp;
        probe.pause();
        QCoro::waitFor(app->start());
        probe.resume();
        window = app->window();
        return window && QTest::qWaitForWindowExposed(window);
    }

    // The window goes; the engine stays alive for the rest of the process
    // (tearing down Qt 6.4's QML engine after a sign-in can abort).
    void close()
    {
        if (window) {
            window->close();
            delete window;
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        window = nullptr;
        app = nullptr;
    }

    QQuickItem* item(const QString& name) const { return Bench::find(window, name); }
    QQuickItem* listPage() const { return item(QStringLiteral("devicesListView")); }
    DevicesViewModel* listVM() const
    {
        QQuickItem* page = listPage();
        return page ? page->property("vm").value<DevicesViewModel*>() : nullptr;
    }
    QQuickItem* detailPage() const
    {
        QQuickItem* page = item(QStringLiteral("deviceDetailView"));
        return Bench::isShown(page) ? page : nullptr;
    }
    DeviceDetailViewModel* detailVM() const
    {
        QQuickItem* page = detailPage();
        return page ? page->property("vm").value<DeviceDetailViewModel*>() : nullptr;
    }
    void describe() const
    {
        DevicesViewModel* vm = listVM();
        QQuickItem* view = item(QStringLiteral("deviceList"));
        std::fprintf(stderr, "  list: vm %d, loading %d, devices %d, error %s, view count %d, rows shown %d\n",
                     vm != nullptr, vm && vm->isLoading(), vm ? int(vm->devices().size()) : -1,
                     vm && vm->error() ? qPrintable(*vm->error()) : "-", view ? view->property("count").toInt() : -1,
                     window ? Bench::countShown(window, QStringLiteral("deviceRow_")) : -1);
        if (vm && !vm->devices().empty())
            std::fprintf(stderr, "  first %s, last %s; APIClient now lists %d\n", qPrintable(vm->devices().front().name),
                         qPrintable(vm->devices().back().name), int(QCoro::waitFor(APIClient::shared().listDevices()).size()));
    }
    bool settled() const
    {
        QQuickItem* stack = item(QStringLiteral("navigationStack"));
        return stack && !stack->property("busy").toBool();
    }
    bool listShows(int expected) const
    {
        DevicesViewModel* vm = listVM();
        QQuickItem* view = item(QStringLiteral("deviceList"));
        if (!vm || !view || vm->isLoading() || int(vm->devices().size()) != expected
            || view->property("count").toInt() != expected)
            return false;
        return Bench::countShown(window, QStringLiteral("deviceRow_")) >= std::min(expected, 5);
    }
    // The detail screen's content on show for a loaded model.
    bool detailShows(int activities = -1) const
    {
        DeviceDetailViewModel* vm = detailVM();
        if (!vm || vm->isLoading() || !vm->device() || !vm->policy())
            return false;
        if (activities >= 0 && int(vm->activities().size()) != activities)
            return false;
        return Bench::isShown(item(QStringLiteral("downtimeSection")));
    }
    // Pushes the detail screen of the device as the list's row does.
    void openDevice(const QString& id)
    {
        const auto& devices = listVM()->devices();
        const auto it = std::find_if(devices.begin(), devices.end(), [&](const Device& d) { return d.id == id; });
        QMetaObject::invokeMethod(listPage(), "openDevice", Q_ARG(QVariant, int(it - devices.begin())));
    }
    // Back to the list and its reload finished.
    bool back(int expected)
    {
        if (QQuickItem* button = item(QStringLiteral("backButton"))) {
            const QPointF centre = button->mapToScene(QPointF(button->width() / 2, button->height() / 2));
            QTest::mouseClick(window, Qt::LeftButton, Qt::NoModifier, centre.toPoint());
        }
        return Bench::waitUntil([&] { return !detailPage() && settled() && listShows(expected); }, 30000);
    }
};

// A bare QNetworkAccessManager request: the baseline of one answer's cost.
QCoro::Task<double> bareRequest(QNetworkAccessManager& network, QString url, QString token, QByteArray method,
                                QByteArray body)
{
    QNetworkRequest request{QUrl(url)};
    request.setRawHeader("Content-Type", "application/json");
    request.setRawHeader("Authorization", "Bearer " + token.toUtf8());
    const qint64 t0 = nowNs();
    std::unique_ptr<QNetworkReply> reply(body.isEmpty() ? network.sendCustomRequest(request, method)
                                                        : network.sendCustomRequest(request, method, body));
    co_await reply.get();
    reply->readAll();
    co_return Bench::msBetween(t0, nowNs());
}

// ---- 2. Opening a device -------------------------------------------------------

int benchOpen()
{
    Bench::Probe probe;
    probe.start();
    constexpr int delayMs = 200;
    ServiceProcess service({QStringLiteral("--quiet"), QStringLiteral("--delay-ms"), QString::number(delayMs)});
    if (!service.start())
        return std::fprintf(stderr, "%s\n", qPrintable(service.errorString())), 1;
    probe.pause();
    const QString token = service.registerAccount(QStringLiteral("open@example.com"), QStringLiteral("pw"),
                                                  QStringLiteral("Pat"));
    const QString id = idOf(service.createDevice(token, QStringLiteral("Study Mac"), QStringLiteral("Alex")));
    storeSignIn(service.baseUrl(), token);
    probe.resume();

    // Baseline: one request answered after the same hold, through a bare client.
    QNetworkAccessManager network;
    std::vector<double> bare;
    const QString policyUrl = service.baseUrl() + QStringLiteral("/api/v1/devices/") + id + QStringLiteral("/policy");
    for (int i = 0; i <= runs(); ++i) {
        const double ms = QCoro::waitFor(bareRequest(network, policyUrl, token, "GET", {}));
        if (i > 0)
            bare.push_back(ms);
    }

    Console console;
    if (!console.launch(probe) || !Bench::waitUntil([&] { return console.listShows(1) && console.settled(); }))
        return std::fprintf(stderr, "the device list did not show\n"), 1;

    std::vector<double> open, gaps;
    for (int i = 0; i <= runs(); ++i) {
        probe.takePhaseMaxMs();
        const qint64 t0 = nowNs();
        console.openDevice(id);
        const auto frame = Bench::waitForReadyFrame(console.window, [&] { return console.detailShows(); });
        if (!frame)
            return std::fprintf(stderr, "the detail content did not show\n"), 1;
        const double ms = Bench::msBetween(t0, *frame);
        Bench::waitUntil([&] { return console.settled(); });
        if (!console.back(1))
            return std::fprintf(stderr, "the list did not come back\n"), 1;
        const double gap = probe.takePhaseMaxMs();
        if (i == 0)
            continue;  // warm-up: the detail screen's QML is compiled on first use
        open.push_back(ms);
        gaps.push_back(gap);
        Bench::sleepMs(100);
    }

    Bench::Report report("open_device", "2. Opening a device (every answer held back 200 ms)");
    report.metric("bare request, 200 ms hold (baseline)", "ms", bare);
    report.metric("push to detail content on screen", "ms", open);
    report.metric("probe: longest gap per run", "ms", gaps);
    const double median = Bench::Stats::of(open).median;
    report.check("open / service hold", median, delayMs, median / delayMs, 1.25, "<= 1.25x (250 ms)");
    report.check("open / bare request", median, Bench::Stats::of(bare).median,
                 median / Bench::Stats::of(bare).median, 1.25, "(info) <= 1.25x");
    report.checkAtMost("probe longest gap", *std::max_element(gaps.begin(), gaps.end()), 50, "ms");
    report.set("probe_max_gap_ms", *std::max_element(gaps.begin(), gaps.end()));
    report.finish();
    return 0;
}

// ---- 3. Edit storm ---------------------------------------------------------------

// The service's request log (method, path, status per line) goes to a file:
// standard error is pointed there while the service starts, and it inherits it.
struct ServiceLog
{
    QString path;
    explicit ServiceLog(QString p) : path(std::move(p)) {}
    int count(const QByteArray& methodAndPath) const
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return 0;
        int n = 0;
        for (const QByteArray& line : file.readAll().split('\n'))
            if (line.startsWith(methodAndPath + ' '))
                ++n;
        return n;
    }
};

bool startLogged(ServiceProcess& service, const QString& logPath)
{
    std::fflush(stderr);
    const int saved = dup(STDERR_FILENO);
    const int file = ::open(logPath.toLocal8Bit().constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(file, STDERR_FILENO);
    ::close(file);
    const bool started = service.start();
    std::fflush(stderr);
    dup2(saved, STDERR_FILENO);
    ::close(saved);
    return started;
}

int benchStorm()
{
    Bench::Probe probe;
    probe.start();
    constexpr int policyDelayMs = 100;
    constexpr int changes = 100;
    constexpr int stormMs = 1000;
    ServiceProcess service({QStringLiteral("--policy-delay-ms"), QString::number(policyDelayMs)});
    const QString logPath = Bench::resultsDir() + QStringLiteral("/edit_storm-service.log");
    QDir().mkpath(Bench::resultsDir());
    if (!startLogged(service, logPath))
        return std::fprintf(stderr, "%s\n", qPrintable(service.errorString())), 1;
    ServiceLog log(logPath);
    probe.pause();
    const QString token = service.registerAccount(QStringLiteral("storm@example.com"), QStringLiteral("pw"),
                                                  QStringLiteral("Pat"));
    const QString id = idOf(service.createDevice(token, QStringLiteral("Study Mac"), QStringLiteral("Alex")));
    storeSignIn(service.baseUrl(), token);
    probe.resume();
    const QString policyPath = QStringLiteral("/api/v1/devices/") + id + QStringLiteral("/policy");
    const QByteArray putLine = "PUT " + policyPath.toUtf8();

    // Baseline: one policy send through a bare client.
    QNetworkAccessManager network;
    std::vector<double> bareSend;
    for (int i = 0; i <= 5; ++i) {
        const double ms = QCoro::waitFor(bareRequest(network, service.baseUrl() + policyPath, token, "PUT",
                                                     R"({"screen_time_limit_minutes":120})"));
        if (i > 0)
            bareSend.push_back(ms);
    }

    Console console;
    if (!console.launch(probe) || !Bench::waitUntil([&] { return console.listShows(1) && console.settled(); }))
        return std::fprintf(stderr, "the device list did not show\n"), 1;
    console.openDevice(id);
    if (!Bench::waitUntil([&] { return console.detailShows() && console.settled(); }))
        return std::fprintf(stderr, "the detail content did not show\n"), 1;
    DeviceDetailViewModel* vm = console.detailVM();

    // The fields the steppers of the screen-time section edit, each as its
    // stepper's onStepped calls the model, with the key the service uses.
    struct Field
    {
        const char* key;
        std::function<void(qint64)> set;
    };
    std::vector<Field> fields{{"screen_time_limit_minutes", [vm](qint64 m) { vm->startSetScreenTimeLimit(m); }},
                              {"screen_time_weekend_limit_minutes", [vm](qint64 m) { vm->startSetWeekendLimit(m); }}};
    static const char* dayKeys[] = {"screen_time_mon_minutes", "screen_time_tue_minutes", "screen_time_wed_minutes",
                                    "screen_time_thu_minutes", "screen_time_fri_minutes", "screen_time_sat_minutes",
                                    "screen_time_sun_minutes"};
    for (qint64 day = 0; day < 7; ++day)
        fields.push_back({dayKeys[day], [vm, day](qint64 m) { vm->startSetDayLimit(day, m); }});

    std::vector<double> sends, settle, gaps;
    int wrong = 0;
    for (int run = 0; run < std::max(5, runs() - 2); ++run) {
        const int before = log.count(putLine);
        std::map<std::string, qint64> last;
        probe.takePhaseMaxMs();
        const qint64 t0 = nowNs();
        for (int k = 0; k < changes; ++k) {
            // Change k at k × 10 ms: the storm ends within its second.
            const qint64 due = t0 + qint64(k) * stormMs / changes * 1000000;
            while (nowNs() < due)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
            const Field& field = fields[size_t(k) % fields.size()];
            const qint64 minutes = 15 * (1 + (k * 7 + run * 13) % 40);
            field.set(minutes);
            last[field.key] = minutes;
        }
        const qint64 stormEnd = nowNs();
        if (!Bench::waitUntil([&] { return !vm->isSaving(); }, 20000))
            return std::fprintf(stderr, "the sends did not end\n"), 1;
        settle.push_back(Bench::msBetween(stormEnd, nowNs()));
        gaps.push_back(probe.takePhaseMaxMs());
        // The log line is written once the answer has gone out.
        Bench::sleepMs(50);
        sends.push_back(log.count(putLine) - before);
        const json stored = service.authorizedGet(token, policyPath).json();
        for (const auto& [key, value] : last) {
            if (!stored.contains(key) || stored[key] != value) {
                ++wrong;
                std::fprintf(stderr, "run %d: %s is %s, the last change set %lld\n", run, key.c_str(),
                             stored.value(key, json()).dump().c_str(), (long long)value);
            }
        }
        Bench::sleepMs(200);
    }

    Bench::Report report("edit_storm", "3. Edit storm: 100 changes in 1 s, each policy send held 100 ms");
    report.metric("bare policy send (baseline)", "ms", bareSend);
    report.metric("PUT /policy sends per storm", "count", sends);
    report.metric("storm end to last answer", "ms", settle);
    report.metric("probe: longest gap per run", "ms", gaps);
    const double maxSends = *std::max_element(sends.begin(), sends.end());
    const double limit = double(stormMs) / policyDelayMs + 1;
    report.check("sends (worst run) / (1000 ms / 100 ms + 1)", maxSends, limit, maxSends / limit, 1.0,
                 "<= 11 sends");
    report.checkAtMost("fields not at their last value (all runs)", wrong, 0, "fields");
    report.checkAtMost("probe longest gap", *std::max_element(gaps.begin(), gaps.end()), 50, "ms");
    report.set("probe_max_gap_ms", *std::max_element(gaps.begin(), gaps.end()));
    report.note("changes cycle over the weekday, weekend and seven per-day limits through the model's start... calls the steppers make");
    report.finish();
    return 0;
}

// ---- 5. Scale ----------------------------------------------------------------------

json activityBody(int k)
{
    const int start = 6 * 60 + (k * 17) % (15 * 60);
    const int end = start + 30;
    auto hhmm = [](int minutes) { return QStringLiteral("%1:%2").arg(minutes / 60, 2, 10, QLatin1Char('0')).arg(minutes % 60, 2, 10, QLatin1Char('0')).toStdString(); };
    return {{"name", "Activity " + std::to_string(k + 1)}, {"day_of_week", k % 7}, {"start_time", hhmm(start)},
            {"end_time", hhmm(end)}, {"buffer_before_minutes", 5}, {"buffer_after_minutes", 5}, {"enabled", k % 3 != 0}};
}

int benchScale()
{
    Bench::Probe probe;
    probe.start();
    ServiceProcess service({QStringLiteral("--quiet")});
    if (!service.start())
        return std::fprintf(stderr, "%s\n", qPrintable(service.errorString())), 1;

    struct Account
    {
        int devices, activities;
        QString token, deviceId;
    };
    std::vector<Account> accounts{{10, 5, {}, {}}, {1000, 500, {}, {}}};
    probe.pause();
    for (Account& a : accounts) {
        a.token = service.registerAccount(QStringLiteral("scale%1@example.com").arg(a.devices), QStringLiteral("pw"),
                                          QStringLiteral("Pat"));
        for (int i = 0; i < a.devices; ++i) {
            const json d = service.createDevice(a.token, QStringLiteral("Mac %1").arg(i + 1), QStringLiteral("Child %1").arg(i + 1));
            if (i == 0)
                a.deviceId = idOf(d);
        }
        for (int k = 0; k < a.activities; ++k)
            service.authorizedPost(a.token, QStringLiteral("/api/v1/devices/") + a.deviceId + QStringLiteral("/activities"),
                                   activityBody(k));
        const json listed = service.authorizedGet(a.token, QStringLiteral("/api/v1/devices")).json();
        const json acts = service.authorizedGet(a.token, QStringLiteral("/api/v1/devices/") + a.deviceId + QStringLiteral("/activities")).json();
        if (int(listed.size()) != a.devices || int(acts.size()) != a.activities)
            return std::fprintf(stderr, "fixture: %d devices, %d activities instead of %d and %d\n", int(listed.size()),
                                int(acts.size()), a.devices, a.activities), 1;
    }
    probe.resume();

    std::map<int, std::vector<double>> listMs, detailMs;
    std::vector<double> gaps;
    // Start-up to the list, alternating the two accounts.
    for (int i = 0; i <= runs() - 2; ++i) {
        for (Account& a : accounts) {
            storeSignIn(service.baseUrl(), a.token);
            if (qEnvironmentVariableIsSet("LUMARO_BENCH_DEBUG"))
                std::fprintf(stderr, "stored %s for %d; reads back %s\n", qPrintable(a.token.left(8)), a.devices,
                             qPrintable(QCoro::waitFor(KeychainHelper::get(QStringLiteral("auth_token"))).value_or("-").left(8)));
            probe.takePhaseMaxMs();
            const qint64 t0 = nowNs();
            Console console;
            if (!console.launch(probe))
                return std::fprintf(stderr, "no window\n"), 1;
            const auto frame = Bench::waitForReadyFrame(console.window, [&] { return console.listShows(a.devices); });
            if (!frame) {
                console.describe();
                std::fprintf(stderr, "  service lists %d for this token; stored url %s, service %s\n",
                             int(service.authorizedGet(a.token, QStringLiteral("/api/v1/devices")).json().size()),
                             qPrintable(QCoro::waitFor(KeychainHelper::get(QStringLiteral("server_url"))).value_or("-")),
                             qPrintable(service.baseUrl()));
                return std::fprintf(stderr, "the list of %d did not show\n", a.devices), 1;
            }
            Bench::sleepMs(50);
            const double gap = probe.takePhaseMaxMs();
            console.close();
            if (i == 0)
                continue;
            listMs[a.devices].push_back(Bench::msBetween(t0, *frame));
            gaps.push_back(gap);
        }
    }

    // The detail screen of the device with the activities, and scrolling the long list.
    std::vector<double> scrollFrames, scrollExpected, scrollWorst, scrollMeanInterval;
    double vsyncMs = 1000.0 / 60;
    for (Account& a : accounts) {
        storeSignIn(service.baseUrl(), a.token);
        Console console;
        if (!console.launch(probe) || !Bench::waitUntil([&] { return console.listShows(a.devices) && console.settled(); }))
            return std::fprintf(stderr, "the list of %d did not show\n", a.devices), 1;
        if (QScreen* screen = console.window->screen(); screen && screen->refreshRate() > 1)
            vsyncMs = 1000.0 / screen->refreshRate();
        for (int i = 0; i <= runs() - 2; ++i) {
            probe.takePhaseMaxMs();
            const qint64 t0 = nowNs();
            console.openDevice(a.deviceId);
            const auto frame = Bench::waitForReadyFrame(console.window, [&] { return console.detailShows(a.activities); });
            if (!frame)
                return std::fprintf(stderr, "the detail with %d activities did not show\n", a.activities), 1;
            Bench::waitUntil([&] { return console.settled(); });
            if (!console.back(a.devices))
                return std::fprintf(stderr, "the list did not come back\n"), 1;
            const double gap = probe.takePhaseMaxMs();
            if (i == 0)
                continue;
            detailMs[a.activities].push_back(Bench::msBetween(t0, *frame));
            gaps.push_back(gap);
        }

        if (a.devices < 1000)
            continue;
        // Scroll the whole long list at an even speed, top to bottom and back.
        QQuickItem* view = console.item(QStringLiteral("deviceList"));
        const qreal top = view->property("originY").toReal() - view->property("topMargin").toReal();
        const qreal bottom = view->property("originY").toReal() + view->property("contentHeight").toReal()
                             + view->property("bottomMargin").toReal() - view->height();
        constexpr int durationMs = 4000;
        for (int i = 0; i < std::max(4, runs() - 3); ++i) {
            std::vector<qint64> swaps;
            const auto s = QObject::connect(console.window, &QQuickWindow::frameSwapped, console.window,
                                            [&] { swaps.push_back(nowNs()); }, Qt::DirectConnection);
            QPropertyAnimation animation(view, "contentY");
            animation.setStartValue(i % 2 ? bottom : top);
            animation.setEndValue(i % 2 ? top : bottom);
            animation.setDuration(durationMs);
            probe.takePhaseMaxMs();
            animation.start();
            Bench::waitUntil([&] { return animation.state() == QAbstractAnimation::Stopped; }, durationMs + 10000);
            Bench::sleepMs(50);
            QObject::disconnect(s);
            gaps.push_back(probe.takePhaseMaxMs());
            double worst = 0;
            for (size_t k = 1; k < swaps.size(); ++k)
                worst = std::max(worst, Bench::msBetween(swaps[k - 1], swaps[k]));
            scrollFrames.push_back(double(swaps.size()));
            scrollExpected.push_back(durationMs / vsyncMs);
            scrollWorst.push_back(worst);
            scrollMeanInterval.push_back(swaps.size() > 1 ? Bench::msBetween(swaps.front(), swaps.back()) / (swaps.size() - 1) : 0);
        }
        const QString shown = QString::number(Bench::countShown(console.window, QStringLiteral("deviceRow_")));
        Q_UNUSED(shown);
    }

    auto med = [](const std::vector<double>& v) { return Bench::Stats::of(v).median; };
    Bench::Report report("scale", "5. Scale: 1,000 devices and 500 activities against 10 and 5");
    report.metric("list of 10: start to first frame", "ms", listMs[10]);
    report.metric("list of 1,000: start to first frame", "ms", listMs[1000]);
    report.metric("detail, 5 activities: push to first frame", "ms", detailMs[5]);
    report.metric("detail, 500 activities: push to first frame", "ms", detailMs[500]);
    report.metric("scroll 1,000 rows in 4 s: frames", "count", scrollFrames);
    report.metric("scroll: frames expected at vsync", "count", scrollExpected);
    report.metric("scroll: mean frame interval", "ms", scrollMeanInterval);
    report.metric("scroll: longest frame interval", "ms", scrollWorst);
    report.metric("probe: longest gap per run", "ms", gaps);
    report.check("list 1,000 / list 10", med(listMs[1000]), med(listMs[10]), med(listMs[1000]) / med(listMs[10]), 3,
                 "<= 3x");
    report.check("detail 500 / detail 5", med(detailMs[500]), med(detailMs[5]), med(detailMs[500]) / med(detailMs[5]),
                 3, "<= 3x");
    const double worst = *std::max_element(scrollWorst.begin(), scrollWorst.end());
    report.check("scroll: longest frame / vsync", worst, vsyncMs, worst / vsyncMs, 2.0, "<= 2 vsync intervals");
    const double dropped = 1.0 - med(scrollFrames) / med(scrollExpected);
    report.checkAtMost("scroll: share of frames missing", std::max(0.0, dropped) * 100, 10, "%");
    report.checkAtMost("probe longest gap", *std::max_element(gaps.begin(), gaps.end()), 50, "ms");
    report.set("probe_max_gap_ms", *std::max_element(gaps.begin(), gaps.end()));
    report.note("start-up runs build a fresh QML engine in this process; the probe is paused while it is built");
    report.finish();
    return 0;
}

}  // namespace

int main(int argc, char* argv[])
{
    LumaroApp::prepare();
    QGuiApplication application(argc, argv);
    qputenv("LUMARO_SERVICE_BIN", Bench::serviceBinary().toLocal8Bit());
    const QByteArray which = argc > 1 ? QByteArray(argv[1]) : QByteArray();
    int code = 2;
    if (which == "open")
        code = benchOpen();
    else if (which == "storm")
        code = benchStorm();
    else if (which == "scale")
        code = benchScale();
    else
        std::fprintf(stderr, "usage: bench_ui open|storm|scale\n");
    // Leave without tearing down the QML engines, as the console's main() does.
    std::fflush(nullptr);
    std::_Exit(code);
}
