#include "UiSession.h"

#include "KeychainHelper.h"

#include <QTest>
#include <qcoro/qcorotask.h>

void UiSession::clearStore()
{
    for (const char* service : {KeychainHelper::service, KeychainHelper::legacyService}) {
        for (const char* key : {"auth_token", "server_url"})
            QCoro::waitFor(KeychainHelper::store().remove(QString::fromLatin1(service), QString::fromLatin1(key)));
    }
}

void UiSession::storeEntry(const QString& key, const QString& value)
{
    QCoro::waitFor(KeychainHelper::save(key, value));
}

std::optional<QString> UiSession::storedEntry(const QString& key)
{
    return QCoro::waitFor(KeychainHelper::get(key));
}

QQuickWindow* UiSession::launch()
{
    m_app = std::make_unique<LumaroApp>();
    QCoro::waitFor(m_app->start());
    QQuickWindow* window = m_app->window();
    if (!window || !QTest::qWaitForWindowExposed(window))
        return nullptr;
    return window;
}

void UiSession::quit()
{
    if (!m_app)
        return;
    // The window and its items go now, so nothing of this console can take
    // focus or events from the next one.
    if (QQuickWindow* window = m_app->window()) {
        window->close();
        delete window;
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QTest::qWait(20);
    m_app.reset();
}
