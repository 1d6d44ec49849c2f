#pragma once

#include <QList>
#include <QPointer>
#include <memory>

class QNetworkReply;

// A handle on a group of requests that can be cancelled together: a screen's
// load aborts the fetches still running when one fails, and a state object
// aborts everything it started when it is destroyed. Copies share the group.
class RequestScope
{
public:
    // A live scope. A default-constructed RequestScope belongs to no group.
    static RequestScope create();
    RequestScope() = default;

    // Aborts every reply still in flight in this group (from the event loop,
    // so the awaiting code resumes after the caller has returned); later
    // requests in the group fail at once without being sent.
    void cancel();
    bool isCancelled() const;

    // Used by the client: track a reply while it is in flight.
    void track(QNetworkReply* reply);

private:
    struct Group
    {
        bool cancelled = false;
        QList<QPointer<QNetworkReply>> replies;
    };
    std::shared_ptr<Group> m_group;
};
