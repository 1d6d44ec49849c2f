// 6. A live interface, and the summary: reads the JSON every benchmark wrote,
// prints the longest probe gap of each in-process benchmark against 50 ms,
// then every target in one table; writes live_interface.json and summary.md.
#include "BenchCommon.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <cstdio>
#include <fstream>

using json = nlohmann::json;

namespace {

std::optional<json> readResult(const QString& name)
{
    QFile file(Bench::resultsDir() + QLatin1Char('/') + name + QStringLiteral(".json"));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    json parsed = json::parse(bytes.constData(), bytes.constData() + bytes.size(), nullptr, false);
    if (parsed.is_discarded())
        return std::nullopt;
    return parsed;
}

std::string fixed(double v, int d = 1)
{
    char b[64];
    std::snprintf(b, sizeof b, "%.*f", d, v);
    return b;
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList names{QStringLiteral("startup"), QStringLiteral("open_device"), QStringLiteral("edit_storm"),
                            QStringLiteral("request_overhead"), QStringLiteral("scale")};

    Bench::Report live("live_interface", "6. A live interface: a 5 ms probe timer on the interface thread");
    for (const QString& name : names) {
        const auto result = readResult(name);
        if (!result || !result->contains("metrics"))
            continue;
        for (const json& m : (*result)["metrics"]) {
            if (m["name"].get<std::string>().rfind("probe:", 0) == 0)
                live.metric(name.toStdString() + ": longest gap per run", "ms", m["runs"].get<std::vector<double>>());
        }
        if (result->contains("probe_max_gap_ms"))
            live.checkAtMost(name.toStdString() + ": longest gap", (*result)["probe_max_gap_ms"].get<double>(), 50, "ms");
    }
    live.finish();

    // Every target in one table, and the same as Markdown for the README.
    std::string md = "| benchmark | target | value | baseline | ratio | limit | result |\n|---|---|---:|---:|---:|---:|---|\n";
    std::printf("\n== Summary ==\n");
    int missed = 0;
    for (const QString& name : names + QStringList{QStringLiteral("live_interface")}) {
        const auto result = readResult(name);
        if (!result) {
            std::printf("  %-18s no results\n", qPrintable(name));
            continue;
        }
        for (json c : (*result)["checks"]) {
            const bool pass = c["pass"].get<bool>();
            if (!c["ratio"].is_number())
                c["ratio"] = 0.0;
            missed += pass ? 0 : 1;
            const std::string baseline = c["baseline"].is_null() ? "-" : fixed(c["baseline"].get<double>(), 1);
            std::printf("  %-18s %-52s %10s %10s %7s  %s\n", qPrintable(name), c["name"].get<std::string>().c_str(),
                        fixed(c["value"].get<double>(), 1).c_str(), baseline.c_str(),
                        fixed(c["ratio"].get<double>(), 2).c_str(), pass ? "PASS" : "MISS");
            md += "| " + name.toStdString() + " | " + c["name"].get<std::string>() + " | " + fixed(c["value"].get<double>(), 1)
                  + " | " + baseline + " | " + fixed(c["ratio"].get<double>(), 2) + " | " + c["target"].get<std::string>()
                  + " | " + (pass ? "PASS" : "MISS") + " |\n";
        }
    }
    const json m = Bench::machine();
    md += "\nMachine: " + std::to_string(m["nproc"].get<int>()) + " CPUs (`nproc`), " + m["cpu"].get<std::string>() + ", "
          + std::to_string(m["ram_mib"].get<qint64>() / 1024) + " GiB RAM, Qt " + m["qt"].get<std::string>() + ", load average at the summary "
          + m["loadavg"].get<std::string>() + ".\n";
    std::ofstream(QString(Bench::resultsDir() + QStringLiteral("/summary.md")).toStdString()) << md;
    std::printf("  %d target(s) missed; Markdown table: %s/summary.md\n", missed, qPrintable(Bench::resultsDir()));
    return 0;
}
