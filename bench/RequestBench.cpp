// 4. Request overhead: 1,000 sequential authenticated reads of the device list
// from a loopback lumaro-service through APIClient, against the same reads
// through a bare QNetworkAccessManager, and the two credential-store reads
// every request makes by design (1,000 x two KeychainHelper::get), alone;
// and the APIClient reads once more with the store in memory, which shows
// what APIClient itself adds. The bare reads also run once more, each after
// the same two store reads, since the two in turns cost more than apart.
#include "APIClient.h"
#include "BenchCommon.h"
#include "KeychainHelper.h"
#include "MemoryCredentialStore.h"
#include "ServiceProcess.h"

#include <QCoreApplication>
#include <QNetworkReply>
#include <cstdio>
#include <qcoro/qcoronetworkreply.h>
#include <qcoro/qcorotask.h>

using Bench::nowNs;

namespace {

constexpr int reads = 1000;
// Each way reads in blocks of this many, taking turns, so a drift of the
// machine's speed during a round falls on every way alike.
constexpr int block = 100;

QCoro::Task<double> throughClient()
{
    const qint64 t0 = nowNs();
    size_t seen = 0;
    for (int i = 0; i < block; ++i)
        seen += (co_await APIClient::shared().listDevices()).size();
    const double ms = Bench::msBetween(t0, nowNs());
    if (seen != size_t(block) * 2)
        std::fprintf(stderr, "APIClient saw %zu devices\n", seen);
    co_return ms;
}

QCoro::Task<double> throughBareNetwork(QNetworkAccessManager& network, QString url, QString token)
{
    QNetworkRequest request{QUrl(url)};
    request.setRawHeader("Content-Type", "application/json");
    request.setRawHeader("Authorization", "Bearer " + token.toUtf8());
    const qint64 t0 = nowNs();
    qint64 bytes = 0;
    for (int i = 0; i < block; ++i) {
        std::unique_ptr<QNetworkReply> reply(network.get(request));
        co_await reply.get();
        bytes += reply->readAll().size();
    }
    co_return Bench::msBetween(t0, nowNs());
}

QCoro::Task<double> storeReads()
{
    const qint64 t0 = nowNs();
    for (int i = 0; i < block; ++i) {
        const auto url = co_await KeychainHelper::get(QStringLiteral("server_url"));
        const auto token = co_await KeychainHelper::get(QStringLiteral("auth_token"));
        if (!url || !token)
            std::fprintf(stderr, "a store read came back empty\n");
    }
    co_return Bench::msBetween(t0, nowNs());
}

// The bare reads again, each after the same two store reads APIClient makes:
// what the two costs come to when they follow each other.
QCoro::Task<double> storeThenBareNetwork(QNetworkAccessManager& network, QString url)
{
    const qint64 t0 = nowNs();
    for (int i = 0; i < block; ++i) {
        const auto base = co_await KeychainHelper::get(QStringLiteral("server_url"));
        const auto token = co_await KeychainHelper::get(QStringLiteral("auth_token"));
        QNetworkRequest request{QUrl(url)};
        request.setRawHeader("Content-Type", "application/json");
        request.setRawHeader("Authorization", "Bearer " + token.value_or(QString()).toUtf8());
        std::unique_ptr<QNetworkReply> reply(network.get(request));
        co_await reply.get();
        reply->readAll();
    }
    co_return Bench::msBetween(t0, nowNs());
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    qputenv("LUMARO_SERVICE_BIN", Bench::serviceBinary().toLocal8Bit());
    const int runs = qEnvironmentVariableIntValue("LUMARO_BENCH_RUNS") > 0 ? qEnvironmentVariableIntValue("LUMARO_BENCH_RUNS") : 5;
    int code = 0;
    {
        ServiceProcess service({QStringLiteral("--quiet")});
        if (!service.start()) {
            std::fprintf(stderr, "%s\n", qPrintable(service.errorString()));
            return 1;
        }
        const QString token = service.registerAccount(QStringLiteral("reads@example.com"), QStringLiteral("pw"),
                                                      QStringLiteral("Pat"));
        service.createDevice(token, QStringLiteral("Study Mac"), QStringLiteral("Alex"));
        service.createDevice(token, QStringLiteral("Family PC"), QStringLiteral("Sam"));
        QCoro::waitFor(KeychainHelper::save(QStringLiteral("server_url"), service.baseUrl()));
        QCoro::waitFor(KeychainHelper::save(QStringLiteral("auth_token"), token));

        Bench::Probe probe;
        probe.start();
        QNetworkAccessManager network;
        const QString url = service.baseUrl() + QStringLiteral("/api/v1/devices");
        auto memory = std::make_shared<MemoryCredentialStore>();
        memory->put(QString::fromLatin1(KeychainHelper::service), QStringLiteral("server_url"), service.baseUrl().toUtf8());
        memory->put(QString::fromLatin1(KeychainHelper::service), QStringLiteral("auth_token"), token.toUtf8());
        std::vector<double> api, bare, store, composed, overhead, gaps, apiInMemory, overheadInMemory;
        // Round 0 warms connections and the keyring; it is not counted.
        for (int round = 0; round <= runs; ++round) {
            probe.takePhaseMaxMs();
            double b = 0, a = 0, s = 0, m = 0, c = 0;
            for (int done = 0; done < reads; done += block) {
                b += QCoro::waitFor(throughBareNetwork(network, url, token));
                a += QCoro::waitFor(throughClient());
                s += QCoro::waitFor(storeReads());
                c += QCoro::waitFor(storeThenBareNetwork(network, url));
                // The same reads with the store in memory: what APIClient itself
                // adds, without subtracting the keyring's noisy round trips.
                KeychainHelper::setStore(memory);
                m += QCoro::waitFor(throughClient());
                KeychainHelper::setStore(nullptr);
            }
            const double gap = probe.takePhaseMaxMs();
            if (round == 0)
                continue;
            // Per read, in microseconds.
            bare.push_back(b * 1000 / reads);
            api.push_back(a * 1000 / reads);
            store.push_back(s * 1000 / reads);
            composed.push_back(c * 1000 / reads);
            overhead.push_back((a - b - s) / b * 100);
            apiInMemory.push_back(m * 1000 / reads);
            overheadInMemory.push_back((m - b) / b * 100);
            gaps.push_back(gap);
        }

        auto med = [](const std::vector<double>& v) { return Bench::Stats::of(v).median; };
        Bench::Report report("request_overhead", "4. Request overhead: 1,000 sequential GET /api/v1/devices");
        report.metric("bare QNetworkAccessManager, per read", "us", bare);
        report.metric("APIClient::listDevices, per read", "us", api);
        report.metric("two KeychainHelper::get, per read", "us", store);
        report.metric("two store reads, then the bare read", "us", composed);
        report.metric("(APIClient - bare - store) / bare", "%", overhead);
        report.metric("APIClient, store in memory, per read", "us", apiInMemory);
        report.metric("(APIClient, store in memory - bare) / bare", "%", overheadInMemory);
        report.metric("probe: longest gap per run", "ms", gaps);
        const double extra = (med(api) - med(bare) - med(store)) / med(bare);
        report.check("(APIClient - bare - store) / bare", med(api) - med(bare) - med(store), med(bare), extra, 0.20,
                     "<= 20 %");
        report.check("(info) (APIClient, store in memory - bare) / bare", med(apiInMemory) - med(bare), med(bare),
                     (med(apiInMemory) - med(bare)) / med(bare), 0.20, "(info) <= 20 %");
        // Store reads and network reads cost more in turns than each alone (the
        // processes go idle between them); this compares like with like.
        report.check("(info) (APIClient - store reads then bare read) / bare", med(api) - med(composed), med(bare),
                     (med(api) - med(composed)) / med(bare), 0.20, "(info) <= 20 %");
        report.check("(info) APIClient / bare, store reads included", med(api), med(bare), med(api) / med(bare), 1e9,
                     "(info)");
        report.checkAtMost("probe longest gap", *std::max_element(gaps.begin(), gaps.end()), 50, "ms");
        report.set("probe_max_gap_ms", *std::max_element(gaps.begin(), gaps.end()));
        report.note("APIClient also decodes the two-device answer into records; the bare client only reads the bytes");
        report.finish();
    }
    std::fflush(nullptr);
    std::_Exit(code);
}
