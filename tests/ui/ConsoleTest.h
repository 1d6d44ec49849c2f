#pragma once

#include "DeviceDetailViewModel.h"
#include "UiHarness.h"
#include "UiSession.h"

#include <QObject>
#include <QTest>

// A test class driving one console at a time: its parts by objectName, and
// the steps every screen test takes. Helpers that can fail return bool, for
// QVERIFY at the call site (a QVERIFY inside a helper only leaves the helper).
class ConsoleTest : public QObject
{
    Q_OBJECT

protected:
    UiSession session;
    QQuickWindow* window = nullptr;

    QQuickItem* item(const QString& name) const { return Ui::find(window, name); }
    QQuickItem* item(const char* name) const { return item(QString::fromLatin1(name)); }
    bool shown(const char* name) const { return Ui::isShown(item(name)); }
    QString textOf(const char* name) const { return Ui::text(item(name)); }
    // Every item of that name now on screen, in tree order.
    QList<QQuickItem*> allShown(const char* name) const
    {
        QList<QQuickItem*> result;
        for (QQuickItem* i : Ui::findAll(window, QString::fromLatin1(name))) {
            if (Ui::isShown(i))
                result.append(i);
        }
        return result;
    }
    // The navigation stack takes no input while a push or pop runs.
    bool settled() const
    {
        QQuickItem* stack = item("navigationStack");
        return stack && !stack->property("busy").toBool();
    }

    // The model of the detail screen on show; null when none is.
    DeviceDetailViewModel* detailVM() const
    {
        QQuickItem* page = item("deviceDetailView");
        return page ? page->property("vm").value<DeviceDetailViewModel*>() : nullptr;
    }

    // Starts the console and waits for the signed-in screens.
    [[nodiscard]] bool launchSignedIn()
    {
        window = session.launch();
        return window && QTest::qWaitFor([this] { return shown("navigationStack") && settled(); }, 10000);
    }

    void quit()
    {
        session.quit();
        window = nullptr;
    }

    // As a parent does it: waits for the control, scrolls it into view and
    // clicks it once it takes clicks.
    [[nodiscard]] bool press(QQuickItem* target)
    {
        if (!target || !QTest::qWaitFor([&] { return Ui::isShown(target); }))
            return false;
        Ui::scrollTo(window, target);
        if (!QTest::qWaitFor([&] { return target->isEnabled(); }))
            return false;
        Ui::click(window, target);
        return true;
    }
    [[nodiscard]] bool press(const char* name) { return press(item(name)); }
};
