#include "BenchCommon.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSet>
#include <QSysInfo>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <sstream>

namespace Bench {

qint64 nowNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

double msBetween(qint64 startNs, qint64 endNs)
{
    return double(endNs - startNs) / 1e6;
}

Stats Stats::of(std::vector<double> samples)
{
    Stats s;
    if (samples.empty())
        return s;
    std::sort(samples.begin(), samples.end());
    const size_t n = samples.size();
    s.median = n % 2 ? samples[n / 2] : (samples[n / 2 - 1] + samples[n / 2]) / 2;
    s.min = samples.front();
    s.max = samples.back();
    return s;
}

namespace {

std::string fixed(double value, int decimals = 1)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    return buffer;
}

void printTable(const std::vector<std::string>& header, const std::vector<std::vector<std::string>>& rows)
{
    std::vector<size_t> widths(header.size());
    for (size_t i = 0; i < header.size(); ++i)
        widths[i] = header[i].size();
    for (const auto& row : rows)
        for (size_t i = 0; i < row.size() && i < widths.size(); ++i)
            widths[i] = std::max(widths[i], row[i].size());
    auto line = [&](const std::vector<std::string>& cells) {
        std::string out = "  ";
        for (size_t i = 0; i < widths.size(); ++i) {
            const std::string cell = i < cells.size() ? cells[i] : "";
            // First column left-aligned, figures right-aligned.
            if (i == 0)
                out += cell + std::string(widths[i] - cell.size(), ' ');
            else
                out += std::string(widths[i] - cell.size(), ' ') + cell;
            out += i + 1 < widths.size() ? "  " : "";
        }
        std::printf("%s\n", out.c_str());
    };
    line(header);
    size_t total = 0;
    for (size_t w : widths)
        total += w + 2;
    std::printf("  %s\n", std::string(total - 2, '-').c_str());
    for (const auto& row : rows)
        line(row);
}

}  // namespace

Report::Report(std::string name, std::string title) : m_name(std::move(name)), m_title(std::move(title))
{
    m_json["name"] = m_name;
    m_json["title"] = m_title;
    m_json["machine"] = machine();
    m_json["metrics"] = nlohmann::json::array();
    m_json["checks"] = nlohmann::json::array();
}

void Report::metric(const std::string& name, const std::string& unit, const std::vector<double>& runs)
{
    const Stats s = Stats::of(runs);
    m_json["metrics"].push_back({{"name", name}, {"unit", unit}, {"median", s.median}, {"min", s.min},
                                 {"max", s.max}, {"runs", runs}});
    const int decimals = unit == "ms" || unit == "%" ? 1 : unit == "MiB" ? 1 : 0;
    m_metricRows.push_back({name, unit, fixed(s.median, decimals), fixed(s.min, decimals), fixed(s.max, decimals),
                            std::to_string(runs.size())});
}

void Report::check(const std::string& name, double value, double baseline, double ratio, double limitRatio,
                   const std::string& target)
{
    const bool pass = ratio <= limitRatio;
    m_allPassed = m_allPassed && pass;
    m_json["checks"].push_back({{"name", name}, {"value", value}, {"baseline", baseline}, {"ratio", ratio},
                                {"limit", limitRatio}, {"target", target}, {"pass", pass}});
    m_checkRows.push_back({name, fixed(value, 2), fixed(baseline, 2), fixed(ratio, 3), target, pass ? "PASS" : "MISS"});
}

void Report::checkAtMost(const std::string& name, double value, double limit, const std::string& unit)
{
    const bool pass = value <= limit;
    m_allPassed = m_allPassed && pass;
    const double ratio = limit > 0 ? value / limit : (value <= 0 ? 0.0 : 1e9);
    const std::string target = "<= " + fixed(limit, limit == double(qint64(limit)) ? 0 : 1) + " " + unit;
    m_json["checks"].push_back({{"name", name}, {"value", value}, {"baseline", nullptr}, {"ratio", ratio},
                                {"limit", limit}, {"target", target}, {"pass", pass}});
    m_checkRows.push_back({name, fixed(value, 2), "-", fixed(ratio, 3), target, pass ? "PASS" : "MISS"});
}

void Report::note(const std::string& text)
{
    m_notes.push_back(text);
    m_json["notes"].push_back(text);
}

bool Report::finish()
{
    std::printf("\n== %s ==\n", m_title.c_str());
    printTable({"measure", "unit", "median", "min", "max", "runs"}, m_metricRows);
    std::printf("\n");
    printTable({"target", "value", "baseline", "ratio", "target", "result"}, m_checkRows);
    for (const auto& n : m_notes)
        std::printf("  note: %s\n", n.c_str());
    m_json["passed"] = m_allPassed;
    const QString dir = resultsDir();
    QDir().mkpath(dir);
    const QString path = dir + QLatin1Char('/') + QString::fromStdString(m_name) + QStringLiteral(".json");
    std::ofstream out(path.toStdString());
    out << m_json.dump(2) << "\n";
    std::printf("  figures: %s\n", qPrintable(path));
    std::fflush(stdout);
    return m_allPassed;
}

QString resultsDir()
{
    const QString fromEnv = qEnvironmentVariable("LUMARO_BENCH_RESULTS");
    if (!fromEnv.isEmpty())
        return fromEnv;
    return QDir::cleanPath(QStringLiteral(LUMARO_BENCH_BIN_DIR "/../bench-results"));
}

QString serviceBinary()
{
    const QString fromEnv = qEnvironmentVariable("LUMARO_SERVICE_BIN");
    return fromEnv.isEmpty() ? QStringLiteral(LUMARO_SERVICE_BIN_DEFAULT) : fromEnv;
}

QString benchBinary(const QString& name)
{
    return QStringLiteral(LUMARO_BENCH_BIN_DIR "/") + name;
}

// ---- Probe ---------------------------------------------------------------

Probe::Probe()
{
    m_timer.setInterval(5);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &Probe::tick);
}

void Probe::start()
{
    m_last = nowNs();
    m_running = true;
    m_timer.start();
}

void Probe::pause()
{
    tick();
    m_running = false;
}

void Probe::resume()
{
    m_last = nowNs();
    m_running = true;
}

double Probe::takePhaseMaxMs()
{
    tick();
    const double result = m_phaseMaxNs / 1e6;
    m_phaseMaxNs = 0;
    return result;
}

void Probe::tick()
{
    const qint64 now = nowNs();
    if (m_running) {
        m_maxGapNs = std::max(m_maxGapNs, now - m_last);
        m_phaseMaxNs = std::max(m_phaseMaxNs, now - m_last);
    }
    m_last = now;
}

// ---- Frames and waiting ----------------------------------------------------

std::optional<qint64> waitForReadyFrame(QQuickWindow* window, const std::function<bool()>& ready, int timeoutMs)
{
    std::optional<qint64> swapped;
    bool frameReady = false;
    QEventLoop loop;
    // afterAnimating comes after the frame's polish and before its sync, on
    // this thread with the software and basic render loops; direct, so the
    // threaded loop cannot reorder it either.
    const auto a = QObject::connect(window, &QQuickWindow::afterAnimating, window,
                                    [&] { frameReady = ready(); }, Qt::DirectConnection);
    const auto s = QObject::connect(window, &QQuickWindow::frameSwapped, window, [&] {
        if (frameReady && !swapped) {
            swapped = nowNs();
            QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
        }
    }, Qt::DirectConnection);
    // Asks for a frame once the state is ready, in case nothing else does.
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, window, [&] {
        if (ready())
            window->update();
    });
    poll.start();
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    deadline.start(timeoutMs);
    window->update();
    loop.exec();
    QObject::disconnect(a);
    QObject::disconnect(s);
    return swapped;
}

bool waitUntil(const std::function<bool()>& condition, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::usleep(500);
    }
    return true;
}

void sleepMs(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

namespace {
// Every item under `root` (QObject children and visual children, popups
// included) once, in one pass: the walk itself must not cost what it measures.
template <class Visit>
void walk(QObject* root, Visit&& visit)
{
    QSet<QObject*> seen;
    QList<QObject*> pending{root};
    while (!pending.isEmpty()) {
        QObject* o = pending.takeLast();
        if (seen.contains(o))
            continue;
        seen.insert(o);
        if (auto* item = qobject_cast<QQuickItem*>(o)) {
            if (visit(item))
                return;
            for (QQuickItem* child : item->childItems())
                pending.append(child);
        }
        for (QObject* child : o->children())
            pending.append(child);
    }
}
}  // namespace

QList<QQuickItem*> findAll(QObject* root, const QString& objectName)
{
    QList<QQuickItem*> found;
    auto visit = [&](QQuickItem* item) {
        if (item->objectName() == objectName && !found.contains(item))
            found.append(item);
        return false;
    };
    walk(root, visit);
    if (auto* window = qobject_cast<QQuickWindow*>(root))
        walk(window->contentItem(), visit);
    return found;
}

QQuickItem* find(QQuickWindow* window, const QString& objectName)
{
    // The one on screen first: a screen being replaced may still hold a twin.
    QQuickItem* first = nullptr;
    QQuickItem* shown = nullptr;
    auto visit = [&](QQuickItem* item) {
        if (item->objectName() != objectName)
            return false;
        if (!first)
            first = item;
        if (isShown(item))
            shown = item;
        return shown != nullptr;
    };
    walk(window, visit);
    if (!shown)
        walk(window->contentItem(), visit);
    return shown ? shown : first;
}

bool isShown(const QQuickItem* item)
{
    if (!item)
        return false;
    for (const QQuickItem* i = item; i; i = i->parentItem())
        if (!i->isVisible() || i->opacity() <= 0.0)
            return false;
    return item->window() != nullptr;
}

int countShown(QQuickWindow* window, const QString& prefix)
{
    int n = 0;
    walk(window->contentItem(), [&](QQuickItem* item) {
        if (item->objectName().startsWith(prefix) && isShown(item))
            ++n;
        return false;
    });
    return n;
}

qint64 peakRssKiB(const QString& pid)
{
    QFile file(QStringLiteral("/proc/%1/status").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    }
    return 0;
}

nlohmann::json machine()
{
    std::string cpu;
    QFile info(QStringLiteral("/proc/cpuinfo"));
    if (info.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : info.readAll().split('\n')) {
            if (line.startsWith("model name")) {
                cpu = line.mid(line.indexOf(':') + 1).trimmed().toStdString();
                break;
            }
        }
    }
    qint64 memKiB = 0;
    QFile mem(QStringLiteral("/proc/meminfo"));
    if (mem.open(QIODevice::ReadOnly))
        memKiB = mem.readLine().mid(9).trimmed().split(' ').first().toLongLong();
    // Other work on the machine shows in every figure; the load says how much.
    QFile load(QStringLiteral("/proc/loadavg"));
    const std::string loadavg = load.open(QIODevice::ReadOnly) ? load.readAll().trimmed().toStdString() : std::string();
    return {{"nproc", QThread::idealThreadCount()}, {"cpu", cpu}, {"ram_mib", memKiB / 1024}, {"loadavg", loadavg},
            {"kernel", QSysInfo::kernelVersion().toStdString()}, {"qt", qVersion()}};
}

}  // namespace Bench
