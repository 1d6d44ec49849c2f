#include "RequestScope.h"

#include <QMetaObject>
#include <QNetworkReply>

RequestScope RequestScope::create()
{
    RequestScope scope;
    scope.m_group = std::make_shared<Group>();
    return scope;
}

void RequestScope::cancel()
{
    if (!m_group)
        return;
    m_group->cancelled = true;
    // Aborted from the event loop, not here: abort() resumes the awaiting
    // coroutines at once, and the caller may be a destructor whose object
    // those coroutines must find gone.
    const auto replies = std::exchange(m_group->replies, {});
    for (const auto& reply : replies) {
        if (reply)
            QMetaObject::invokeMethod(reply.data(), &QNetworkReply::abort, Qt::QueuedConnection);
    }
}

bool RequestScope::isCancelled() const
{
    return m_group && m_group->cancelled;
}

void RequestScope::track(QNetworkReply* reply)
{
    if (!m_group)
        return;
    // Drop entries of replies that are gone so a long-lived scope stays small.
    m_group->replies.removeIf([](const QPointer<QNetworkReply>& r) { return r.isNull(); });
    m_group->replies.append(reply);
}
