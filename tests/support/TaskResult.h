#pragma once

#include <QEventLoop>
#include <QString>
#include <QTimer>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <qcoro/qcorotask.h>
#include <type_traits>
#include <variant>

// What a task started by a test came to: its value or its exception.
//
// QCoro's own waitFor never returns when the task throws, and most tasks
// under test are expected to throw, hence this small runner.
template <class T>
struct TaskResult
{
    using Value = std::conditional_t<std::is_void_v<T>, std::monostate, T>;

    bool finished = false;
    std::optional<Value> value;
    std::exception_ptr error;
    std::function<void()> wake;  // called once it has finished

    bool succeeded() const { return finished && !error; }

    // True when the task failed with an exception of kind E (or derived).
    template <class E>
    bool failedWith() const
    {
        if (!error)
            return false;
        try {
            std::rethrow_exception(error);
        } catch (const E&) {
            return true;
        } catch (...) {
            return false;
        }
    }

    // The failure's text (what() of a std::exception); empty on success.
    QString errorText() const
    {
        if (!error)
            return {};
        try {
            std::rethrow_exception(error);
        } catch (const std::exception& e) {
            return QString::fromUtf8(e.what());
        } catch (...) {
            return QStringLiteral("(not a std::exception)");
        }
    }
};

namespace TaskResultDetail {
template <class T>
QCoro::Task<void> capture(QCoro::Task<T> task, std::shared_ptr<TaskResult<T>> result)
{
    try {
        if constexpr (std::is_void_v<T>) {
            co_await task;
            result->value.emplace();
        } else {
            result->value.emplace(co_await task);
        }
    } catch (...) {
        result->error = std::current_exception();
    }
    result->finished = true;
    if (result->wake)
        result->wake();
}
}  // namespace TaskResultDetail

// Lets the task run on; the result fills in when it finishes.
template <class T>
std::shared_ptr<TaskResult<T>> startTask(QCoro::Task<T> task)
{
    auto result = std::make_shared<TaskResult<T>>();
    TaskResultDetail::capture(std::move(task), result);
    return result;
}

// Runs a nested event loop until the task has finished or the time is up.
template <class T>
bool awaitResult(const std::shared_ptr<TaskResult<T>>& result, int timeoutMs = 10000)
{
    if (result->finished)
        return true;
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    deadline.start(timeoutMs);
    result->wake = [&loop] { loop.quit(); };
    loop.exec();
    result->wake = nullptr;
    return result->finished;
}

// Starts the task and waits for it; `finished` is false when it timed out.
template <class T>
TaskResult<T> runTask(QCoro::Task<T> task, int timeoutMs = 10000)
{
    const auto result = startTask(std::move(task));
    awaitResult(result, timeoutMs);
    return *result;
}
