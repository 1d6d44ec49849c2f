#pragma once

#include "LumaroApp.h"
#include "ServiceProcess.h"

#include <QQuickWindow>
#include <QString>
#include <memory>

// Starts the console as main() does, against a real lumaro-service, with the
// real keyring of the private session.
class UiSession
{
public:
    // Removes both entries under both service identifiers.
    static void clearStore();
    static void storeEntry(const QString& key, const QString& value);
    static std::optional<QString> storedEntry(const QString& key);

    // Starts the console and waits until its window is exposed; null on failure.
    QQuickWindow* launch();
    void quit();

    LumaroApp* app() const { return m_app.get(); }

private:
    std::unique_ptr<LumaroApp> m_app;
};
