// 1. Start-up: process spawn to the first frame of the sign-in screen (no
// token stored) and of the device list showing 20 devices (token stored),
// against a bare Qt Quick Controls window with one button; and the peak
// resident memory of each (VmHWM read by the child just before it exits).
#include "BenchCommon.h"
#include "KeychainHelper.h"
#include "ServiceProcess.h"

#include <QCoreApplication>
#include <QProcess>
#include <cstdio>
#include <map>
#include <qcoro/qcorotask.h>

namespace {

struct Launch
{
    bool ok = false;
    double ms = 0;
    double peakMiB = 0;
};

Launch launch(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const qint64 spawned = Bench::nowNs();
    process.start(program, arguments, QIODevice::ReadOnly);
    Launch result;
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished();
        std::fprintf(stderr, "%s did not finish\n", qPrintable(program));
        return result;
    }
    for (const QByteArray& line : process.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> parts = line.trimmed().split(' ');
        if (parts.size() == 4 && parts[0] == "FIRST_FRAME") {
            result.ok = true;
            result.ms = Bench::msBetween(spawned, parts[1].toLongLong());
            result.peakMiB = parts[3].toDouble() / 1024.0;
        }
    }
    if (!result.ok)
        std::fprintf(stderr, "%s %s reported no first frame (exit %d)\n", qPrintable(program),
                     qPrintable(arguments.join(' ')), process.exitCode());
    return result;
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    const int runs = qEnvironmentVariableIntValue("LUMARO_BENCH_RUNS") > 0 ? qEnvironmentVariableIntValue("LUMARO_BENCH_RUNS") : 7;
    qputenv("LUMARO_SERVICE_BIN", Bench::serviceBinary().toLocal8Bit());

    ServiceProcess service({QStringLiteral("--quiet")});
    if (!service.start()) {
        std::fprintf(stderr, "%s\n", qPrintable(service.errorString()));
        return 1;
    }
    const QString token = service.registerAccount(QStringLiteral("startup@example.com"), QStringLiteral("pw"),
                                                  QStringLiteral("Pat"));
    for (int i = 0; i < 20; ++i)
        service.createDevice(token, QStringLiteral("Mac %1").arg(i + 1), QStringLiteral("Child %1").arg(i + 1));
    QCoro::waitFor(KeychainHelper::save(QStringLiteral("server_url"), service.baseUrl()));

    const QString bare = Bench::benchBinary(QStringLiteral("bench_bare_window"));
    const QString console = Bench::benchBinary(QStringLiteral("bench_lumaro_launcher"));
    std::map<std::string, std::vector<double>> ms, mib;
    // The first round warms the file cache and the keyring; it is not counted.
    for (int round = 0; round <= runs; ++round) {
        const Launch b = launch(bare, {});
        QCoro::waitFor(KeychainHelper::deleteKey(QStringLiteral("auth_token")));
        const Launch s = launch(console, {QStringLiteral("--expect"), QStringLiteral("sign-in")});
        QCoro::waitFor(KeychainHelper::save(QStringLiteral("auth_token"), token));
        const Launch l = launch(console, {QStringLiteral("--expect"), QStringLiteral("devices=20")});
        if (!b.ok || !s.ok || !l.ok)
            return 1;
        if (round == 0)
            continue;
        ms["bare"].push_back(b.ms);
        ms["signin"].push_back(s.ms);
        ms["list"].push_back(l.ms);
        mib["bare"].push_back(b.peakMiB);
        mib["signin"].push_back(s.peakMiB);
        mib["list"].push_back(l.peakMiB);
    }

    Bench::Report report("startup", "1. Start-up: spawn to first frame, peak resident memory");
    report.metric("bare window: first frame", "ms", ms["bare"]);
    report.metric("sign-in screen: first frame", "ms", ms["signin"]);
    report.metric("list of 20 devices: first frame", "ms", ms["list"]);
    report.metric("bare window: VmHWM", "MiB", mib["bare"]);
    report.metric("sign-in screen: VmHWM", "MiB", mib["signin"]);
    report.metric("list of 20 devices: VmHWM", "MiB", mib["list"]);
    auto med = [](const std::vector<double>& v) { return Bench::Stats::of(v).median; };
    const double bareMs = med(ms["bare"]), bareMiB = med(mib["bare"]);
    report.check("sign-in first frame / bare", med(ms["signin"]), bareMs, med(ms["signin"]) / bareMs, 1.5, "<= 1.5x");
    report.check("20-device list first frame / bare", med(ms["list"]), bareMs, med(ms["list"]) / bareMs, 1.5,
                 "<= 1.5x");
    report.check("sign-in VmHWM / bare", med(mib["signin"]), bareMiB, med(mib["signin"]) / bareMiB, 1.5, "<= 1.5x");
    report.check("20-device list VmHWM / bare", med(mib["list"]), bareMiB, med(mib["list"]) / bareMiB, 1.5,
                 "<= 1.5x");
    report.note("ratios compare medians; the list run includes the service round trip and two keyring reads");
    report.finish();
    service.stop();
    std::fflush(nullptr);
    std::_Exit(0);
}
