#pragma once

#include "BenchCommon.h"

#include <QQuickWindow>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <functional>

// Prints "FIRST_FRAME <monotonic ns> VMHWM <KiB>" for the first frame swapped
// whose content was prepared while `ready` held, then leaves at once, as the
// console's main() does (no QML teardown).
inline void reportFirstReadyFrame(QQuickWindow* window, std::function<bool()> ready)
{
    auto frameReady = std::make_shared<bool>(false);
    QObject::connect(window, &QQuickWindow::afterAnimating, window,
                     [frameReady, ready] { *frameReady = ready(); }, Qt::DirectConnection);
    QObject::connect(window, &QQuickWindow::frameSwapped, window, [frameReady] {
        if (!*frameReady)
            return;
        const qint64 at = Bench::nowNs();
        std::printf("FIRST_FRAME %lld VMHWM %lld\n", (long long)at, (long long)Bench::peakRssKiB());
        std::fflush(stdout);
        std::_Exit(0);
    }, Qt::DirectConnection);
    // Asks for a frame once the content is ready, in case nothing else does.
    auto* poll = new QTimer(window);
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, window, [window, ready] {
        if (ready())
            window->update();
    });
    poll->start();
    QTimer::singleShot(30000, [] {
        std::fprintf(stderr, "no ready frame within 30 s\n");
        std::_Exit(3);
    });
}
