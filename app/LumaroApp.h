#pragma once

#include <QObject>
#include <QQmlApplicationEngine>
#include <memory>
#include <qcoro/qcorotask.h>

class AuthViewModel;
class QQuickWindow;

// The application: one session model for the whole run and one window.
class LumaroApp final : public QObject
{
    Q_OBJECT

public:
    LumaroApp();
    ~LumaroApp() override;

    // Sets the style and fonts; call once before the first window.
    static void prepare();

    // Reads the stored address and token, then opens the window, so its first
    // frame is already the sign-in screen or the signed-in part.
    QCoro::Task<void> start();

    AuthViewModel* authVM() const { return m_authVM.get(); }
    QQmlApplicationEngine& engine() { return m_engine; }
    QQuickWindow* window() const;

signals:
    void windowCreated();

private:
    // Declared before the engine: QML lets go of the model before it goes.
    std::unique_ptr<AuthViewModel> m_authVM;
    QQmlApplicationEngine m_engine;
};
