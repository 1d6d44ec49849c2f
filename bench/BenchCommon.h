#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

class QQuickItem;
class QQuickWindow;

// Measuring helpers for the benchmarks. They wait in nested event loops,
// which is fine here and must never be copied into the console.
namespace Bench {

// CLOCK_MONOTONIC in nanoseconds: the same clock in every process.
qint64 nowNs();
double msBetween(qint64 startNs, qint64 endNs);

struct Stats
{
    double median = 0, min = 0, max = 0;
    static Stats of(std::vector<double> samples);
};

// One benchmark's figures: a table on standard output and the same figures
// as JSON in the results folder.
class Report
{
public:
    explicit Report(std::string name, std::string title);

    // A measured quantity with its runs.
    void metric(const std::string& name, const std::string& unit, const std::vector<double>& runs);
    // A target: value against limit (already scaled from its baseline when
    // there is one). `ratio` is what is printed; lower is better.
    void check(const std::string& name, double value, double baseline, double ratio, double limitRatio,
               const std::string& target);
    // A target on an absolute value (no baseline): value <= limit.
    void checkAtMost(const std::string& name, double value, double limit, const std::string& unit);
    void note(const std::string& text);
    void set(const std::string& key, nlohmann::json value) { m_json[key] = std::move(value); }

    // Prints the tables and writes <results>/<name>.json. True when every check passed.
    bool finish();

private:
    std::string m_name, m_title;
    nlohmann::ordered_json m_json;
    std::vector<std::vector<std::string>> m_metricRows, m_checkRows;
    std::vector<std::string> m_notes;
    bool m_allPassed = true;
};

// The folder the JSON goes to: $LUMARO_BENCH_RESULTS, else bench-results in the build folder.
QString resultsDir();
QString serviceBinary();
QString benchBinary(const QString& name);

// A QTimer firing every 5 ms on the interface thread; the longest time
// between two of its ticks tells how long the interface could not answer.
class Probe : public QObject
{
public:
    Probe();
    void start();
    // Setup phases the benchmark does not measure (building a QML engine).
    void pause();
    void resume();
    double maxGapMs() const { return m_maxGapNs / 1e6; }
    // The longest gap since the last call, then starts a new phase.
    double takePhaseMaxMs();

private:
    void tick();
    QTimer m_timer;
    qint64 m_last = 0;
    qint64 m_maxGapNs = 0;
    qint64 m_phaseMaxNs = 0;
    bool m_running = false;
};

// Waits for the first frame swapped whose content was prepared while
// `ready` held (checked after the frame's animations and polish). Returns
// the swap time (nowNs) or nothing on timeout.
std::optional<qint64> waitForReadyFrame(QQuickWindow* window, const std::function<bool()>& ready,
                                        int timeoutMs = 30000);
// Runs the event loop until `condition` or the time is up.
bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 30000);
void sleepMs(int ms);

// Finding QML items by objectName, popups and views included.
QList<QQuickItem*> findAll(QObject* root, const QString& objectName);
QQuickItem* find(QQuickWindow* window, const QString& objectName);
bool isShown(const QQuickItem* item);
int countShown(QQuickWindow* window, const QString& prefix);

// VmHWM of a process in KiB (0 when unreadable); "self" for this one.
qint64 peakRssKiB(const QString& pid = QStringLiteral("self"));

nlohmann::json machine();

}  // namespace Bench
